#pragma once
// The main window on a desk: an application object, the language object, a
// private state directory, the scripted UI, a modem of our own making behind
// the detection and family seams, and the process end caught.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QApplication>
#include <QEvent>
#include <QHeaderView>
#include <QTreeWidget>
#include <cstdlib>
#include <initializer_list>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "mainapp/Globals.h"
#include "mainapp/Main.h"
#include "modem/CommClass.h"
#include "modem/Modem.h"
#include "platform/App.h"
#include "platform/Process.h"
#include "support/Language.h"
#include "support/RegSave.h"
#include "testkit/TestKit.h"

namespace maintest {

// One application object for all tests of a program, gone before the process ends.
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "pellow-test";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<app::Application>(argc, argv);
        app::SetTitle("Pellow");
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<app::Application> app_;
};
inline const auto* const kQt = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

inline void App() { app::SetTitle("Pellow"); }

// An environment variable set for the object's lifetime, then as it was
// (also unset) again, whatever way the test leaves.
class ScopedEnv {
public:
    ScopedEnv(const char* Name, const std::string& Value) : name_(Name) {
        if (const char* old = std::getenv(Name)) saved_ = old;
        setenv(Name, Value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (saved_) setenv(name_.c_str(), saved_->c_str(), 1);
        else unsetenv(name_.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> saved_;
};

// A folder that is the whole PATH while the object lives, holding the
// outside fax viewers named (as programs that do nothing), so that looking
// them up by name finds these or nothing.
class OutsideViewers {
public:
    OutsideViewers(const std::string& Folder, std::initializer_list<const char*> Programs)
        : folder_(Made(Folder)), path_("PATH", folder_) {
        for (const char* p : Programs) Add(p);
    }
    void Add(const char* Program) const {
        testkit::WriteFile(Path(Program), "#!/bin/sh\n");
        chmod(Path(Program).c_str(), 0700);
    }
    std::string Path(const char* Program) const { return folder_ + "/" + Program; }

private:
    static std::string Made(const std::string& Folder) {
        mkdir(Folder.c_str(), 0700);
        return Folder;
    }
    std::string folder_;
    ScopedEnv path_;
};

// Counts the key releases that reach the widgets it is installed on.
struct KeyReleaseCounter : QObject {
    int releases = 0;
    bool eventFilter(QObject*, QEvent* Event) override {
        if (Event->type() == QEvent::KeyRelease) ++releases;
        return false;
    }
};

struct FakeMessage {
    int type = MsgTypeVoice;
    int status = MsgStatusOk;
    int state = MsgStateOld;
    std::string callerId;
    std::string size;
    TDateTime date = 0;
};

// A modem that answers from a list and writes down what it was asked to do.
class FakeModem : public TModemClass {
public:
    std::vector<FakeMessage> messages;
    int32_t freeMemory = 50;
    bool canEraseSingle = true;
    int32_t progress = -1;
    std::vector<std::string> calls;
    // Runs inside SaveFaxMsg, PlayMsg and the dialogs (with 0), while the operation is under way.
    std::function<void(int32_t)> during;

    int32_t GetProgress() override { return progress; }
    void Refresh() override { calls.push_back("Refresh"); }
    int32_t GetMsgCount() override { return static_cast<int32_t>(messages.size()); }
    int32_t GetNewMsgCount() override {
        int32_t k = 0;
        for (const auto& m : messages) k += m.state == MsgStateNew ? 1 : 0;
        return k;
    }
    int32_t GetFreeMemory() override { return freeMemory; }
    int32_t GetMsgDuration(int32_t) override { return 5; }
    bool CanEraseSingle() override { return canEraseSingle; }
    void GetMsgCallerId(int32_t N, std::string& Text) override { Text = At(N).callerId; }
    int32_t GetMsgType(int32_t N) override { return At(N).type; }
    void GetMsgSize(int32_t N, std::string& Text) override { Text = At(N).size; }
    TDateTime GetMsgDateTime(int32_t N) override { return At(N).date; }
    int32_t GetMsgState(int32_t N) override { return At(N).state; }
    int32_t GetMsgStatus(int32_t N) override { return At(N).status; }
    void PlayMsg(int32_t N) override {
        calls.push_back("PlayMsg " + std::to_string(N));
        if (during) during(N);
    }
    void SaveFaxMsg(int32_t N, const std::string& FileName, const std::string&) override {
        calls.push_back("SaveFaxMsg " + std::to_string(N) + " " + FileName);
        if (during) during(N);
        testkit::WriteFile(FileName, std::string("II*\0fax ", 8) + std::to_string(N));
    }
    void EraseMsg(int32_t N) override { calls.push_back("EraseMsg " + std::to_string(N)); }
    bool EraseAllMsgs() override {
        calls.push_back("EraseAllMsgs");
        messages.clear();
        return true;
    }
    bool HasNewMsgs() override { return GetNewMsgCount() > 0; }
    bool IsMsgNew(int32_t N) override { return At(N).state == MsgStateNew; }
    void ReleaseNewMsgs() override {
        calls.push_back("ReleaseNewMsgs");
        for (auto& m : messages) m.state = MsgStateOld;
    }
    void ShowSettings() override {
        calls.push_back("ShowSettings");
        if (during) during(0);
    }
    void ShowInfo() override {
        calls.push_back("ShowInfo");
        if (during) during(0);
    }

private:
    FakeMessage& At(int32_t N) {
        if (N < 1 || N > GetMsgCount()) throw ERangeError();
        return messages[static_cast<std::size_t>(N - 1)];
    }
};

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        App();
        homeEnv_.emplace("HOME", home.Path());
        language.SetLanguage(LangEnglish);
        Lang = &language;
        PellowOptions = TPellowOptions{};
        ModemObject = nullptr;
        CommObject = nullptr;
        LogFileOn = false;
        LogTextFile = nullptr;
        savedDetect_ = TFormMain::DetectHook();
        savedFactory_ = TFormMain::ModemFactoryHook();
        TFormMain::DetectHook() = [this](TCommClass&, int32_t Port, std::string& Result) {
            detectedPorts.push_back(Port);
            Result = detected;
        };
        TFormMain::ModemFactoryHook() = [this](const std::string& Detected, TCommClass* Comm) -> TModemClass* {
            families.push_back(Detected);
            modem->Comm = Comm;
            return modem.get();
        };
        savedHalt_ = process::SetHaltHandler([this](int Code) { halts.push_back(Code); });
    }

    void TearDown() override {
        form.reset();
        FormMain = nullptr;
        ModemObject = nullptr;
        CommObject = nullptr;
        if (LogTextFile) std::fclose(LogTextFile);
        LogTextFile = nullptr;
        LogFileOn = false;
        Lang = nullptr;
        TFormMain::DetectHook() = savedDetect_;
        TFormMain::ModemFactoryHook() = savedFactory_;
        process::SetHaltHandler(savedHalt_);
        tempEnv_.reset();
        homeEnv_.reset();
    }

    // Makes the window as the program entry does, without its first Reload.
    TFormMain& Create(const std::vector<std::string>& Arguments = {}) {
        form = std::make_unique<TFormMain>();
        FormMain = form.get();
        form->FormCreate(Arguments);
        return *form;
    }
    // The window and its first Reload.
    TFormMain& Start(const std::vector<std::string>& Arguments = {}) {
        Create(Arguments);
        form->ToolButtonReloadClick(nullptr);
        return *form;
    }

    // Detection and the modem families as the program has them.
    void UseRealModem() {
        TFormMain::DetectHook() = savedDetect_;
        TFormMain::ModemFactoryHook() = savedFactory_;
    }

    void SetOption(const std::string& Name, bool Value) { RegWriteBool(Value, Name, PellowKey); }
    void SetOption(const std::string& Name, int Value) { RegWriteInteger(Value, Name, PellowKey); }
    void SetOption(const std::string& Name, const char* Value) { RegWriteString(Value, Name, PellowKey); }

    std::vector<ui::Prompt> Prompts() { return ui->Prompts(); }

    // A temporary folder of the test's own (TMPDIR) until the test ends; its path.
    std::string UsePrivateTemp() {
        const std::string tmp = home.Path() + "/tmp";
        mkdir(tmp.c_str(), 0700);
        tempEnv_.emplace("TMPDIR", tmp);
        return tmp;
    }

    // The cell of a row in the column at display position p.
    QTreeWidgetItem* Row(int r) { return form->ExtListView1->topLevelItem(r); }
    int ColumnAt(int Position) { return form->ExtListView1->header()->logicalIndex(Position); }
    std::string Cell(int r, int Position) { return Row(r)->text(ColumnAt(Position)).toStdString(); }
    int ImageAt(int r, int Position) { return Row(r)->data(ColumnAt(Position), Qt::UserRole).toInt(); }
    std::string HeaderAt(int Position) {
        return form->ExtListView1->headerItem()->text(ColumnAt(Position)).toStdString();
    }

    testkit::TempHome home;
    testkit::ScopedScriptedUi ui;
    LanguageClass language;
    std::unique_ptr<FakeModem> modem = std::make_unique<FakeModem>();
    std::string detected = "3comMsgPlus";
    std::vector<int32_t> detectedPorts;
    std::vector<std::string> families;
    std::vector<int> halts;
    std::unique_ptr<TFormMain> form;

private:
    std::optional<ScopedEnv> homeEnv_;
    std::optional<ScopedEnv> tempEnv_;
    TFormMain::DetectFunction savedDetect_;
    TFormMain::ModemFactory savedFactory_;
    std::function<void(int)> savedHalt_;
};

}  // namespace maintest
