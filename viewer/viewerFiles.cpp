// The viewer window's file operations and the temporary-file rule.
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/UserDirs.h"
#include "support/AboutPellow.h"
#include "support/RegSave.h"
#include "viewer/Imaging.h"
#include "viewer/ViewerRules.h"
#include "viewer/viewer.h"

namespace leafor {

namespace {

// "c:\windows\desktop" stands for the user's desktop folder.
std::string FaxPath(const char* Name) {
    std::string folder;
    RegReadString(Name, PellowKey, userdirs::DesktopFolder(), folder);
    return folder;
}

// Runs a guarded step: a failure, a cancelled dialog included, ends the
// operation with nothing changed and no message.
template <typename F>
bool Tried(F&& Step) {
    try {
        Step();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace

void TFormMain::ReleaseTemporaryFile(const std::string& Keep) {
    const std::string shown = ImgEdit1->Image();
    // The file the user has just chosen or written is never taken away,
    // even when it is the temporary file itself.
    if (FaxIsTemporary && !(Keep.empty() ? false : (Keep == shown || files::SameFile(Keep, shown))))
        files::DeleteFile(shown);
    FaxIsTemporary = false;
}

void TFormMain::ToolButtonOpenClick() {
    // The shown path stays in the display control until the chosen file is shown.
    if (!Tried([this] {
            ImgAdmin1->SetInitDir(FaxPath("OpenFaxPath"));
            ImgAdmin1->AskFileName(0, -1);
        }))
        return;
    const std::string chosen = ImgAdmin1->Image();
    RegWriteString(files::FolderOfFile(chosen), "OpenFaxPath", PellowKey);
    ReleaseTemporaryFile(chosen);
    ShowFile();
}

void TFormMain::ToolButtonSaveAsClick() { SaveFile(true); }

void TFormMain::MenuFileSavePageClick() { SaveFile(false); }

void TFormMain::SaveFile(bool WholeFile) {
    ImgAdmin1->SetInitDir(FaxPath("SaveFaxPath"));
    ImgAdmin1->SetImage("");
    if (!Tried([this] { ImgAdmin1->AskFileName(1, -1); })) return;
    const std::string chosen = ImgAdmin1->Image();
    RegWriteString(files::FolderOfFile(chosen), "SaveFaxPath", PellowKey);
    if (WholeFile) ImgEdit1->WriteImageFile(chosen, 1, 1, 2, 2, false);
    else ImgEdit1->WritePageFile(chosen, 1, 1, 2, 2, false, 1);
    // Released before the shown path changes, as it names the temporary file.
    ReleaseTemporaryFile(chosen);
    ImgEdit1->SetImage(chosen);
}

void TFormMain::ToolButtonPrintClick() {
    ImgAdmin1->SetImage(ImgEdit1->Image());
    if (!Tried([this] { ImgAdmin1->AskPrintOptions(); })) return;
    const viewerrules::TPageRange range =
        viewerrules::PrintRange(ImgAdmin1->PrintRangeOption(), ImgAdmin1->PrintStartPage(),
                                ImgAdmin1->PrintEndPage(), ImgEdit1->Page(), ImgEdit1->PageCount());
    ImgEdit1->PrintPages(range.first, range.last, 2);
}

void TFormMain::MenuFileExitClick() { process::Halt(0); }

void TFormMain::MenuHelpAboutClick() {
    if (FormAboutPellow) FormAboutPellow->exec();
}

void TFormMain::MenuHelpAboutImagingClick() { ImgEdit1->ShowAboutBox(); }

}  // namespace leafor
