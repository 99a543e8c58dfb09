#pragma once
// Date-time values as the units compute with them: days since 30 December
// 1899, the time of day as the fraction. Now() is the one clock of the system;
// tests move it to a fixed moment and it runs on from there.
#include <cstdint>
#include <ctime>
#include <string>

using TDateTime = double;

TDateTime Now();
TDateTime Date();  // today at midnight
TDateTime Time();  // the time of day as a fraction

// Moves Now() so that it reads Moment at this instant; it keeps running.
void SetNow(TDateTime Moment);
// Back to the real clock.
void ResetClock();

// A local date-time as whole seconds since the epoch (a fraction of a
// second is dropped); -1 when the moment cannot be told.
std::time_t LocalToTimeT(TDateTime Value);

// Milliseconds of a monotonic clock, wrapping at 2^32 like the tick count the
// time-outs are measured on; compare with unsigned subtraction.
uint32_t GetTickCount();

// Raise EConvertError for a date or time that does not exist.
TDateTime EncodeDate(int Year, int Month, int Day);
TDateTime EncodeTime(int Hour, int Min, int Sec, int MSec);
void DecodeDate(TDateTime Value, int& Year, int& Month, int& Day);
void DecodeTime(TDateTime Value, int& Hour, int& Min, int& Sec, int& MSec);
bool IsLeapYear(int Year);

// The user's short date format and time format (from the locale of
// LC_ALL, LC_TIME or LANG), as the log and the lists show dates.
std::string DateToStr(TDateTime Value);
std::string TimeToStr(TDateTime Value);
std::string DateTimeToStr(TDateTime Value);  // date, a blank, time; time left out at midnight

// Formats with the class library's specifiers: yyyy yy mm m dd d hh h nn n ss s zzz.
std::string FormatDateTime(const std::string& Format, TDateTime Value);
