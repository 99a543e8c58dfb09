#include "platform/Ui.h"

#include <QPrinter>
#include <cstdlib>
#include <fstream>
#include <iostream>

#include "platform/StrUtils.h"

namespace ui {

std::vector<std::string> ButtonNames(Buttons buttons) {
    switch (buttons) {
        case MbOk: return {"OK"};
        case MbOkCancel: return {"OK", "Cancel"};
        case MbAbortRetryIgnore: return {"Abort", "Retry", "Ignore"};
        case MbYesNoCancel: return {"Yes", "No", "Cancel"};
        case MbYesNo: return {"Yes", "No"};
        case MbRetryCancel: return {"Retry", "Cancel"};
    }
    return {"OK"};
}

std::vector<int> ButtonResults(Buttons buttons) {
    switch (buttons) {
        case MbOk: return {IdOk};
        case MbOkCancel: return {IdOk, IdCancel};
        case MbAbortRetryIgnore: return {IdAbort, IdRetry, IdIgnore};
        case MbYesNoCancel: return {IdYes, IdNo, IdCancel};
        case MbYesNo: return {IdYes, IdNo};
        case MbRetryCancel: return {IdRetry, IdCancel};
    }
    return {IdOk};
}

std::string KindOf(Icon icon) {
    switch (icon) {
        case IconError: return "error";
        case IconQuestion: return "question";
        case IconWarning: return "warning";
        case IconInformation: return "information";
        case IconNone: break;
    }
    return "message";
}

namespace {
int DefaultResult(const MessageSpec& spec) {
    const auto results = ButtonResults(spec.buttons);
    const std::size_t i = spec.defaultButton >= 0 && static_cast<std::size_t>(spec.defaultButton) < results.size()
                              ? static_cast<std::size_t>(spec.defaultButton)
                              : 0;
    return results[i];
}

class ScriptedNotice : public Notice {};
}  // namespace

ScriptedUi::ScriptedUi(std::deque<std::string> answers, std::string logPath)
    : answers_(std::move(answers)), logPath_(std::move(logPath)) {}

void ScriptedUi::Answer(const std::string& answer) {
    std::lock_guard<std::mutex> l(lock_);
    answers_.push_back(answer);
}

std::vector<Prompt> ScriptedUi::Prompts() const {
    std::lock_guard<std::mutex> l(lock_);
    return prompts_;
}

void ScriptedUi::ClearPrompts() {
    std::lock_guard<std::mutex> l(lock_);
    prompts_.clear();
}

void ScriptedUi::Record(const Prompt& p) {
    std::lock_guard<std::mutex> l(lock_);
    prompts_.push_back(p);
    if (!logPath_.empty()) {
        std::string text = p.text;
        std::string flat;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
            flat += (text[i] == '\r' || text[i] == '\n') ? std::string("\\n") : std::string(1, text[i]);
        }
        std::ofstream log(logPath_, std::ios::app | std::ios::binary);
        log << p.kind << '\t' << p.caption << '\t' << flat << '\n';
    }
}

std::optional<std::string> ScriptedUi::NextAnswer() {
    std::lock_guard<std::mutex> l(lock_);
    if (answers_.empty()) return std::nullopt;
    std::string a = answers_.front();
    answers_.pop_front();
    return a;
}

int ScriptedUi::MessageBox(const MessageSpec& spec) {
    Record({KindOf(spec.icon), spec.caption, spec.text, ButtonNames(spec.buttons)});
    const auto answer = NextAnswer();
    if (!answer) return DefaultResult(spec);
    const auto names = ButtonNames(spec.buttons);
    const auto results = ButtonResults(spec.buttons);
    for (std::size_t i = 0; i < names.size(); ++i)
        if (SameText(names[i], *answer)) return results[i];
    std::cerr << "scripted answer \"" << *answer << "\" is no button of \"" << spec.caption
              << "\"; the default button is taken\n";
    return DefaultResult(spec);
}

std::unique_ptr<Notice> ScriptedUi::ShowNotice(const MessageSpec& spec) {
    Record({"notice", spec.caption, spec.text, {}});
    return std::make_unique<ScriptedNotice>();
}

std::optional<std::string> ScriptedUi::PathDialog(const std::string& kind, const std::string& caption,
                                                  const std::string& text) {
    Record({kind, caption, text, {}});
    auto answer = NextAnswer();
    if (!answer || SameText(*answer, "cancel")) return std::nullopt;
    return answer;
}

std::optional<std::string> ScriptedUi::OpenFile(const FileSpec& spec) {
    return PathDialog("open", spec.title, spec.fileName);
}

std::optional<std::string> ScriptedUi::SaveFile(const FileSpec& spec) {
    return PathDialog("save", spec.title, spec.fileName);
}

std::optional<std::string> ScriptedUi::BrowseFolder(const std::string& title, const std::string& initialDir) {
    return PathDialog("folder", title, initialDir);
}

std::optional<ScriptedPrint> ParsePrintAnswer(const std::string& Answer) {
    const std::size_t blank = Answer.find(' ');
    const std::string pages = Answer.substr(0, blank);
    ScriptedPrint p;
    if (blank != std::string::npos) p.target = Answer.substr(blank + 1);
    if (SameText(pages, "all")) {
        p.choice.range = PrintChoice::AllPages;
    } else if (SameText(pages, "current")) {
        p.choice.range = PrintChoice::CurrentPage;
    } else {
        const std::size_t dash = pages.find('-');
        if (dash == std::string::npos || dash == 0 || dash + 1 == pages.size()) return std::nullopt;
        const int32_t from = StrToIntDef(pages.substr(0, dash), -1);
        const int32_t to = StrToIntDef(pages.substr(dash + 1), -1);
        if (from < 0 || to < 0) return std::nullopt;
        p.choice = {PrintChoice::PageRange, from, to};
    }
    return p;
}

std::optional<PrintChoice> ScriptedUi::PrintOptions(QPrinter& Printer, const PrintSpec& Spec) {
    Record({"print", Spec.title, "1-" + std::to_string(Spec.pageCount), {}});
    const auto answer = NextAnswer();
    if (!answer || SameText(*answer, "cancel")) return std::nullopt;
    const auto parsed = ParsePrintAnswer(*answer);
    if (!parsed) {
        std::cerr << "scripted answer \"" << *answer << "\" names no pages to print; the dialog is cancelled\n";
        return std::nullopt;
    }
    const std::string& target = parsed->target;
    if (target.rfind("printer:", 0) == 0) {
        Printer.setOutputFormat(QPrinter::NativeFormat);
        Printer.setPrinterName(QString::fromStdString(target.substr(8)));
    } else if (!target.empty()) {
        Printer.setOutputFormat(QPrinter::PdfFormat);
        Printer.setOutputFileName(QString::fromStdString(target));
    }
    return parsed->choice;
}

void ScriptedUi::SetWaitCursor(bool on) {
    std::lock_guard<std::mutex> l(lock_);
    waitCursor_ += on ? 1 : -1;
}

bool ScriptedUi::WaitCursor() const {
    std::lock_guard<std::mutex> l(lock_);
    return waitCursor_ > 0;
}

std::unique_ptr<UserInterface> FromEnvironment() {
    const char* log = std::getenv("PELLOW_UI_LOG");
    const char* answers = std::getenv("PELLOW_UI_ANSWERS");
    if ((log && *log) || (answers && *answers)) {
        std::deque<std::string> queue;
        if (answers && *answers) {
            std::ifstream in(answers);
            for (std::string line; std::getline(in, line);) {
                if (!line.empty() && line.back() == '\r') line.pop_back();
                queue.push_back(line);
            }
        }
        return std::make_unique<ScriptedUi>(std::move(queue), log ? log : "");
    }
    return MakeQtUi();
}

namespace {
std::mutex g_uiLock;
std::unique_ptr<UserInterface>& Slot() {
    static std::unique_ptr<UserInterface> current;
    return current;
}
}  // namespace

UserInterface& Current() {
    std::lock_guard<std::mutex> l(g_uiLock);
    auto& s = Slot();
    if (!s) s = FromEnvironment();
    return *s;
}

std::unique_ptr<UserInterface> Install(std::unique_ptr<UserInterface> next) {
    std::lock_guard<std::mutex> l(g_uiLock);
    auto old = std::move(Slot());
    Slot() = std::move(next);
    return old;
}

int MessageBox(const MessageSpec& spec) { return Current().MessageBox(spec); }
std::unique_ptr<Notice> ShowNotice(const MessageSpec& spec) { return Current().ShowNotice(spec); }
std::optional<std::string> OpenFile(const FileSpec& spec) { return Current().OpenFile(spec); }
std::optional<std::string> SaveFile(const FileSpec& spec) { return Current().SaveFile(spec); }
std::optional<std::string> BrowseFolder(const std::string& title, const std::string& initialDir) {
    return Current().BrowseFolder(title, initialDir);
}
std::optional<PrintChoice> PrintOptions(QPrinter& Printer, const PrintSpec& Spec) {
    return Current().PrintOptions(Printer, Spec);
}
void SetWaitCursor(bool on) { Current().SetWaitCursor(on); }

}  // namespace ui
