// The models --model selects, and what they answer when a program asks who
// they are: AT#MDL? (all), AT#REV? (the ELSA MicroLink Office) and ATI.
#include <cstdio>
#include <string>

#include "tools/modemsim/Sim.h"

namespace modemsim {

namespace {

const char* const kElsaModel = "\"MicroLink Office\"";

const Registration models([] {
    RegisterOption("firmware", "VERSION: the ELSA firmware version AT#REV? reports (default 2.05)");
    RegisterOption("rev-string", "TEXT: reply TEXT to AT#REV? instead of the firmware text");
    RegisterOption("mdl-prefix", "the ELSA answers AT#MDL? with \"#MDL: \" before its model");

    RegisterModel({"sportster", "3com", "U.S. Robotics Sportster MessagePlus 56000", "5601", true});
    RegisterModel({"56k-message", "3com", "U.S. Robotics 56K Message", "5631", true});
    RegisterModel({"56k-pro", "3com", "U.S. Robotics 56K Pro Msg ", "5686", true});
    RegisterModel({"elsa", "elsa", kElsaModel, "ELSA MicroLink Office", true});
    RegisterModel({"other", "other", "56K Voice Fax Data Modem V.90", "56000", true});
    RegisterModel({"silent", "silent", "", "", false});
});

// The name the information pages start with.
std::string DisplayName(const ModelInfo& M) {
    std::string name = M.modelReply.empty() ? M.productCode : M.modelReply;
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
    return name;
}

std::string RegisterRow(const Session& S, int First) {
    std::string row = "  ";
    for (int r = First; r < First + 8; ++r) {
        char cell[16];
        std::snprintf(cell, sizeof cell, " S%02d=%03u", r, static_cast<unsigned>(S.S(r)));
        row += cell;
    }
    return row;
}

void SettingsPage(Session& S) {
    S.Info(DisplayName(S.Model()) + " Settings...");
    S.Info(std::string("   B0 E") + (S.Echo() ? "1" : "0") + " F1 M1 Q" + (S.Quiet() ? "1" : "0") + " V" +
           (S.Verbose() ? "1" : "0") + " X7");
    S.Info("   BAUD=57600  PARITY=N  WORDLEN=8");
    S.Info(RegisterRow(S, 0));
    S.Info(RegisterRow(S, 8));
}

void DiagnosticsPage(Session& S) {
    S.Info(DisplayName(S.Model()) + " Link Diagnostics...");
    S.Info("   Chars sent                0      Chars Received                0");
    S.Info("   Octets sent               0      Octets Received               0");
    S.Info("   No Connection Since Power On");
}

void ProfilePage(Session& S) {
    S.Info("Configuration Profile...");
    S.Info("Product type           " + DisplayName(S.Model()));
    S.Info("Product ID:            " + S.Model().productCode);
    S.Info("Options                V32bis,V.FC,V.34+,V.90");
    S.Info("Fax Options            Class 1/Class 2.0");
    S.Info("Voice Options          Stand-alone Message Memory");
}

// ATI and ATIn: 0 the product code, 3 the model, 4 the settings, 6 the link
// diagnostics, 7 the configuration profile; other pages ERROR.
Outcome Information(Session& S, const Command& C) {
    std::string digits = C.args;
    int page = digits.empty() ? 0 : digits.size() == 1 && digits[0] >= '0' && digits[0] <= '9' ? digits[0] - '0' : -1;
    switch (page) {
        case 0: S.Info(S.Model().productCode); return Outcome::Ok;
        case 3: S.Info(DisplayName(S.Model())); return Outcome::Ok;
        case 4: SettingsPage(S); return Outcome::Ok;
        case 6: DiagnosticsPage(S); return Outcome::Ok;
        case 7: ProfilePage(S); return Outcome::Ok;
        default: return Outcome::Error;
    }
}

Outcome ModelQuery(Session& S, const Command& C) {
    if (C.args != "" || S.Model().modelReply.empty()) return Outcome::Error;
    std::string reply = S.Model().modelReply;
    if (S.Family() == "elsa" && S.Opts().Has("mdl-prefix") && !S.Opts().Has("model-string")) reply = "#MDL: " + reply;
    S.Info(reply);
    return Outcome::Ok;
}

// The firmware text reads as "Version", a blank, the version and the product,
// which puts the version right after the first "n" and before the next blank.
// Only the ELSA knows the query; a family may answer it its own way.
Outcome RevisionQuery(Session& S, const Command& C) {
    if (C.args != "" || S.Family() != "elsa") return Outcome::Error;
    if (S.Opts().Has("rev-string")) S.Info(S.Opts().Get("rev-string"));
    else S.Info("Version " + S.Opts().Get("firmware", "2.05") + " MicroLink Office");
    return Outcome::Ok;
}

const Registration answers([] {
    // For every model, so that a family's own registration wins over these.
    RegisterCommand("", "I", Information);
    RegisterCommand("", "#MDL?", ModelQuery);
    RegisterCommand("", "#REV?", RevisionQuery);
});

}  // namespace

}  // namespace modemsim
