#include "platform/StrUtils.h"

#include <cctype>

#include "platform/Exceptions.h"

namespace {
bool ParseInt(const std::string& text, int32_t& out) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && text[i] == ' ') ++i;
    bool negative = false;
    if (i < n && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < n && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= n) return false;
    int64_t value = 0;
    for (; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        int digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else return false;
        value = value * base + digit;
        if (value > (int64_t{1} << 32)) return false;
    }
    if (base == 16 && !negative && value <= 0xFFFFFFFFLL) {
        // Hexadecimal texts cover the whole 32-bit pattern, as the class library reads them.
        out = static_cast<int32_t>(static_cast<uint32_t>(value));
        return true;
    }
    if (negative) value = -value;
    if (value < INT32_MIN || value > INT32_MAX) return false;
    out = static_cast<int32_t>(value);
    return true;
}
}  // namespace

int32_t StrToInt(const std::string& text) {
    int32_t v = 0;
    if (!ParseInt(text, v)) throw EConvertError("'" + text + "' is not a valid integer value");
    return v;
}

int32_t StrToIntDef(const std::string& text, int32_t Default) {
    int32_t v = 0;
    return ParseInt(text, v) ? v : Default;
}

std::string IntToStr(int64_t value) { return std::to_string(value); }

std::string UpperCase(const std::string& text) {
    std::string r = text;
    for (char& c : r)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return r;
}

std::string LowerCase(const std::string& text) {
    std::string r = text;
    for (char& c : r)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return r;
}

bool SameText(const std::string& a, const std::string& b) { return UpperCase(a) == UpperCase(b); }

std::string Trim(const std::string& text) {
    std::size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ') --e;
    return text.substr(b, e - b);
}
