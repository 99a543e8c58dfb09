#include "support/Language.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <set>
#include <stdexcept>
#include <string>

namespace {

const TLanguageRow& RowNamed(const std::string& name) {
    for (const auto& row : LanguageClass::Rows())
        if (name == row.Name) return row;
    throw std::runtime_error("no row " + name);
}

LanguageClass LanguageFor(int id) {
    LanguageClass lang;
    lang.SetLanguage(id);
    return lang;
}

TEST(LanguageTable, HasEveryFieldOnceAndEnglishEverywhere) {
    const auto rows = LanguageClass::Rows();
    ASSERT_EQ(rows.size(), 179u);
    std::set<std::string> names;
    std::set<std::size_t> fields;
    const LanguageClass probe;
    const auto* base = reinterpret_cast<const char*>(&probe);
    for (const auto& row : rows) {
        EXPECT_TRUE(names.insert(row.Name).second) << row.Name;
        const auto* field = reinterpret_cast<const char*>(&(probe.*row.Field));
        EXPECT_TRUE(fields.insert(static_cast<std::size_t>(field - base)).second) << row.Name;
        ASSERT_NE(row.English, nullptr) << row.Name;
        EXPECT_GT(std::strlen(row.English), 0u) << row.Name;
    }
    // No text field of the class is left out of the table.
    const auto first = reinterpret_cast<const char*>(&probe.MainMsgNewMessageSuffix) - base;
    EXPECT_EQ(sizeof(LanguageClass), static_cast<std::size_t>(first) + 179 * sizeof(std::string));
}

TEST(LanguageTable, LanguagesHaveTheirRowCounts) {
    int german = 0, spanish = 0, french = 0, italian = 0, portuguese = 0, english_only = 0;
    for (const auto& row : LanguageClass::Rows()) {
        german += row.German != nullptr;
        spanish += row.Spanish != nullptr;
        french += row.French != nullptr;
        italian += row.Italian != nullptr;
        portuguese += row.Portuguese != nullptr;
        english_only += !row.German && !row.Spanish && !row.French && !row.Italian && !row.Portuguese;
        // A row that has Spanish, French, ... has German as well.
        if (row.Spanish || row.French || row.Italian || row.Portuguese) {
            EXPECT_NE(row.German, nullptr) << row.Name;
        }
    }
    EXPECT_EQ(german, 154);
    EXPECT_EQ(spanish, 148);
    EXPECT_EQ(french, 17);
    EXPECT_EQ(italian, 2);
    EXPECT_EQ(portuguese, 2);
    EXPECT_EQ(english_only, 25);
}

TEST(LanguageClass, FieldsAreEmptyUntilSetLanguage) {
    LanguageClass lang;
    EXPECT_EQ(lang.LangID, 0);
    EXPECT_EQ(lang.MainToolButtonMenuFile, "");
    EXPECT_EQ(lang.ViewMenuHelpAboutImaging, "");
    lang.SetLanguage(7);
    EXPECT_EQ(lang.LangID, 7);
    lang.SetLanguage(9);
    EXPECT_EQ(lang.LangID, 9);
    EXPECT_EQ(lang.MainToolButtonMenuFile, "&File");
}

TEST(LanguageClass, EveryFieldIsFilledForEveryLanguage) {
    for (int id : {0, 2, 7, 9, 10, 12, 16, 22, 1031, -1}) {
        const LanguageClass lang = LanguageFor(id);
        for (const auto& row : LanguageClass::Rows()) {
            EXPECT_FALSE((lang.*row.Field).empty()) << row.Name << " for " << id;
            EXPECT_EQ(lang.*row.Field, LanguageClass::TextOf(row, id)) << row.Name;
        }
    }
}

struct Quoted {
    const char* name;
    int id;
    const char* text;
};

TEST(LanguageClass, QuotedTextsAreExact) {
    const Quoted cases[] = {
        {"MainToolButtonMenuFile", 7, "&Datei"},
        {"MainToolButtonMenuFile", 10, "&Archivo"},
        {"MainToolButtonMenuFile", 12, "&Fichier"},
        {"MainToolButtonMenuFile", 16, "&Archivio"},
        {"MainToolButtonMenuFile", 22, "&Lima"},
        {"ViewToolButtonMenuFile", 7, "&Datei"},
        {"ViewToolButtonMenuFile", 10, "&Archivo"},
        {"ViewToolButtonMenuFile", 12, "&Fichier"},
        {"ViewToolButtonMenuFile", 16, "&Archivio"},
        {"ViewToolButtonMenuFile", 22, "&Lima"},
        {"MainMenuFileSaveAs", 7, "Speichern &unter ..."},
        {"MainMenuFileSaveAs", 10, "Guardar como ..."},
        {"MainMenuFileSaveAs", 12, "Enregistrer sous ..."},
        {"MainMenuEditReload", 7, "Aktualisieren"},
        {"MainMenuEditReload", 10, "Actualizar"},
        {"MainMenuEditReload", 12, "Aktualiser"},
        {"MainColumnType", 7, "Typ"},
        {"MainColumnType", 10, "Tipo"},
        {"MainColumnType", 12, "modèle"},
        {"MainStatusModemInUse", 7, "Modem ist in Benutzung!"},
        {"MainStatusModemInUse", 10, "Modem ya esta en uso!"},
        {"MainStatusModemInUse", 9, "Modem alread in use!"},
        {"MainMsgEraseMany", 7, "Sollen die markierten %u Nachrichten wirklich gelöscht werden?"},
        {"MainMsgEraseMany", 10, "Verdaderamente desea borrar los %u Mensajes marcados?"},
        {"MainMsgEraseMany", 9, "Do you really want to erase the selected %u messages?"},
        {"MainMsgEraseNoneSelected", 7, "Es wurde keine Nachricht zum Löschen makiert!"},
        {"MainMsgEraseNoneSelected", 10, "No hay mensajes marcados para borrar!"},
        {"MainMsgLogFileOpenFailed", 7,
         "Log-Datei konnte nicht geöffnet/erstellt werden. Es wird daher keine Log-Datei erzeugt!"},
        {"MainMsgLogFileOpenFailed", 10, "Could not open/create lofile. No logfile will be generated!"},
        {"MainMsgLogFileOpenFailed", 9, "Could not open/create lofile. No logfile will be generated!"},
        {"Com3CheckBoxVoice", 7, "Sprache"},
        {"ElsaCheckBoxReceiveVoice", 7, "Spache"},
        {"MainStatusShowingSettings", 9, "Showing dialog \"Settings\""},
        {"MainStatusShowingInfo", 9, "Running Dialog \"Info\""},
        {"Com3LabelAcousticRing", 9, "Accoustic Ring"},
        {"ElsaCheckBoxHangOfEvenIfMemoryFull", 9, "Hook of, even Memory full"},
        {"ViewToolButtonRotateLeftHint", 9, "Rotate Fax 90° to the left"},
        {"ViewToolButtonFitToHightHint", 9, "Fit to window height"},
        {"MainMsgNewMessageSuffix", 9, " new message"},
        {"MainGaugePercentFreeSuffix", 9, "% free"},
        // English as users have always read it, slips included.
        {"MainStatusModemNotSupported", 9, "Only not supported modem found!"},
        {"MainMsgEraseNoneSelected", 9, "There is no message selected to erase"},
        {"ElsaCheckBoxAccousticRing", 9, "Accoustic Ring on"},
        {"ElsaCheckBoxPlayTimeOfMessage", 9, "Play Date/Time of receive"},
        {"ElsaGroupBoxDialIn", 9, "Dial in settings"},
        {"ElsaLabelMicro", 9, "Micro Volume"},
        {"ElsaCheckBoxRecVoice", 9, "Allow Rec Voice"},
        {"ElsaFaxID", 9, "FAX ID"},
        {"Com3LabelKlingelzeichen", 9, "# of Rings"},
        {"OptRadioButtonCommPortFest", 9, "selected"},
        {"OptFaxDirPickerCaption", 9, "Save faxes into directory ..."},
        {"MainMenuEditPlayNew", 9, "Play &New"},
    };
    for (const auto& c : cases) EXPECT_STREQ(LanguageClass::TextOf(RowNamed(c.name), c.id), c.text) << c.name;
}

TEST(LanguageClass, FrenchHasOnlyItsOwnRows) {
    const LanguageClass fr = LanguageFor(12);
    EXPECT_EQ(fr.MainToolButtonMenuFile, "&Fichier");
    EXPECT_EQ(fr.MainMenuEditPlayNew, "Play &New");
    EXPECT_EQ(fr.MainColumnDate, "Date");
    EXPECT_EQ(fr.MainColumnType, "modèle");
}

TEST(LanguageClass, SpanishFallsBackToEnglishWhereItHasNoText) {
    const LanguageClass es = LanguageFor(10);
    EXPECT_EQ(es.Com3LabelFaxkennung, "Fax ID");
    EXPECT_EQ(es.OptGroupBoxDisplay, "Display");
    EXPECT_EQ(es.MainColumnCallerId, "Caller ID");
    EXPECT_EQ(es.MainMenuEditReload, "Actualizar");
    const LanguageClass de = LanguageFor(7);
    EXPECT_EQ(de.Com3LabelFaxkennung, RowNamed("Com3LabelFaxkennung").German);
    EXPECT_NE(de.Com3LabelFaxkennung, "Fax ID");
}

TEST(LanguageClass, ItalianAndPortugueseAreEnglishButTheFileCaptions) {
    const LanguageClass en = LanguageFor(9);
    for (int id : {16, 22}) {
        const LanguageClass lang = LanguageFor(id);
        for (const auto& row : LanguageClass::Rows()) {
            const std::string name = row.Name;
            if (name == "MainToolButtonMenuFile" || name == "ViewToolButtonMenuFile") {
                EXPECT_NE(lang.*row.Field, en.*row.Field) << name;
            } else {
                EXPECT_EQ(lang.*row.Field, en.*row.Field) << name << " for " << id;
            }
        }
    }
}

TEST(LanguageClass, EnglishAndUnknownIdsGiveTheEnglishTexts) {
    for (int id : {9, 0, 2, 8, 11, 1031, 65535, -7}) {
        const LanguageClass lang = LanguageFor(id);
        for (const auto& row : LanguageClass::Rows()) EXPECT_EQ(lang.*row.Field, row.English) << row.Name;
    }
}

TEST(LanguageClass, GermanAndSpanishTakeTheirOwnRows) {
    for (int id : {7, 10}) {
        const LanguageClass lang = LanguageFor(id);
        for (const auto& row : LanguageClass::Rows()) {
            const char* own = id == 7 ? row.German : row.Spanish;
            EXPECT_EQ(lang.*row.Field, own ? own : row.English) << row.Name;
        }
    }
    EXPECT_EQ(LanguageFor(7).ViewMenuZoomZoom50, "50%");
    EXPECT_EQ(LanguageFor(10).OptButtonOK, "OK");
}

}  // namespace
