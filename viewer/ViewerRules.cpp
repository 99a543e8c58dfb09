#include "viewer/ViewerRules.h"

#include <QChar>
#include <QString>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace viewerrules {

namespace {

constexpr char32_t Backspace = 8;
constexpr char32_t Enter = 13;

bool IsDigit(char32_t C) { return C >= '0' && C <= '9'; }

std::u32string Wide(const std::string& Text) { return QString::fromStdString(Text).toStdU32String(); }

bool IsBlank(char32_t C) { return C == ' ' || C == '\t'; }

}  // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& Arguments) {
    TCommandLine line;
    for (const auto& a : Arguments) {
        if (a == "/TEMP") line.temporary = true;
        else line.file = a;
    }
    return line;
}

bool PageKeyPasses(char32_t Key) { return Key == Backspace || Key == Enter || IsDigit(Key); }

std::optional<int32_t> PageFromText(const std::string& Text, int32_t PageCount) {
    if (Text.empty() || Text.size() > 9) return std::nullopt;
    int32_t n = 0;
    for (char c : Text) {
        if (!IsDigit(static_cast<unsigned char>(c))) return std::nullopt;
        n = n * 10 + (c - '0');
    }
    if (n < 1 || n > PageCount) return std::nullopt;
    return n;
}

bool ZoomKeyPasses(char32_t Key, const std::u32string& Text, std::size_t Caret, char32_t DecimalSeparator) {
    if (Key == Backspace || Key == Enter || IsDigit(Key)) return true;
    if (Key == DecimalSeparator) return Text.find(DecimalSeparator) == std::u32string::npos;
    if (Key == '-') return Caret == 0 && Text.find(U'-') == std::u32string::npos;
    return false;
}

std::string ZoomText(double Zoom, char32_t DecimalSeparator) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.7g", Zoom);
    QString text = QString::fromLatin1(buffer);
    text.replace(QLatin1Char('.'), QString::fromUcs4(&DecimalSeparator, 1));
    return text.toStdString();
}

std::optional<double> ReadNumber(const std::string& Text, char32_t DecimalSeparator) {
    const std::u32string wide = Wide(Text);
    std::size_t i = 0, end = wide.size();
    while (i < end && IsBlank(wide[i])) ++i;
    while (end > i && IsBlank(wide[end - 1])) --end;
    // [sign] digits [separator digits] [E [sign] digits], at least one digit
    // before the exponent.
    std::string plain;
    std::size_t p = i;
    if (p < end && (wide[p] == '-' || wide[p] == '+')) plain += static_cast<char>(wide[p++]);
    int digits = 0;
    while (p < end && IsDigit(wide[p])) plain += static_cast<char>(wide[p++]), ++digits;
    if (p < end && wide[p] == DecimalSeparator) {
        plain += '.';
        ++p;
        while (p < end && IsDigit(wide[p])) plain += static_cast<char>(wide[p++]), ++digits;
    }
    if (digits == 0) return std::nullopt;
    if (p < end && (wide[p] == 'e' || wide[p] == 'E')) {
        plain += 'e';
        ++p;
        if (p < end && (wide[p] == '-' || wide[p] == '+')) plain += static_cast<char>(wide[p++]);
        int exponent = 0;
        while (p < end && IsDigit(wide[p])) plain += static_cast<char>(wide[p++]), ++exponent;
        if (exponent == 0) return std::nullopt;
    }
    if (p != end) return std::nullopt;
    double value = 0;
    const char* first = plain.data() + (plain[0] == '+' ? 1 : 0);
    const auto [ptr, ec] = std::from_chars(first, plain.data() + plain.size(), value);
    if (ptr != plain.data() + plain.size()) return std::nullopt;
    // A number beyond the type's range is still a number: far above any zoom,
    // or (with a large negative exponent) as good as 0.
    if (ec == std::errc::result_out_of_range) {
        if (plain.find("e-") != std::string::npos) return 0.0;
        return plain[0] == '-' ? -HUGE_VAL : HUGE_VAL;
    }
    return value;
}

std::optional<TZoomEntry> ApplyZoomText(const std::string& Text, char32_t DecimalSeparator) {
    const auto value = ReadNumber(Text, DecimalSeparator);
    if (!value) return std::nullopt;
    if (*value < 2) return TZoomEntry{2, "2"};
    if (*value > 3000) return TZoomEntry{3000, "3000"};
    return TZoomEntry{static_cast<float>(*value), std::nullopt};
}

float ZoomedIn(float Zoom) { return Zoom < 6534 ? Zoom + 20 : Zoom; }

float ZoomedOut(float Zoom) { return Zoom >= 22 ? Zoom - 20 : 2; }

TPageRange PrintRange(int16_t Option, int32_t Start, int32_t End, int32_t Page, int32_t PageCount) {
    switch (Option) {
        case 1: return {Start, End};
        case 2: return {Page, Page};
        default: return {1, PageCount};
    }
}

}  // namespace viewerrules
