#include "platform/Clock.h"

#include <QDate>
#include <QLocale>
#include <QTime>
#include <QString>
#include <atomic>
#include <chrono>
#include <cmath>
#include <ctime>

#include "platform/Exceptions.h"

namespace {
std::atomic<double> g_offset{0.0};

constexpr double kMsPerDay = 86400000.0;

// Days from 1970-01-01 to the civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t yy = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yy + (m <= 2));
}

constexpr int64_t kDelphiEpochFromUnix = 25569;  // 1899-12-30 -> 1970-01-01

TDateTime RealNow() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t t = system_clock::to_time_t(now);
    std::tm lt{};
    localtime_r(&t, &lt);
    const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    const int64_t days = DaysFromCivil(lt.tm_year + 1900, static_cast<unsigned>(lt.tm_mon + 1),
                                       static_cast<unsigned>(lt.tm_mday)) + kDelphiEpochFromUnix;
    const double frac = ((lt.tm_hour * 60.0 + lt.tm_min) * 60.0 + lt.tm_sec) * 1000.0 + static_cast<double>(ms);
    return static_cast<double>(days) + frac / kMsPerDay;
}

// Splits a value into whole days and milliseconds of the day, rounding to the
// millisecond as the class library does.
void Split(TDateTime v, int64_t& days, int64_t& msOfDay) {
    const double total = std::round(v * kMsPerDay);
    days = static_cast<int64_t>(std::floor(total / kMsPerDay));
    msOfDay = static_cast<int64_t>(total - static_cast<double>(days) * kMsPerDay);
}

QString LocaleDate(TDateTime v) {
    int y, m, d;
    DecodeDate(v, y, m, d);
    return QLocale::system().toString(QDate(y, m, d), QLocale::ShortFormat);
}

QString LocaleTime(TDateTime v) {
    int h, mi, s, ms;
    DecodeTime(v, h, mi, s, ms);
    // The long time format with seconds, without the zone that Qt's long format adds.
    QString fmt = QLocale::system().timeFormat(QLocale::LongFormat);
    fmt.remove(QLatin1String(" t")).remove(QLatin1Char('t'));
    return QLocale::system().toString(QTime(h, mi, s, ms), fmt.trimmed());
}
}  // namespace

TDateTime Now() { return RealNow() + g_offset.load(); }

std::time_t LocalToTimeT(TDateTime Value) {
    int y, mo, d, h, mi, s, ms;
    DecodeDate(Value, y, mo, d);
    DecodeTime(Value, h, mi, s, ms);
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = s;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}
TDateTime Date() { return std::floor(Now()); }
TDateTime Time() {
    const TDateTime n = Now();
    return n - std::floor(n);
}

void SetNow(TDateTime Moment) { g_offset.store(Moment - RealNow()); }
void ResetClock() { g_offset.store(0.0); }

uint32_t GetTickCount() {
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

bool IsLeapYear(int Year) { return (Year % 4 == 0 && Year % 100 != 0) || Year % 400 == 0; }

TDateTime EncodeDate(int Year, int Month, int Day) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (Year < 1 || Year > 9999 || Month < 1 || Month > 12 || Day < 1 ||
        Day > kDays[Month - 1] + (Month == 2 && IsLeapYear(Year) ? 1 : 0))
        throw EConvertError("Invalid argument to date encode");
    return static_cast<double>(DaysFromCivil(Year, static_cast<unsigned>(Month), static_cast<unsigned>(Day)) +
                               kDelphiEpochFromUnix);
}

TDateTime EncodeTime(int Hour, int Min, int Sec, int MSec) {
    if (Hour < 0 || Hour > 23 || Min < 0 || Min > 59 || Sec < 0 || Sec > 59 || MSec < 0 || MSec > 999)
        throw EConvertError("Invalid argument to time encode");
    return (((Hour * 60.0 + Min) * 60.0 + Sec) * 1000.0 + MSec) / kMsPerDay;
}

void DecodeDate(TDateTime Value, int& Year, int& Month, int& Day) {
    int64_t days, ms;
    Split(Value, days, ms);
    CivilFromDays(days - kDelphiEpochFromUnix, Year, Month, Day);
}

void DecodeTime(TDateTime Value, int& Hour, int& Min, int& Sec, int& MSec) {
    int64_t days, ms;
    Split(Value, days, ms);
    MSec = static_cast<int>(ms % 1000);
    ms /= 1000;
    Sec = static_cast<int>(ms % 60);
    ms /= 60;
    Min = static_cast<int>(ms % 60);
    Hour = static_cast<int>(ms / 60);
}

std::string DateToStr(TDateTime Value) { return LocaleDate(Value).toStdString(); }
std::string TimeToStr(TDateTime Value) { return LocaleTime(Value).toStdString(); }

std::string DateTimeToStr(TDateTime Value) {
    int h, m, s, ms;
    DecodeTime(Value, h, m, s, ms);
    std::string r = DateToStr(Value);
    if (h || m || s || ms) r += " " + TimeToStr(Value);
    return r;
}

std::string FormatDateTime(const std::string& Format, TDateTime Value) {
    int y, mo, d, h, mi, s, ms;
    DecodeDate(Value, y, mo, d);
    DecodeTime(Value, h, mi, s, ms);
    auto two = [](int v) { return (v < 10 ? "0" : "") + std::to_string(v); };
    std::string out;
    const std::string f = Format;
    for (std::size_t i = 0; i < f.size();) {
        auto take = [&](const char* tok) {
            const std::size_t n = std::char_traits<char>::length(tok);
            if (f.size() - i < n) return false;
            for (std::size_t k = 0; k < n; ++k)
                if (std::tolower(static_cast<unsigned char>(f[i + k])) != tok[k]) return false;
            i += n;
            return true;
        };
        if (f[i] == '"' || f[i] == '\'') {
            const char q = f[i++];
            while (i < f.size() && f[i] != q) out += f[i++];
            if (i < f.size()) ++i;
        } else if (take("yyyy")) out += std::to_string(y);
        else if (take("yy")) out += two(y % 100);
        else if (take("mm")) out += two(mo);
        else if (take("m")) out += std::to_string(mo);
        else if (take("dd")) out += two(d);
        else if (take("d")) out += std::to_string(d);
        else if (take("hh")) out += two(h);
        else if (take("h")) out += std::to_string(h);
        else if (take("nn")) out += two(mi);
        else if (take("n")) out += std::to_string(mi);
        else if (take("ss")) out += two(s);
        else if (take("s")) out += std::to_string(s);
        else if (take("zzz")) out += (ms < 100 ? (ms < 10 ? "00" : "0") : "") + std::to_string(ms);
        else out += f[i++];
    }
    return out;
}
