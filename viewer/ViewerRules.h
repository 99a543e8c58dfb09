#pragma once
// The viewer window's rules that need no window: the command line, the page
// box, the zoom box and its texts, the zoom steps and the print range.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace viewerrules {

// What the command line asks for: the last argument that is not "/TEMP"
// (exact case) names the file, and any "/TEMP" marks it temporary.
struct TCommandLine {
    std::string file;
    bool temporary = false;
};
TCommandLine ParseCommandLine(const std::vector<std::string>& Arguments);

// The page box takes Backspace, Enter and the digits; Enter applies it.
bool PageKeyPasses(char32_t Key);
// The page a page-box text names: a whole number from 1 to PageCount.
std::optional<int32_t> PageFromText(const std::string& Text, int32_t PageCount);

// The zoom box takes Backspace, Enter, the digits, one decimal separator and
// one "-" at the start (Caret is where the key would go).
bool ZoomKeyPasses(char32_t Key, const std::u32string& Text, std::size_t Caret, char32_t DecimalSeparator);

// A zoom as the boxes show it: general format, up to 7 significant digits,
// with the locale's decimal separator.
std::string ZoomText(double Zoom, char32_t DecimalSeparator);
// A text read as a number in the locale's format (blanks around it allowed);
// nothing when it is no number.
std::optional<double> ReadNumber(const std::string& Text, char32_t DecimalSeparator);

// The zoom box's text applied: below 2 it becomes 2, above 3000 3000, and the
// box then shows that limit (text); no number changes nothing.
struct TZoomEntry {
    float zoom = 100;
    std::optional<std::string> text;
};
std::optional<TZoomEntry> ApplyZoomText(const std::string& Text, char32_t DecimalSeparator);

// The zoom menu's steps of 20 percent: in below 6534, out down to 2.
float ZoomedIn(float Zoom);
float ZoomedOut(float Zoom);

// The pages a print range option asks for: 0 all, 1 the range of the
// dialog, 2 the current page; any other option prints all pages.
struct TPageRange {
    int32_t first = 1;
    int32_t last = 1;
};
TPageRange PrintRange(int16_t Option, int32_t Start, int32_t End, int32_t Page, int32_t PageCount);

}  // namespace viewerrules
