#pragma once
// The one door to the user: every message box, wait notice, file or folder
// dialog and wait cursor goes through the installed UserInterface. The real
// one shows Qt dialogs; the scripted one records each prompt and answers from
// a queue, for tests and for whole-program runs without a person
// (PELLOW_UI_LOG, PELLOW_UI_ANSWERS).
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class QPrinter;

namespace ui {

enum Buttons { MbOk, MbOkCancel, MbAbortRetryIgnore, MbYesNoCancel, MbYesNo, MbRetryCancel };
enum Icon { IconNone, IconError, IconQuestion, IconWarning, IconInformation };
// Results keep the usual dialog IDs, which callers compare with.
enum Result { IdNone = 0, IdOk = 1, IdCancel = 2, IdAbort = 3, IdRetry = 4, IdIgnore = 5, IdYes = 6, IdNo = 7 };

struct MessageSpec {
    std::string text;
    std::string caption;
    Buttons buttons = MbOk;
    Icon icon = IconNone;
    int defaultButton = 0;  // index into the buttons, 0 = the first
};

struct FileSpec {
    std::string title;
    std::string filter;  // "Description|*.ext|Other|*.*"
    std::string defaultExt;
    std::string initialDir;
    std::string fileName;
};

// A print dialog over the pages 1 to PageCount of a document.
struct PrintSpec {
    std::string title;
    int32_t pageCount = 1;
};

// The pages the user chose to print; the printer itself (a device, or a PDF
// file) the dialog has set up on the printer it was given.
struct PrintChoice {
    enum Range { AllPages = 0, PageRange = 1, CurrentPage = 2 };
    Range range = AllPages;
    int32_t fromPage = 1;
    int32_t toPage = 1;
};

// One prompt as it was put to the user.
struct Prompt {
    std::string kind;  // error, question, warning, information, message, notice, open, save, folder
    std::string caption;
    std::string text;
    std::vector<std::string> buttons;
};

// A wait notice that stays on screen until it is destroyed.
class Notice {
public:
    virtual ~Notice() = default;
};

class UserInterface {
public:
    virtual ~UserInterface() = default;
    virtual int MessageBox(const MessageSpec& spec) = 0;
    virtual std::unique_ptr<Notice> ShowNotice(const MessageSpec& spec) = 0;
    virtual std::optional<std::string> OpenFile(const FileSpec& spec) = 0;
    virtual std::optional<std::string> SaveFile(const FileSpec& spec) = 0;
    virtual std::optional<std::string> BrowseFolder(const std::string& title, const std::string& initialDir) = 0;
    // Sets up Printer as the user chooses; nothing when the dialog is cancelled.
    virtual std::optional<PrintChoice> PrintOptions(QPrinter& Printer, const PrintSpec& Spec) = 0;
    virtual void SetWaitCursor(bool on) = 0;
};

// The buttons of a box by name ("OK", "Cancel", "Abort", "Retry", "Ignore", "Yes", "No") and their results.
std::vector<std::string> ButtonNames(Buttons buttons);
std::vector<int> ButtonResults(Buttons buttons);
std::string KindOf(Icon icon);

// A scripted answer to a print dialog: the pages, and where to print ("" the
// printer as it was set up, a path a PDF file, "printer:<name>" that printer);
// nothing when the answer names no pages.
struct ScriptedPrint {
    PrintChoice choice;
    std::string target;
};
std::optional<ScriptedPrint> ParsePrintAnswer(const std::string& Answer);

// Records prompts and answers them in order from a queue; with the queue
// empty, a box answers its default button and a dialog is cancelled. With a
// log path, each prompt is appended as kind TAB caption TAB text (line
// breaks as \n). A print dialog ("print", its text the pages "1-n") takes
// an answer "all", "current" or "<from>-<to>", optionally followed by a blank
// and where to print: a file path gets a PDF file, "printer:<name>" that
// printer; "cancel" cancels it.
class ScriptedUi : public UserInterface {
public:
    explicit ScriptedUi(std::deque<std::string> answers = {}, std::string logPath = {});
    void Answer(const std::string& answer);
    std::vector<Prompt> Prompts() const;
    void ClearPrompts();

    int MessageBox(const MessageSpec& spec) override;
    std::unique_ptr<Notice> ShowNotice(const MessageSpec& spec) override;
    std::optional<std::string> OpenFile(const FileSpec& spec) override;
    std::optional<std::string> SaveFile(const FileSpec& spec) override;
    std::optional<std::string> BrowseFolder(const std::string& title, const std::string& initialDir) override;
    std::optional<PrintChoice> PrintOptions(QPrinter& Printer, const PrintSpec& Spec) override;
    void SetWaitCursor(bool on) override;
    bool WaitCursor() const;

private:
    void Record(const Prompt& p);
    std::optional<std::string> NextAnswer();
    std::optional<std::string> PathDialog(const std::string& kind, const std::string& caption,
                                          const std::string& text);

    mutable std::mutex lock_;
    std::deque<std::string> answers_;
    std::vector<Prompt> prompts_;
    std::string logPath_;
    int waitCursor_ = 0;
};

// The Qt dialogs.
std::unique_ptr<UserInterface> MakeQtUi();
// The scripted interface when PELLOW_UI_LOG or PELLOW_UI_ANSWERS is set, else the Qt one.
std::unique_ptr<UserInterface> FromEnvironment();

// The installed interface; FromEnvironment() until something else is installed.
UserInterface& Current();
// Installs a new interface and hands back the old one.
std::unique_ptr<UserInterface> Install(std::unique_ptr<UserInterface> next);

int MessageBox(const MessageSpec& spec);
std::unique_ptr<Notice> ShowNotice(const MessageSpec& spec);
std::optional<std::string> OpenFile(const FileSpec& spec);
std::optional<std::string> SaveFile(const FileSpec& spec);
std::optional<std::string> BrowseFolder(const std::string& title, const std::string& initialDir);
std::optional<PrintChoice> PrintOptions(QPrinter& Printer, const PrintSpec& Spec);
void SetWaitCursor(bool on);

// Holds the wait cursor for a scope.
class WaitCursor {
public:
    WaitCursor() { SetWaitCursor(true); }
    ~WaitCursor() { SetWaitCursor(false); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace ui
