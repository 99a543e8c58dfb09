// The operations of the main window on the listed messages.
#include <QToolButton>
#include <QTreeWidget>
#include <algorithm>
#include <functional>
#include <vector>

#include "mainapp/Main.h"
#include "mainapp/MainBusy.h"
#include "mainapp/MainPictures.h"
#include "mainapp/MainRules.h"
#include "mainapp/PellowSettings.h"
#include "modem/Modem.h"
#include "platform/App.h"
#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/Shell.h"
#include "platform/Ui.h"
#include "platform/UserDirs.h"
#include "support/AboutPellow.h"
#include "support/Language.h"
#include "support/RegSave.h"

namespace {

int Box(const std::string& Text, const std::string& Caption, ui::Buttons Buttons = ui::MbOk,
        ui::Icon Icon = ui::IconNone) {
    ui::MessageSpec spec;
    spec.text = Text;
    spec.caption = Caption;
    spec.buttons = Buttons;
    spec.icon = Icon;
    return ui::MessageBox(spec);
}

// Which of the rows 1 to Rows an operation on the new messages acts on, all
// chosen before it acts on the first: reading a message can change what the
// modem calls new (a 3Com modem marks read every message whose header lies in
// a memory page it sends), and a new message asked about after that would be
// left out without a word.
std::vector<bool> ChooseRows(int Rows, const std::function<bool(int32_t)>& Wanted) {
    std::vector<bool> chosen;
    chosen.reserve(static_cast<std::size_t>(std::max(Rows, 0)));
    for (int32_t i = 1; i <= Rows; ++i) chosen.push_back(Wanted(i));
    return chosen;
}

}  // namespace

void TFormMain::Hourglass(bool On) {
    if (On == hourglass_) return;
    hourglass_ = On;
    ui::SetWaitCursor(On);
}

void TFormMain::ShowNewOrStill() {
    SetAnimation(ModemObject && ModemReady && ModemObject->HasNewMsgs() ? ImageListModemBlink
                                                                         : ImageListModemStill);
}

std::vector<int> TFormMain::SelectedRows() const {
    std::vector<int> rows;
    for (int i = 0; i < ExtListView1->topLevelItemCount(); ++i)
        if (ExtListView1->topLevelItem(i)->isSelected()) rows.push_back(i);
    return rows;
}

// ---------------------------------------------------------- play or view

void TFormMain::ToolButtonPlayClick() {
    TBusy busy(*this);
    busy.Begin();
    const std::vector<int> rows = SelectedRows();
    if (!rows.empty() && ModemObject->GetMsgCount() > 0) {
        for (int row : rows) PlayView(row + 1);
        ShowNewOrStill();
    }
    busy.End();
}

void TFormMain::PlayView(int32_t N) {
    if (ModemObject->GetMsgType(N) == MsgTypeVoice) {
        SetAnimation(ImageListModemPlay);
        SetStatusText(Lang->MainStatusPlayingMessage);
        Hourglass(true);
        ModemObject->PlayMsg(N);
        Hourglass(false);
    } else {
        TransferRunning = true;
        TransferStart = Now();
        SetAnimation(ImageListModemDownload);
        SetStatusText(Lang->MainStatusLoadingFax);
        Hourglass(true);
        if (ModemObject->GetMsgCount() > 0 && ModemObject->GetMsgType(N) == MsgTypeFax) {
            const std::string fax = TempFaxFileName();
            ModemObject->SaveFaxMsg(N, fax, "");
            StartViewer(fax);
        }
        Hourglass(false);
        TransferRunning = false;
    }
    ClearStatusText();
}

std::string TFormMain::TempFaxFileName() {
    const std::string unique = files::TempFileName(files::TempPath(), "TMP");
    // Without a unique name there is no file the viewer could own.
    if (unique.empty()) throw EInOutError("Could not create a temporary file in " + files::TempPath());
    files::DeleteFile(unique);
    return mainrules::ViewerFileName(unique);
}

void TFormMain::StartViewer(const std::string& FaxFile) {
    const std::string parameters = mainrules::ViewerParameters(FaxFile);
    std::string program = shell::SiblingProgram("leafor.exe");
    int answer = shell::Execute(program, parameters, "");
    for (const char* outside : {"WANGIMG.EXE", "KODAKIMG.EXE"}) {
        if (answer != shell::ErrFileNotFound) break;
        program = outside;
        answer = shell::Execute(program, parameters, "");
    }
    if (answer <= 32) {
        // No viewer owns the file: it would stay in the temporary folder for good.
        files::DeleteFile(FaxFile);
        Box(mainrules::ViewerErrorText(program, answer), app::Title(), ui::MbOk, ui::IconError);
    }
}

// --------------------------------------------------------------- save as

void TFormMain::MenuFileSaveAsClick() {
    TBusy busy(*this);
    busy.Begin();
    const std::vector<int> rows = SelectedRows();
    if (rows.empty() || ModemObject->GetMsgCount() == 0) {
        busy.End();
        return;
    }
    const int32_t n = rows.front() + 1;
    if (ModemObject->GetMsgType(n) == MsgTypeVoice) {
        SetStatusText(Lang->MainStatusPlayingMessage);
        Hourglass(true);
        Box("Saving voice messages to a file is not implemented!", app::Title(), ui::MbOk, ui::IconInformation);
        Hourglass(false);
        ClearStatusText();
    } else {
        ui::FileSpec dialog;
        dialog.defaultExt = "tif";
        dialog.filter = "All Tiff|*.tif|All|*.*";
        RegReadString("SaveFaxPath", PellowKey, userdirs::DesktopFolder(), dialog.initialDir);
        const auto chosen = ui::SaveFile(dialog);
        if (!chosen) {
            busy.End();
            return;
        }
        TransferRunning = true;
        TransferStart = Now();
        RegWriteString(mainrules::FolderOfFile(*chosen), "SaveFaxPath", PellowKey);
        SetAnimation(ImageListModemDownload);
        SetStatusText(Lang->MainStatusLoadingFax);
        Hourglass(true);
        if (ModemObject->GetMsgType(n) == MsgTypeFax) ModemObject->SaveFaxMsg(n, *chosen, "");
        Hourglass(false);
    }
    ShowNewOrStill();
    TransferRunning = false;
    ClearStatusText();
    busy.End();
}

// ------------------------------------------------------ save all new faxes

void TFormMain::SaveAllNewFax() {
    TBusy busy(*this);
    busy.Begin();
    SetStatusText(Lang->MainStatusSavingAllNewFaxes);
    Hourglass(true);
    if (ModemObject->GetMsgCount() > 0) {
        const int rows = ExtListView1->topLevelItemCount();
        const std::vector<bool> save = ChooseRows(rows, [](int32_t i) {
            return ModemObject->IsMsgNew(i) && ModemObject->GetMsgType(i) == MsgTypeFax &&
                   ModemObject->GetMsgStatus(i) == MsgStatusOk;
        });
        for (int32_t i = 1; i <= rows; ++i) {
            QTreeWidgetItem* item = ExtListView1->topLevelItem(i - 1);
            item->setSelected(true);
            ExtListView1->repaint();
            if (save[static_cast<std::size_t>(i - 1)]) {
                const std::string name =
                    mainrules::AutoSaveFaxName(PellowOptions.FaxAutoSaveDir, ModemObject->GetMsgDateTime(i), Now());
                TransferRunning = true;
                TransferStart = Now();
                ModemObject->SaveFaxMsg(i, name, "");
                TransferRunning = false;
            }
            item->setSelected(false);
            ExtListView1->repaint();
        }
    }
    Hourglass(false);
    ClearStatusText();
    busy.End();
}

// ---------------------------------------------------- release, play new

void TFormMain::ToolButtonReleaseClick() {
    TBusy busy(*this);
    busy.Begin();
    SetStatusText(Lang->MainStatusReleasingAll);
    SetAnimation(ImageListModemDownload);
    Hourglass(true);
    ModemObject->ReleaseNewMsgs();
    ClearStatusText();
    ToolButtonReloadClick(this);
    Hourglass(false);
    repaint();
    busy.End();
}

void TFormMain::ToolButtonPlayClickNew() {
    TBusy busy(*this);
    busy.Begin();
    SetStatusText(Lang->MainStatusPlayingAllNew);
    Hourglass(true);
    if (ModemObject->GetMsgCount() > 0) {
        const int rows = ExtListView1->topLevelItemCount();
        const std::vector<bool> play = ChooseRows(
            rows, [](int32_t i) { return ModemObject->IsMsgNew(i) && ModemObject->GetMsgType(i) == MsgTypeVoice; });
        for (int row = 0; row < rows; ++row) {
            QTreeWidgetItem* item = ExtListView1->topLevelItem(row);
            item->setSelected(true);
            ExtListView1->repaint();
            if (play[static_cast<std::size_t>(row)]) ModemObject->PlayMsg(row + 1);
            item->setSelected(false);
            ExtListView1->repaint();
        }
    }
    Hourglass(false);
    ClearStatusText();
    busy.End();
}

// ------------------------------------------------------------------ erase

void TFormMain::ToolButtonEraseClick() {
    TBusy busy(*this);
    busy.Begin();
    const std::vector<int> rows = SelectedRows();
    const bool single = ModemObject->CanEraseSingle();
    std::string question;
    if (!single) {
        question = Lang->MainMsgEraseAll;
    } else if (rows.size() == 1) {
        question = Lang->MainMsgEraseOne;
    } else if (rows.empty()) {
        Box(Lang->MainMsgEraseNoneSelected, app::Title(), ui::MbOk, ui::IconInformation);
        busy.End();
        return;
    } else {
        question = mainrules::WithCount(Lang->MainMsgEraseMany, static_cast<uint32_t>(rows.size()));
    }
    if (Box(question, "Confirm", ui::MbOkCancel, ui::IconQuestion) == ui::IdOk) {
        SetAnimation(ImageListModemUpload);
        SetStatusText(Lang->MainStatusErasingMessages);
        Hourglass(true);
        if (single) {
            for (int row : rows) ModemObject->EraseMsg(row + 1);
        } else {
            ModemObject->EraseAllMsgs();
        }
        ToolButtonReloadClick(this);
        Hourglass(false);
        ClearStatusText();
    }
    busy.End();
}

// ---------------------------------------------------------------- dialogs

void TFormMain::ShowDialogBusy(const std::string& Status, const std::function<void()>& Show) {
    TBusy busy(*this);
    busy.Begin();
    SetStatusText(Status);
    Show();
    ClearStatusText();
    busy.End();
}

void TFormMain::ToolButtonModemSettingsClick() {
    ShowDialogBusy(Lang->MainStatusShowingSettings, [] { ModemObject->ShowSettings(); });
}

void TFormMain::ToolButtonAboutClick() {
    ShowDialogBusy(Lang->MainStatusShowingInfo, [] { ModemObject->ShowInfo(); });
}

void TFormMain::MenuHelpAboutPellowClick() {
    ShowDialogBusy(Lang->MainStatusShowingInfo, [this] {
        if (!FormAboutPellow) FormAboutPellow = new TFormAboutPellow(this);
        FormAboutPellow->exec();
    });
}

void TFormMain::MenuSettingsPellowClick() {
    if (!FormPellowSettings) FormPellowSettings = new TFormPellowSettings(this);
    FormPellowSettings->ShowModal();
}

// ----------------------------------------------------- list mouse and keys

void TFormMain::ExtListView1DblClick() {
    // Inputs of the list act only where their buttons would.
    if (!ToolButtonPlay->isEnabled()) return;
    ToolButtonPlayClick();
    ToolButtonReloadClick(this);
}

bool TFormMain::ExtListView1KeyDown(int Key) {
    if (Key == Qt::Key_Return || Key == Qt::Key_Enter) {
        if (ToolButtonPlay->isEnabled()) ToolButtonPlayClick();
        return true;
    }
    if (Key == Qt::Key_Delete) {
        if (ToolButtonErase->isEnabled()) ToolButtonEraseClick();
        return true;
    }
    return false;
}
