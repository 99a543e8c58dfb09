// Each of Pellow's settings and info dialogs keeps its placement (and the
// fonts of its controls) under its own key, and takes it back at its first
// showing. Without a modem their readings fail, which the scripted UI takes.
#include "mainapp/InfoForm3com.h"
#include "mainapp/InfoFormElsa.h"
#include "mainapp/PellowSettings.h"
#include "mainapp/Settings3comMsg.h"
#include "mainapp/SettingsElsaMLOffice.h"
#include "mainapp/Sim3comForms.h"
#include "support/Language.h"

namespace {

constexpr const char* kKey = "SOFTWARE\\Norvale\\Pellow\\Version 0.50\\";

class DialogPlacement : public ::testing::Test {
protected:
    void SetUp() override {
        language.SetLanguage(LangEnglish);
        Lang = &language;
    }
    void TearDown() override { Lang = nullptr; }
    testkit::ScopedScriptedUi ui;
    LanguageClass language;
};

TEST_F(DialogPlacement, EveryDialogUnderItsOwnKey) {
    formstest::ExpectPlacementKept<TFormPellowSettings>(std::string(kKey) + "PellowSettings", "GroupBoxModem");
    formstest::ExpectPlacementKept<TForm3ComMsgSettings>(std::string(kKey) + "3comSettings", "GroupBoxReceive");
    formstest::ExpectPlacementKept<TFormInfo3com>(std::string(kKey) + "InfoForm3com", "ModemProductInfo");
    formstest::ExpectPlacementKept<TFormInfoElsa>(std::string(kKey) + "InfoFormElsa", "ModemId");
    formstest::ExpectPlacementKept<TFormElsaMLOfficeSettings>(std::string(kKey) + "ElsaOfficeSettings",
                                                              "GroupBoxCountry");
}

}  // namespace
