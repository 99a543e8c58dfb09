#pragma once
// The viewer's window on a desk: an application object, a private state
// directory and temporary folder, the scripted UI, and the process end caught.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/App.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "support/RegSave.h"
#include "testkit/TestKit.h"
#include "tests/viewer/FaxFiles.h"
#include "viewer/Imaging.h"
#include "viewer/viewer.h"

namespace viewertest {

// One application object for all tests of a program, gone before the process ends.
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "leafor-test";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<app::Application>(argc, argv);
        app::SetTitle("Pellow Fax Viewer");
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<app::Application> app_;
};
inline const auto* const kQt = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

class ViewerTest : public ::testing::Test {
protected:
    void SetUp() override {
        app::SetTitle("Pellow Fax Viewer");
        dir = home.Path() + "/faxes";
        mkdir(dir.c_str(), 0700);
        savedHalt_ = process::SetHaltHandler([this](int Code) { halts.push_back(Code); });
        leafor::FaxIsTemporary = false;
    }
    void TearDown() override {
        form.reset();
        process::SetHaltHandler(savedHalt_);
    }

    // The window as the program makes it, with its command line, not yet shown.
    leafor::TFormMain& Create(const std::vector<std::string>& Arguments = {}) {
        form = std::make_unique<leafor::TFormMain>(Arguments);
        form->FormCreate();
        return *form;
    }
    // Made and shown: the first showing takes the command line.
    leafor::TFormMain& Start(const std::vector<std::string>& Arguments = {}) {
        Create(Arguments);
        form->show();
        // Active, so that focus moves between its controls as a person's clicks move it.
        form->activateWindow();
        QApplication::setActiveWindow(form.get());
        QApplication::processEvents();
        return *form;
    }
    // A numbered fax of Pages pages in the test's folder; its path.
    std::string Fax(const std::string& Name, int Pages, float YResolution = 196, faxfiles::TCoding Coding = {}) {
        const std::string path = dir + "/" + Name;
        faxfiles::WriteFax(path, faxfiles::NumberedPages(Pages, YResolution), Coding);
        return path;
    }
    std::vector<ui::Prompt> Prompts() { return ui->Prompts(); }
    // The kinds and texts of the prompts so far, one "kind: text" each.
    std::vector<std::string> PromptLines() {
        std::vector<std::string> lines;
        for (const auto& p : ui->Prompts()) lines.push_back(p.kind + ": " + p.text);
        return lines;
    }
    std::string ZoomBox() { return form->ComboBoxZoom->currentText().toStdString(); }
    std::string PageBox() { return form->EditPage->text().toStdString(); }
    static std::string Value(const char* Name) {
        std::string v;
        RegReadString(Name, PellowKey, "<none>", v);
        return v;
    }

    testkit::TempHome home;
    testkit::ScopedScriptedUi ui;
    std::string dir;
    std::vector<int> halts;
    std::unique_ptr<leafor::TFormMain> form;

private:
    std::function<void(int)> savedHalt_;
};

}  // namespace viewertest
