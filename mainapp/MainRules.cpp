#include "mainapp/MainRules.h"

#include <QLocale>
#include <QString>
#include <QTime>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/App.h"
#include "platform/Files.h"
#include "platform/StrUtils.h"
#include "support/Unit2.h"

namespace mainrules {

int TypeKey(int MsgType, int MsgStatus, int MsgState) {
    return (MsgType == 1 ? 1 : 0) + (MsgStatus == 1 ? 10 : 0) + (MsgState == 1 ? 100 : 0);
}

TypeCell TypeCellOf(int Key) {
    switch (Key) {
        case 111: return {0, "New Voice"};
        case 110: return {1, "New Fax"};
        case 11: return {2, "Voice"};
        case 10: return {3, "Fax"};
        case 101: return {4, "Voice: ERROR"};
        case 100: return {5, "Fax: ERROR"};
        case 1: return {6, "Voice: ERROR"};
        case 0: return {7, "Fax: ERROR"};
        default: return {-1, ""};
    }
}

std::string FormatWithoutSeconds(const std::string& Format) {
    // Cutting the last three characters of the time text only drops the
    // seconds where the format ends with them; a 12-hour format ends with
    // its AM/PM mark, so the seconds are taken out of the format instead.
    QString fmt = QString::fromStdString(Format);
    const qsizetype s = fmt.indexOf(QLatin1Char('s'));
    if (s >= 0) {
        qsizetype from = s;
        while (from > 0 && !QString("hHmAapP").contains(fmt[from - 1])) --from;
        qsizetype to = s;
        while (to < fmt.size() && fmt[to] == QLatin1Char('s')) ++to;
        fmt.remove(from, to - from);
    }
    return fmt.trimmed().toStdString();
}

std::string TimeWithoutSeconds(TDateTime D) {
    // The long time format as the clock writes it, without the zone.
    QString fmt = QLocale::system().timeFormat(QLocale::LongFormat);
    fmt.remove(QLatin1String(" t")).remove(QLatin1Char('t'));
    int h, mi, sec, ms;
    DecodeTime(D, h, mi, sec, ms);
    return QLocale::system()
        .toString(QTime(h, mi, sec, ms), QString::fromStdString(FormatWithoutSeconds(fmt.toStdString())))
        .toStdString();
}

std::string DateCellText(TDateTime D) {
    if (D == 0) return "";
    return DateToStr(D) + " " + TimeWithoutSeconds(D);
}

std::string NewMessagesText(int K, const std::string& Singular, const std::string& Plural) {
    return IntToStr(K) + (K < 2 ? Singular : Plural);
}

std::string WithCount(const std::string& Format, uint32_t Count) {
    std::string out = Format;
    const auto at = out.find("%u");
    if (at != std::string::npos) out.replace(at, 2, IntToStr(Count));
    return out;
}

int GaugePosition(int FreeMemory) { return std::clamp(FreeMemory, 0, 100); }

uint32_t GaugeColor(int Position) { return Position <= 30 ? 0xFF0000u : 0x000080u; }

bool IsNamedBaudRate(int32_t Rate) {
    static constexpr int32_t kRates[] = {110,   300,   600,   1200,  2400,   4800,   9600,  14400,
                                         19200, 38400, 56000, 57600, 115200, 128000, 256000};
    return std::find(std::begin(kRates), std::end(kRates), Rate) != std::end(kRates);
}

int32_t ScaledWidth(int32_t OriginalPixels, double AverageLetterWidth) {
    if (AverageLetterWidth <= 0) return OriginalPixels;
    return static_cast<int32_t>(std::lround(OriginalPixels * AverageLetterWidth / OriginalAverageLetterWidth));
}

std::array<int32_t, 4> ScaledColumnWidths(double AverageLetterWidth) {
    std::array<int32_t, 4> out{};
    for (std::size_t k = 0; k < out.size(); ++k) out[k] = ScaledWidth(DefaultColumnWidths[k], AverageLetterWidth);
    return out;
}

ColumnLayout Sanitized(const ColumnLayout& Stored, const std::array<int32_t, 4>& Defaults) {
    ColumnLayout out = Stored;
    std::array<bool, 4> seen{};
    bool permutation = true;
    for (int32_t p : Stored.Position) {
        if (p < 0 || p > 3 || seen[static_cast<std::size_t>(p)]) {
            permutation = false;
            break;
        }
        seen[static_cast<std::size_t>(p)] = true;
    }
    if (!permutation) out.Position = {0, 1, 2, 3};
    for (std::size_t k = 0; k < 4; ++k)
        if (out.Width[k] < 0) out.Width[k] = Defaults[k];
    return out;
}

std::string CallerIdCellText(const std::string& CallerId) {
    const auto end = CallerId.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : CallerId.substr(0, end + 1);
}

std::string ColumnPositionName(int K) { return "cColumn" + IntToStr(K); }
std::string ColumnWidthName(int K) { return "cColumnW" + IntToStr(K); }

std::string FolderOfFile(const std::string& Path) { return files::FolderOfFile(Path); }

std::string WithSeparator(const std::string& Folder) {
    return !Folder.empty() && Folder.back() == '/' ? Folder : Folder + "/";
}

std::string AutoSaveFaxName(const std::string& Folder, TDateTime D, TDateTime NowValue) {
    const std::string dir = WithSeparator(Folder);
    if (D != 0) {
        int y, mo, d, h, mi, s, ms;
        DecodeDate(D, y, mo, d);
        DecodeTime(D, h, mi, s, ms);
        auto pad = [](int v, int w) {
            std::string r;
            PadLeft(IntToStr(v), '0', w, r);
            return r;
        };
        return dir + " FAX" + pad(y, 4) + "." + pad(mo, 2) + "." + pad(d, 2) + " " + pad(h, 2) + "." +
               pad(mi, 2) + "." + pad(s, 2) + ".tif";
    }
    char num[64];
    std::snprintf(num, sizeof num, "%.6f", NowValue);
    std::string text = num;
    const QString point = QLocale::system().decimalPoint();
    const auto dot = text.find('.');
    if (dot != std::string::npos) text.replace(dot, 1, point.toStdString());
    return dir + "FAX-unkown" + text + ".tif";
}

std::string ViewerFileName(const std::string& UniqueName) {
    return UniqueName.substr(0, UniqueName.size() >= 3 ? UniqueName.size() - 3 : 0) + "TIF";
}

std::string ViewerParameters(const std::string& FaxFile) { return "\"" + FaxFile + "\" /TEMP"; }

std::string ViewerErrorText(const std::string& Program, int Code) {
    std::string reason;
    switch (Code) {
        case 2: reason = "Program not found!"; break;
        case 3: reason = "Path not found!"; break;
        case 5: reason = "Access denied!"; break;
        case 8: reason = "Out of memory!"; break;
        default: reason = "Errorcode: " + IntToStr(Code); break;
    }
    return "Error occured on excecution of " + Program + "\r\n" + reason;
}

std::string ProgressText(const std::string& LoadingText, int32_t Progress, TDateTime Start, TDateTime NowValue) {
    const TDateTime elapsed = NowValue - Start;
    const TDateTime total = elapsed * 100 / Progress;
    const TDateTime remaining = std::max(0.0, total - elapsed);
    return LoadingText + " " + IntToStr(Progress) + "%   -   " + TimeToStr(remaining);
}

bool LogStartsAfresh(long long Size) { return Size > 59999 || Size < 0; }

std::string LogFirstLine() { return "Start von Pellow! " + std::string(49, '#'); }

std::string LogSystemLine() { return app::SystemName() + " " + app::SystemRelease(); }

bool IsAutostartSwitch(const std::string& Arg) { return UpperCase(Arg) == "-AUTOSTART"; }

std::string UnknownParameterText(const std::string& Arg) {
    return "In the command line, there is an unkown parameter:\r" + Arg;
}

}  // namespace mainrules
