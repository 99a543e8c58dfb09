#pragma once
// TFormInfo3com: what a 3Com/U.S. Robotics message modem says about itself:
// the General page, then its product information, its last connection and
// its registers, each the modem's whole reply.
#include "mainapp/InfoForm.h"

class TFormInfo3com : public TInfoForm {
    Q_OBJECT

public:
    explicit TFormInfo3com(QWidget* Owner = nullptr);
    ~TFormInfo3com() override;

    void FormShow() override;

    QPlainTextEdit* ModemProductInfo;
    QPlainTextEdit* ModemLastConnection;
    QPlainTextEdit* ModemRegister;
};

// Created at program start and kept for the whole run.
extern TFormInfo3com* FormInfo3com;
