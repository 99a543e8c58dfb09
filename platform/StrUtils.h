#pragma once
// Text conversions of the class library that the units rely on.
#include <cstdint>
#include <string>

// Leading blanks, an optional sign and decimal digits, or "$"/"0x" and hex
// digits; anything else, or a value outside 32 bits, raises EConvertError with
// "'<text>' is not a valid integer value".
int32_t StrToInt(const std::string& text);

// Like StrToInt, but returns Default for a text that is not a number.
int32_t StrToIntDef(const std::string& text, int32_t Default);

std::string IntToStr(int64_t value);

std::string UpperCase(const std::string& text);  // ASCII letters only, as the class library
std::string LowerCase(const std::string& text);
bool SameText(const std::string& a, const std::string& b);
std::string Trim(const std::string& text);       // removes bytes <= blank at both ends
