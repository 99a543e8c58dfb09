#include "support/Unit2.h"

#include "platform/StrUtils.h"

void GetField(const std::string& Text, int N, std::string& Field) {
    if (N == 0 || Text.empty()) return;
    std::size_t start = 0;
    // Counted as commas + 1 < N so that no N, however negative, overflows.
    for (int commas = 0; commas + 1 < N; ++commas) {
        const std::size_t comma = Text.find(',', start);
        if (comma == std::string::npos) {
            Field.clear();
            return;
        }
        start = comma + 1;
    }
    const std::size_t end = Text.find(',', start);
    Field = Text.substr(start, end == std::string::npos ? std::string::npos : end - start);
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
