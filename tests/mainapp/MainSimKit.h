#pragma once
// The main window against the simulator: the real detection and modem
// families on a pseudo-terminal linked as COM1 (COM2 to COM4 lead nowhere),
// the viewer's start recorded instead of done, and the TIFF files read back
// with libtiff.
#include <sys/stat.h>
#include <tiffio.h>

#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "mainapp/MainDialogs.h"
#include "platform/Shell.h"
#include "platform/StrUtils.h"
#include "testkit/G3Encode.h"
#include "testkit/ModemSim.h"
#include "tests/mainapp/MainTestKit.h"

namespace maintest {

// Runs Body from inside the next modal run once Ready holds (at the latest
// after Tries x 10 ms, so that a dialog that never gets ready fails the test
// and does not hang it); nothing once Context is gone.
inline void WhenReady(QObject* Context, std::function<bool()> Ready, std::function<void()> Body, int Tries = 500) {
    QTimer::singleShot(10, Context, [Context, Ready = std::move(Ready), Body = std::move(Body), Tries]() mutable {
        if (Ready() || Tries <= 0) return Body();
        WhenReady(Context, std::move(Ready), std::move(Body), Tries - 1);
    });
}

// Records each start of a program instead of starting it.
class NoStartLauncher : public shell::Launcher {
public:
    explicit NoStartLauncher(std::vector<std::vector<std::string>>* s) : starts(s) {}
    int OpenWithDefault(const std::string& Target) override {
        starts->push_back({Target});
        return shell::Started;
    }
    int StartProgram(const std::string& Program, const std::vector<std::string>& Args, const std::string&) override {
        std::vector<std::string> line{Program};
        line.insert(line.end(), Args.begin(), Args.end());
        starts->push_back(line);
        return shell::Started;
    }
    std::vector<std::vector<std::string>>* starts;
};

// The rows of a TIFF file's pages as libtiff decodes them, 1 = black.
inline std::vector<testkit::G3Page> DecodeTiff(const std::string& Path) {
    std::vector<testkit::G3Page> pages;
    TIFF* tif = TIFFOpen(Path.c_str(), "r");
    if (!tif) return pages;
    do {
        uint32_t width = 0, height = 0;
        uint16_t photometric = PHOTOMETRIC_MINISWHITE;
        TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
        TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
        TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
        std::vector<uint8_t> line(static_cast<std::size_t>(TIFFScanlineSize(tif)));
        testkit::G3Page page;
        for (uint32_t y = 0; y < height; ++y) {
            if (TIFFReadScanline(tif, line.data(), y, 0) < 0) break;
            testkit::G3Row row(width);
            for (uint32_t x = 0; x < width; ++x) {
                const int bit = (line[x / 8] >> (7 - x % 8)) & 1;
                row[x] = static_cast<uint8_t>(photometric == PHOTOMETRIC_MINISWHITE ? bit : 1 - bit);
            }
            page.push_back(std::move(row));
        }
        pages.push_back(std::move(page));
    } while (TIFFReadDirectory(tif));
    TIFFClose(tif);
    return pages;
}

class MainSimTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        UseRealModem();
        tmp = UsePrivateTemp();
        previousLauncher_ = shell::InstallLauncher(std::make_unique<NoStartLauncher>(&starts));
        // Only COM1 holds a modem; the other ports of the search do not exist.
        std::filesystem::create_directories(home.Path() + "/ports");
        for (int n = 2; n <= 4; ++n)
            std::filesystem::create_symlink(home.Path() + "/no-such-device", testkit::PortLink(n));
    }
    void TearDown() override {
        dialogs.reset();
        TModemClass* real = ModemObject;
        MainWindowTest::TearDown();
        delete real;
        sim.reset();
        shell::InstallLauncher(std::move(previousLauncher_));
    }
    // The next case of a table on a window, a modem and a simulator of its own.
    void StartAfresh() {
        dialogs.reset();
        form.reset();
        FormMain = nullptr;
        delete ModemObject;
        ModemObject = nullptr;
        CommObject = nullptr;
        sim.reset();
    }
    // The simulator on COM1 with a memory of the test's own (empty: its default).
    void Modem(const std::vector<std::string>& Args, const std::string& Scenario = "") {
        std::vector<std::string> args = Args;
        if (!Scenario.empty()) {
            const std::string path = home.Path() + "/memory.txt";
            testkit::WriteFile(path, Scenario);
            args.insert(args.end(), {"--scenario", path});
        }
        sim = std::make_unique<testkit::ModemSim>(testkit::PortLink(1), args);
    }
    TFormMain& Run(const std::vector<std::string>& Arguments = {}) {
        Create(Arguments);
        dialogs = std::make_unique<MainDialogs>(form.get());
        form->ToolButtonReloadClick(nullptr);
        return *form;
    }
    void Select(std::initializer_list<int> rows) {
        form->ExtListView1->clearSelection();
        for (int r : rows) Row(r)->setSelected(true);
    }
    // The list as the user sees it, row by row: the kind, the new or read
    // picture, the caller and the pages or length.
    std::vector<std::string> Rows() {
        std::vector<std::string> rows;
        for (int r = 0; r < form->ExtListView1->topLevelItemCount(); ++r)
            rows.push_back(Cell(r, 0) + "|" + std::to_string(ImageAt(r, 0)) + "|" + Cell(r, 1) + "|" + Cell(r, 3));
        return rows;
    }
    std::vector<std::string> Received(const std::string& Prefix) {
        std::vector<std::string> out;
        for (const auto& l : sim->TranscriptLines())
            if (SameText(l.substr(0, Prefix.size()), Prefix)) out.push_back(l);
        return out;
    }
    void ExpectDefaultLetters();
    bool WaitForLine(const std::string& Line, long Times) {
        for (int waited = 0; waited < 3000; waited += 20) {
            if (static_cast<long>(Received(Line).size()) >= Times) return true;
            QTest::qWait(20);
        }
        return false;
    }
    std::string tmp;
    std::vector<std::vector<std::string>> starts;
    std::unique_ptr<testkit::ModemSim> sim;
    std::unique_ptr<MainDialogs> dialogs;

private:
    std::unique_ptr<shell::Launcher> previousLauncher_;
};

}  // namespace maintest
