#include "mainapp/InfoFormElsa.h"

TFormInfoElsa* FormInfoElsa = nullptr;

TFormInfoElsa::TFormInfoElsa(QWidget* Owner) : TInfoForm(Owner, "FormInfoElsa", "InfoFormElsa") {}

TFormInfoElsa::~TFormInfoElsa() {
    if (FormInfoElsa == this) FormInfoElsa = nullptr;
}
