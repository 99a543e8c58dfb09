#include "mainapp/InfoForm.h"

#include <QEvent>
#include <QFont>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QShowEvent>
#include <QTabWidget>
#include <QVBoxLayout>

#include "mainapp/DialogKit.h"
#include "mainapp/Globals.h"
#include "modem/CommClass.h"
#include "modem/ModemDialogs.h"
#include "platform/StrUtils.h"
#include "support/WndProp.h"

using dialogkit::Named;

int CentredLeft(int PanelWidth, int Width) {
    const long long twice = static_cast<long long>(PanelWidth) - Width;
    long long half = twice / 2;
    if (twice % 2 != 0) {
        // Between half and its neighbour away from zero lies the exact half.
        const long long other = twice > 0 ? half + 1 : half - 1;
        half = half % 2 == 0 ? half : other;
    }
    return static_cast<int>(half);
}

TInfoForm::TInfoForm(QWidget* Owner, const char* Name, const char* Key) : TModemForm(Owner), key_(Key) {
    WndPropInfoForm = dialogkit::MakePlacement(this, (std::string("WndProp") + Name).c_str());
    setObjectName(QString::fromLatin1(Name));
    setWindowTitle("Info");

    PageControl1 = Named(new QTabWidget(this), "PageControl1");
    // Every page's tab shows whole, the form grows to hold them.
    PageControl1->setUsesScrollButtons(false);
    PageControl1->setElideMode(Qt::ElideNone);
    TabSheetGeneral = Named(new QWidget, "TabSheetGeneral");
    PageControl1->addTab(TabSheetGeneral, "General");
    ScrollBoxGeneral = Named(new QScrollArea(TabSheetGeneral), "ScrollBoxGeneral");
    ScrollBoxGeneral->setWidgetResizable(true);
    ScrollBoxGeneral->setFrameShape(QFrame::NoFrame);
    auto* box = new QWidget;
    auto label = [box](const char* name, const char* text) {
        auto* l = Named(new QLabel(text, box), name);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return l;
    };
    LabelModem = label("LabelModem", "Modem:");
    LabelVersion = label("LabelVersion", "Version:");
    LabelComPort = label("LabelComPort", "COM-Port:");
    ModemId = label("ModemId", "modem");
    LabelModemVersion = label("LabelModemVersion", "version");
    LabelPort = label("LabelPort", "port");
    for (QLabel* l : {ModemId, LabelModemVersion, LabelPort}) l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* grid = new QGridLayout(box);
    grid->addWidget(LabelModem, 0, 0);
    grid->addWidget(ModemId, 0, 1);
    grid->addWidget(LabelVersion, 1, 0);
    grid->addWidget(LabelModemVersion, 1, 1);
    grid->addWidget(LabelComPort, 2, 0);
    grid->addWidget(LabelPort, 2, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(3, 1);
    ScrollBoxGeneral->setWidget(box);
    (new QVBoxLayout(TabSheetGeneral))->addWidget(ScrollBoxGeneral);

    PanelOK = Named(new QWidget(this), "PanelOK");
    ButtonOK = Named(new QPushButton("&OK", PanelOK), "ButtonOK");
    ButtonOK->setDefault(true);
    ButtonOK->resize(ButtonOK->sizeHint().expandedTo(QSize(75, 0)));
    PanelOK->setFixedHeight(ButtonOK->height() + 12);
    PanelOK->setMinimumWidth(ButtonOK->width());
    PanelOK->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1, 1);
    layout->addWidget(PanelOK);
    SetAlign(PageControl1, TAlign::alClient);
    SetAlign(PanelOK, TAlign::alBottom);
    resize(360, 260);
    connect(ButtonOK, &QPushButton::clicked, this, [this] { done(mrOk); });
    FormCreate();
}

void TInfoForm::FormCreate() { WndPropInfoForm->SetKey(std::string(PellowKey) + "\\" + key_); }

QPlainTextEdit* TInfoForm::AddMemoPage(const char* Page, const char* Caption, const char* Memo) {
    auto* page = Named(new QWidget, Page);
    auto* memo = Named(new QPlainTextEdit(page), Memo);
    memo->setReadOnly(true);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont font("Courier New");
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    memo->setFont(font);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(memo);
    PageControl1->addTab(page, Caption);
    return memo;
}

std::string TInfoForm::Reply(const std::string& Command, const std::string& Description) {
    std::string text;
    Comm().QueryLines(Command + "\r\n", Description, text);
    return text;
}

void TInfoForm::FormShow() {
    ModemId->setText(dialogkit::Lines(Reply("AT#MDL?", "Get Modem ID")));
    LabelModemVersion->setText(dialogkit::Lines(Reply("AT#REV?", "Get Firmware revision")));
    LabelPort->setText(dialogkit::Q(IntToStr(Comm().GetPortNumber())));
}

void TInfoForm::PanelGeneralResize() {
    ButtonOK->move(CentredLeft(PanelOK->width(), ButtonOK->width()), (PanelOK->height() - ButtonOK->height()) / 2);
}

void TInfoForm::showEvent(QShowEvent* Event) {
    TModemForm::showEvent(Event);
    // The dialog opens also when a query fails; the error is shown then.
    if (!Event->spontaneous()) dialogkit::Guard([this] { Exchange([this] { FormShow(); }); });
}

bool TInfoForm::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched == PanelOK && Event->type() == QEvent::Resize) PanelGeneralResize();
    return TModemForm::eventFilter(Watched, Event);
}
