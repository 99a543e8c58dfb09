#include "mainapp/InfoForm3com.h"

#include <QPlainTextEdit>

#include "mainapp/DialogKit.h"

TFormInfo3com* FormInfo3com = nullptr;

TFormInfo3com::TFormInfo3com(QWidget* Owner) : TInfoForm(Owner, "FormInfo3com", "InfoForm3com") {
    ModemProductInfo = AddMemoPage("TabSheetProductInfo", "Product Info", "ModemProductInfo");
    ModemLastConnection = AddMemoPage("TabSheetLastConnection", "Last Connection", "ModemLastConnection");
    ModemRegister = AddMemoPage("TabSheetModemRegisters", "Modem Registers", "ModemRegister");
}

TFormInfo3com::~TFormInfo3com() {
    if (FormInfo3com == this) FormInfo3com = nullptr;
}

void TFormInfo3com::FormShow() {
    TInfoForm::FormShow();
    ModemProductInfo->setPlainText(dialogkit::Lines(Reply("ATi7", "Get product info")));
    ModemLastConnection->setPlainText(dialogkit::Lines(Reply("ATi6", "Get last connection info: ati6")));
    ModemRegister->setPlainText(dialogkit::Lines(Reply("ATi4", "Get last connection info")));
}
