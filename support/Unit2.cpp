#include "support/Unit2.h"

#include <algorithm>

#include "platform/StrUtils.h"

void GetField(const std::string& Text, int N, std::string& Field) {
    if (N == 0 || Text.empty()) return;
    // The modems' replies come with the line end that closed them (a reply
    // read line by line is joined with CR LF); it ends the last field and is
    // no part of it, so "000" CR LF is the number 0.
    const std::size_t textEnd = Text.find_last_not_of("\r\n") + 1;
    std::size_t start = 0;
    // Counted as commas + 1 < N so that no N, however negative, overflows.
    for (int commas = 0; commas + 1 < N; ++commas) {
        const std::size_t comma = Text.find(',', start);
        if (comma == std::string::npos || comma >= textEnd) {
            Field.clear();
            return;
        }
        start = comma + 1;
    }
    const std::size_t end = std::min(Text.find(',', start), textEnd);
    Field = start < end ? Text.substr(start, end - start) : std::string();
}

int GetFieldInt(const std::string& Text, int N) {
    std::string field;
    GetField(Text, N, field);
    return field.empty() ? 0 : StrToInt(field);
}

std::unique_ptr<ui::Notice> ShowWaitMessage(const std::string& Message) {
    ui::MessageSpec spec;
    spec.text = Message;
    spec.caption = "Information";
    spec.icon = ui::IconInformation;
    return ui::ShowNotice(spec);
}

void PadLeft(const std::string& Text, char FillChar, int Width, std::string& Result) {
    Result = Text;
    if (Width > 0 && Result.size() < static_cast<std::size_t>(Width))
        Result.insert(0, static_cast<std::size_t>(Width) - Result.size(), FillChar);
}
