// Reload and the message list of the main window.
#include <QHeaderView>
#include <QTreeWidget>
#include <map>
#include <memory>
#include <vector>

#include "mainapp/Main.h"
#include "mainapp/MainBusy.h"
#include "mainapp/MainPictures.h"
#include "mainapp/MainRules.h"
#include "modem/CommClass.h"
#include "modem/Modem.h"
#include "modem/Modem_3com.h"
#include "modem/Modem_Elsa.h"
#include "platform/StrUtils.h"
#include "platform/Ui.h"
#include "support/Language.h"
#include "support/QelStatusBar.h"
#include "support/RegSave.h"

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The channel's named speeds, in the order of the rate table.
TBaudRate NamedBaudRate(int32_t Rate) {
    static constexpr std::pair<int32_t, TBaudRate> kRates[] = {
        {110, br110},     {300, br300},     {600, br600},       {1200, br1200},     {2400, br2400},
        {4800, br4800},   {9600, br9600},   {14400, br14400},   {19200, br19200},   {38400, br38400},
        {56000, br56000}, {57600, br57600}, {115200, br115200}, {128000, br128000}, {256000, br256000}};
    for (const auto& [rate, named] : kRates)
        if (rate == Rate) return named;
    return br57600;
}

}  // namespace

TFormMain::DetectFunction& TFormMain::DetectHook() {
    static DetectFunction detect = [](TCommClass& Comm, int32_t Port, std::string& Result) {
        Comm.DetectModem(Port, Result);
    };
    return detect;
}

TFormMain::ModemFactory& TFormMain::ModemFactoryHook() {
    static ModemFactory make = [](const std::string& Detected, TCommClass* Comm) -> TModemClass* {
        if (Detected == "3comMsgPlus") return new TModem3comClass(Comm);
        if (Detected == "ElsaMLOffice") return new TModemElsaClass(Comm);
        return nullptr;
    };
    return make;
}

void TFormMain::ToolButtonReloadClick(QObject* /*Sender*/) {
    TBusy busy(*this);
    SetStatusText(Lang->MainStatusLoadingModemInfos);
    Hourglass(true);
    Busy = true;
    UpdateControls();
    // A modem whose port went away while nothing was asked of it shows so here.
    if (ModemConnected && CommObject && CommObject->CheckLink()) ModemConnected = false;
    if (NeedOpenPort) OpenChannel();
    else if (!ModemConnected) ReopenChannel();
    UpdateControls();
    if (ModemConnected) ShowModemState();
    busy.End();
}

// The modem's port went away under an earlier operation. The same name may
// lead to it again: plugged in again, it has started afresh (its echo on), so
// it gets the detection's init first. When the name leads to no modem, the
// modem is searched for anew, as at the start.
void TFormMain::ReopenChannel() {
    ModemConnected = true;
    if (CommObject->SendInitString()) return;
    SetAnimation(ImageListModemSearch);
    DetectAndCreateModem();
}

void TFormMain::OpenChannel() {
    auto* comm = new TCommClass(this);
    comm->setObjectName("CommObject");
    comm->SetBaudRate(br57600);
    comm->SetBaudRateValue(57600);
    comm->SetCheckLineStatus(false);
    comm->SetDataBits(db8BITS);
    comm->SetEnableDTROnOpen(true);
    comm->SetHwFlow(hfNONERTSON);
    comm->SetInBufSize(2048);
    comm->SetInputTimeout(200);
    comm->SetOutBufSize(2048);
    comm->SetOutputTimeout(500);
    comm->SetPacketMode(pmDiscard);
    comm->SetPacketSize(-1);
    comm->SetPacketTimeout(-1);
    comm->SetParity(ptNONE);
    comm->SetPollingDelay(50);
    comm->SetStopBits(sb1BITS);
    const int32_t rate = RegReadInteger("BaudRate", PellowKey, 57600);
    if (mainrules::IsNamedBaudRate(rate)) comm->SetBaudRate(NamedBaudRate(rate));
    CommObject = comm;

    SetAnimation(ImageListModemSearch);
    ModemConnected = true;
    NeedOpenPort = false;
    DetectAndCreateModem();
}

void TFormMain::DetectAndCreateModem() {
    std::string result;
    DetectHook()(*CommObject, PellowOptions.CommPort, result);
    TModemClass* modem = nullptr;
    if (result == "3comMsgPlus" || result == "ElsaMLOffice") modem = FamilyObject(result);
    if (modem) {
        ModemObject = modem;
        PellowOptions.CommPort = CommObject->GetPortNumber();
        ModemReady = true;
        return;
    }
    if (result == "unkown") SetStatusText(Lang->MainStatusModemNotSupported);
    else if (result == "Modem already in use") SetStatusText(Lang->MainStatusModemInUse);
    else SetStatusText(Lang->MainStatusNoModemFound);
    StatusBar->Panels().Items(0)->SetEnabled(false);
    SetAnimation(ImageListModemNotConnected);
    Hourglass(false);
    ModemConnected = false;
    NeedOpenPort = true;
}

namespace {

// The family each modem object was made for, so that the modem found again
// after its port went away is served on by the object that served it.
std::map<const TModemClass*, std::string>& Families() {
    static std::map<const TModemClass*, std::string> families;
    return families;
}

// Objects that a modem of another family has replaced. Nothing frees a modem
// object before the process ends; these stay reachable until then.
std::vector<TModemClass*>& Replaced() {
    static std::vector<TModemClass*> replaced;
    return replaced;
}

}  // namespace

TModemClass* TFormMain::FamilyObject(const std::string& Detected) {
    if (ModemObject && ModemReady) {
        const auto known = Families().find(ModemObject);
        if (known != Families().end() && known->second == Detected) {
            ModemObject->Comm = CommObject;
            return ModemObject;
        }
    }
    TModemClass* modem = ModemFactoryHook()(Detected, CommObject);
    if (!modem) return nullptr;
    Families()[modem] = Detected;
    if (ModemObject && ModemObject != modem) Replaced().push_back(ModemObject);
    return modem;
}

void TFormMain::ShowModemState() {
    ModemObject->Refresh();
    const int32_t free = ModemObject->GetFreeMemory();
    const int position = mainrules::GaugePosition(free);
    TQelStatusPanel* gauge = StatusBar->Panels().Items(0);
    gauge->GaugeAttrs().SetPosition(position);
    gauge->SetText(IntToStr(free) + Lang->MainGaugePercentFreeSuffix);
    const uint32_t rgb = mainrules::GaugeColor(position);
    gauge->GaugeAttrs().SetColor(QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF));
    if (AutostartMode && PellowOptions.AutoExit && !ModemObject->HasNewMsgs()) {
        EndProcess(0);
        return;
    }

    ExtListView1->clear();
    SetAnimation(ImageListModemDownload);
    const int32_t count = ModemObject->GetMsgCount();
    for (int32_t n = 1; n <= count; ++n) AddMessageItem(n);
    ClearStatusText();
    if (ModemObject->HasNewMsgs()) {
        SetAnimation(ImageListModemBlink);
        SetStatusText(mainrules::NewMessagesText(ModemObject->GetNewMsgCount(), Lang->MainMsgNewMessageSuffix,
                                                 Lang->MainMsgNewMessagesSuffix));
    } else {
        SetAnimation(ImageListModemStill);
    }
    if (ExtListView1->topLevelItemCount() > 0) {
        ExtListView1->setCurrentItem(ExtListView1->topLevelItem(0));
        ExtListView1->topLevelItem(0)->setSelected(true);
    }
    ExtListView1->viewport()->update();
    Hourglass(false);
    RunAutostartSteps();
}

void TFormMain::RunAutostartSteps() {
    if (!AutostartMode) return;
    if (!AutoPlayDone && PellowOptions.AutoPlayNewVoice) {
        show();
        ToolButtonPlayClickNew();
        AutoPlayDone = true;
    }
    if (!AutoSaveDone && PellowOptions.AutoSaveNewFax) {
        show();
        SaveAllNewFax();
        AutoSaveDone = true;
    }
}

void TFormMain::AddMessageItem(int32_t N) {
    // The row is the list's once it is added; a modem failure on the way leaves none.
    auto item = std::make_unique<QTreeWidgetItem>();
    for (int p = 0; p < 4; ++p) {
        std::string text;
        int image = -1;
        switch (LogicalColumnAt(p)) {
            case 0: {
                const int key = mainrules::TypeKey(ModemObject->GetMsgType(N), ModemObject->GetMsgStatus(N),
                                                   ModemObject->GetMsgState(N));
                const mainrules::TypeCell cell = mainrules::TypeCellOf(key);
                image = cell.ImageIndex;
                if (PellowOptions.TypeShowText) text = cell.Text;
                break;
            }
            case 1:
                ModemObject->GetMsgCallerId(N, text);
                text = mainrules::CallerIdCellText(text);
                break;
            case 2: text = mainrules::DateCellText(ModemObject->GetMsgDateTime(N)); break;
            case 3: ModemObject->GetMsgSize(N, text); break;
            default: break;
        }
        item->setText(p, Q(text));
        item->setData(p, Qt::UserRole, image);
        if (image >= 0) item->setIcon(p, QIcon(ImageListListView->Image(image)));
    }
    ExtListView1->addTopLevelItem(item.release());
}
