#pragma once
// The main window's rules that need neither a window nor a modem: the type
// cell of a message row, the date cell, the texts built from counts, the
// gauge colour, the column layout, the file names of saved faxes, the
// viewer's error text, the log file's first lines and the command line.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/Clock.h"

namespace mainrules {

// Type cell: the key of kind, status and state, its image and its fixed text.
int TypeKey(int MsgType, int MsgStatus, int MsgState);
struct TypeCell {
    int ImageIndex;
    const char* Text;
};
TypeCell TypeCellOf(int Key);

// Date cell: the short date, a blank and the time without its seconds; empty
// for a message without a date (0).
std::string DateCellText(TDateTime D);
// The time in the user's long time format without the seconds field and its separator.
std::string TimeWithoutSeconds(TDateTime D);
// A Qt time format without its seconds: "HH:mm:ss" gives "HH:mm", "h:mm:ss AP" "h:mm AP".
std::string FormatWithoutSeconds(const std::string& Format);

// "k new message" or "k new messages".
std::string NewMessagesText(int K, const std::string& Singular, const std::string& Plural);
// The question text with the count in place of "%u".
std::string WithCount(const std::string& Format, uint32_t Count);

// The gauge shows positions 0 to 100 only.
int GaugePosition(int FreeMemory);
// Red at 30 % or less, else navy, as 0xRRGGBB.
uint32_t GaugeColor(int Position);

// The speeds the channel knows by name; any other number leaves 57600.
bool IsNamedBaudRate(int32_t Rate);

// Display position and width of the logical columns Type, Caller ID, Date, Size.
struct ColumnLayout {
    std::array<int32_t, 4> Position{0, 1, 2, 3};
    std::array<int32_t, 4> Width{35, 120, 90, 60};
};
constexpr std::array<int32_t, 4> DefaultColumnWidths{35, 120, 90, 60};
// The default widths are pixels of the original's font, 8-point MS Sans
// Serif, whose letters average 6 pixels (the figure its dialog units come
// from); a font whose letters average AverageLetterWidth pixels gets them in
// that proportion, rounded.
constexpr double OriginalAverageLetterWidth = 6.0;
int32_t ScaledWidth(int32_t OriginalPixels, double AverageLetterWidth);
std::array<int32_t, 4> ScaledColumnWidths(double AverageLetterWidth);
// Positions that are not a permutation of 0 to 3 give the default order;
// negative widths give the default width of their column.
ColumnLayout Sanitized(const ColumnLayout& Stored, const std::array<int32_t, 4>& Defaults = DefaultColumnWidths);

// The caller ID as the list shows it: without the blanks that pad it to its field.
std::string CallerIdCellText(const std::string& CallerId);
std::string ColumnPositionName(int K);  // "cColumn" + K
std::string ColumnWidthName(int K);     // "cColumnW" + K

// The folder of a chosen file without a trailing separator, the root stays "/".
std::string FolderOfFile(const std::string& Path);
// Folder with a separator at the end when it has none.
std::string WithSeparator(const std::string& Folder);
// The file of a new fax saved without a person: " FAXyyyy.mm.dd hh.nn.ss.tif"
// in the folder, or "FAX-unkown" and Now as a day number when the fax has no date.
std::string AutoSaveFaxName(const std::string& Folder, TDateTime D, TDateTime NowValue);
// The temporary fax file handed to the viewer: the unique name with "TIF" in
// place of its last three characters.
std::string ViewerFileName(const std::string& UniqueName);
// The viewer's parameters: the file in double quotes and " /TEMP".
std::string ViewerParameters(const std::string& FaxFile);
// "Error occured on excecution of " Program CR LF and the reason of Code.
std::string ViewerErrorText(const std::string& Program, int Code);

// The progress text of a download: the loading text, the percentage and the
// time still to go (from the time since Start and the percentage so far).
std::string ProgressText(const std::string& LoadingText, int32_t Progress, TDateTime Start, TDateTime NowValue);

// The log starts afresh at 60000 bytes and when it does not exist (-1).
bool LogStartsAfresh(long long Size);
std::string LogFirstLine();
// In place of the Windows platform line: the running system, its release.
std::string LogSystemLine();

// Whether a command-line argument is the autostart switch (any letter case).
bool IsAutostartSwitch(const std::string& Arg);
std::string UnknownParameterText(const std::string& Arg);

}  // namespace mainrules
