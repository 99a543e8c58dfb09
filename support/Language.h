#pragma once
// The user-interface texts of Pellow and the fax viewer in the language
// chosen at start. Each program keeps one object for its whole run; its
// windows read the fields whenever they set captions, hints, status texts
// and messages.
#include <span>
#include <string>

// Primary language IDs as the locale reports them.
constexpr int LangGerman = 7;
constexpr int LangEnglish = 9;
constexpr int LangSpanish = 10;
constexpr int LangFrench = 12;
constexpr int LangItalian = 16;
constexpr int LangPortuguese = 22;

struct TLanguageRow;

class LanguageClass {
public:
    // The fields stay empty until SetLanguage.
    LanguageClass() = default;

    // Fills every text for the primary language id; a text the language
    // lacks, and every language without texts of its own, is English.
    void SetLanguage(int id);

    // The table behind the fields, one row per text.
    static std::span<const TLanguageRow> Rows();
    // The text of one row for a language id, by the rule of SetLanguage.
    static const char* TextOf(const TLanguageRow& Row, int id);

    int LangID = 0;

    // Field names: the window (Main, Opt, Com3, Elsa, View), then the control
    // showing the text; Hint for a tool-button hint, Caption for a form caption.
    std::string MainMsgNewMessageSuffix;
    std::string MainMsgNewMessagesSuffix;
    std::string MainStatusSavingAllNewFaxes;
    std::string MainMsgLogFileOpenFailed;
    std::string OptFaxDirPickerCaption;
    std::string MainToolButtonMenuFile;
    std::string MainMenuFileSaveAs;
    std::string MainMenuFileExit;
    std::string MainToolButtonEdit;
    std::string MainMenuEditPlayNew;
    std::string MainMenuEditPlayView;
    std::string MainMenuEditReleaseall;
    std::string MainMenuEditReload;
    std::string MainMenuEditEraseall;
    std::string MainToolButtonSettings;
    std::string MainMenuSettingsModem;
    std::string MainMenuSettingsPellow;
    std::string MainToolButtonHelp;
    std::string MainMenuHelpAboutPellow;
    std::string MainMenuHelpAboutModem;
    std::string MainToolButtonReloadHint;
    std::string MainToolButtonPlayNewHint;
    std::string MainToolButtonPlayHint;
    std::string MainToolButtonReleaseHint;
    std::string MainToolButtonEraseHint;
    std::string MainToolButtonModemSettingsHint;
    std::string MainToolButtonAboutHint;
    std::string MainColumnType;
    std::string MainColumnCallerId;
    std::string MainColumnDate;
    std::string MainColumnSize;
    std::string OptCheckBoxTypeShowText;
    std::string OptGroupBoxDisplay;
    std::string MainStatusLoadingModemInfos;
    std::string MainStatusNoModemFound;
    std::string MainStatusModemInUse;
    std::string MainStatusModemNotSupported;
    std::string MainStatusReleasingAll;
    std::string MainStatusPlayingMessage;
    std::string MainStatusLoadingFax;
    std::string MainStatusErasingMessages;
    std::string MainStatusPlayingAllNew;
    std::string MainStatusShowingSettings;
    std::string MainStatusShowingInfo;
    std::string MainGaugePercentFreeSuffix;
    std::string Com3Caption;
    std::string Com3GroupBoxReceive;
    std::string Com3GroupBoxRemoteControl;
    std::string Com3GroupBoxAnnouncement;
    std::string Com3GroupBoxOptions;
    std::string Com3GroupBoxMessagePro;
    std::string Com3CheckBoxVoice;
    std::string Com3CheckBoxFax;
    std::string Com3LabelDauer;
    std::string Com3LabelSekunden;
    std::string Com3LabelFaxkennung;
    std::string Com3CheckBoxFernabfrage;
    std::string Com3LabelFernabfragePasswort;
    std::string Com3LabelNormal;
    std::string Com3LabelMemFull;
    std::string Com3ButtonPlayNormal;
    std::string Com3ButtonRecordNormal;
    std::string Com3ButtonPlayMemError;
    std::string Com3ButtonRecordOutOfMem;
    std::string Com3LabelKlingelzeichen;
    std::string Com3CheckBoxMonitor;
    std::string Com3CheckBoxTollSaver;
    std::string Com3LabelAcousticRing;
    std::string Com3ButtonOK;
    std::string Com3ButtonCancel;
    std::string ElsaCaption;
    std::string ElsaButtonCancel;
    std::string ElsaButtonOK;
    std::string ElsaTabSheetGeneral;
    std::string ElsaGroupBoxAWOnOff;
    std::string ElsaCheckBoxAWOnOff;
    std::string ElsaCheckBoxReceiveFax;
    std::string ElsaCheckBoxReceiveVoice;
    std::string ElsaCheckBoxHangOfEvenIfMemoryFull;
    std::string ElsaGroupBoxRing;
    std::string ElsaCheckBoxAccousticRing;
    std::string ElsaCheckBoxPlayCallerID;
    std::string ElsaCheckBoxTollSaver;
    std::string ElsaGroupBoxOptions;
    std::string ElsaCheckBoxPlaySystemMessages;
    std::string ElsaCheckBoxCompatibleMode;
    std::string ElsaTabSheetVoice;
    std::string ElsaGroupBoxMessage;
    std::string ElsaCheckBoxPlayTimeOfMessage;
    std::string ElsaCheckBoxVoiceReceiveMonitor;
    std::string ElsaCheckBoxOnlyPlayAnnouncement;
    std::string ElsaGroupBoxVoiceVolume;
    std::string ElsaLabelPlay;
    std::string ElsaLabelRec;
    std::string ElsaTabSheetFax;
    std::string ElsaGroupBoxFax;
    std::string ElsaCheckBoxFaxTakeOver;
    std::string ElsaFaxID;
    std::string ElsaTabSheetRemote;
    std::string ElsaGroupBoxDialIn;
    std::string ElsaCheckBoxRemoteControl;
    std::string ElsaCheckBoxRemoteConfiguration;
    std::string ElsaLabelPassword;
    std::string ElsaGroupBoxLocalPhone;
    std::string ElsaCheckBoxHookConf;
    std::string ElsaCheckBoxDTMFConf;
    std::string ElsaTabSheetSpeakFree;
    std::string ElsaGroupBoxSpeakFree;
    std::string ElsaLabelMicro;
    std::string ElsaLabelSpeaker;
    std::string ElsaCheckBoxRecVoice;
    std::string ElsaTabSheetModem;
    std::string ElsaGroupBoxCountry;
    std::string ElsaLabelCountry;
    std::string ElsaCheckBoxRingIndication;
    std::string OptCaption;
    std::string OptButtonCancel;
    std::string OptButtonOK;
    std::string OptGroupBoxLanguage;
    std::string OptRadioButtonLanguageAuto;
    std::string OptRadioButtonLanguageSelected;
    std::string OptGroupBoxModem;
    std::string OptLabelBaudRate;
    std::string OptLabelCommPort;
    std::string OptRadioButtonCommPortAuto;
    std::string OptRadioButtonCommPortFest;
    std::string OptGroupBoxLogFile;
    std::string OptButtonLogFile;
    std::string OptCheckBoxLogFile;
    std::string OptGroupBoxStartOptions;
    std::string OptCheckBoxAutorelease;
    std::string OptCheckBoxQuickClose;
    std::string OptCheckBoxAutoexit;
    std::string OptCheckBoxAutoPlayNewVoice;
    std::string OptCheckBoxAutoSaveNewFax;
    std::string OptCheckBoxAutostart;
    std::string OptButtonViewLogfile;
    std::string OptButtonFaxSavePath;
    std::string MainMsgEraseOne;
    std::string MainMsgEraseMany;
    std::string MainMsgEraseNoneSelected;
    std::string MainMsgEraseAll;
    std::string ViewToolButtonOpenHint;
    std::string ViewToolButtonSaveAsHint;
    std::string ViewToolButtonPrintHint;
    std::string ViewToolButtonPrevPageHint;
    std::string ViewToolButtonNextPageHint;
    std::string ViewToolButtonFitToWidthHint;
    std::string ViewToolButtonFitToHightHint;
    std::string ViewToolButtonBestFitHint;
    std::string ViewToolButtonRotateLeftHint;
    std::string ViewToolButtonRotateRightHint;
    std::string ViewBandZoom;
    std::string ViewBandPage;
    std::string ViewBandOrientation;
    std::string ViewToolButtonMenuFile;
    std::string ViewToolButtonMenuHelp;
    std::string ViewToolButtonMenuZoom;
    std::string ViewToolButtonMenuPage;
    std::string ViewMenuFileOpen;
    std::string ViewMenuFileSaveAs;
    std::string ViewMenuFileSavePage;
    std::string ViewMenuFilePrint;
    std::string ViewMenuFileExit;
    std::string ViewMenuPageNext;
    std::string ViewMenuPagePrevious;
    std::string ViewMenuPageFirst;
    std::string ViewMenuPageLast;
    std::string ViewMenuPageRotateLeft;
    std::string ViewMenuPageRotateRight;
    std::string ViewMenuZoomZoomIn;
    std::string ViewMenuZoomZoomOut;
    std::string ViewMenuZoomZoom10;
    std::string ViewMenuZoomZoom25;
    std::string ViewMenuZoomZoom50;
    std::string ViewMenuZoomZoom100;
    std::string ViewMenuZoomZoom200;
    std::string ViewMenuHelpAbout;
    std::string ViewMenuHelpAboutImaging;
};

// One text in every language that has its own; nullptr where a language
// has none.
struct TLanguageRow {
    const char* Name;
    std::string LanguageClass::*Field;
    const char* English;
    const char* German;
    const char* Spanish;
    const char* French;
    const char* Italian;
    const char* Portuguese;
};
