#pragma once
// TFormInfoElsa: what an ELSA MicroLink Office says about itself: its model,
// its firmware and the port it answers on.
#include "mainapp/InfoForm.h"

class TFormInfoElsa : public TInfoForm {
    Q_OBJECT

public:
    explicit TFormInfoElsa(QWidget* Owner = nullptr);
    ~TFormInfoElsa() override;
};

// Created at program start and kept for the whole run.
extern TFormInfoElsa* FormInfoElsa;
