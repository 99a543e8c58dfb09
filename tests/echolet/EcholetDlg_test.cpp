// Echolet's dialog, offscreen: its buttons, the window menu with the about
// dialog, the command line and the file names of the conversions.
#include "echolet/EcholetDlg.h"

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "echolet/Echolet.h"
#include "platform/App.h"
#include "support/QelTestApp.h"
#include "testkit/TestKit.h"

extern "C" {
#include <gsm.h>
}

namespace echolet {
namespace {

using Clock = std::chrono::steady_clock;

// Frames frames of a tone as a ".gsm" file's bytes.
std::string GsmBytes(int Frames) {
    gsm coder = gsm_create();
    std::string out;
    for (int f = 0; f < Frames; ++f) {
        gsm_signal pcm[160];
        for (int i = 0; i < 160; ++i) pcm[i] = static_cast<gsm_signal>((f * 160 + i) % 40 < 20 ? 4000 : -4000);
        gsm_byte frame[33];
        gsm_encode(coder, pcm, frame);
        out.append(reinterpret_cast<const char*>(frame), 33);
    }
    gsm_destroy(coder);
    return out + "\x10\x03";
}

class DlgTest : public ::testing::Test {
protected:
    void SetUp() override { app::SetTitle("Echolet"); }
    std::string Path(const std::string& Name) {
        const std::string p = home.Path() + "/" + Name;
        std::filesystem::create_directories(std::filesystem::path(p).parent_path());
        return p;
    }
    std::string Put(const std::string& Name, const std::string& Data) {
        const std::string p = Path(Name);
        testkit::WriteFile(p, Data);
        return p;
    }
    QPushButton* Button(CEcholetDlg& d, const char* Name) { return d.findChild<QPushButton*>(Name); }
    std::vector<ui::Prompt> Prompts() { return ui->Prompts(); }

    testkit::TempHome home;
    testkit::ScopedScriptedUi ui;
    testkit::ScopedEnv device{"PELLOW_AUDIO_DEVICE", "null"};
};

// Milliseconds that Body takes.
template <class F>
long long Ms(F Body) {
    const auto start = Clock::now();
    Body();
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

TEST_F(DlgTest, NineButtonsOkAndCancelAllEnabled) {
    CEcholetDlg d;
    EXPECT_EQ(d.windowTitle(), "Murmel: Outgoing Message");
    const struct {
        const char* name;
        int id;
        const char* caption;
    } buttons[] = {
        {"Mom2file", 1000, "Modem Outgoing Message -> .GSM"}, {"Mmf2file", 1001, "Modem Memory Full Message -> .GSM"},
        {"Playom", 1007, "Play Outgoing Message"},           {"Playmf", 1008, "Play Memory Full Message"},
        {"File2wav", 1002, ".GSM -> .WAV"},                  {"Play", 1003, "Play"},
        {"Wav2File", 1004, ".WAV -> .GSM"},                  {"File2mom", 1005, ".GSM -> Modem Outgoing Message"},
        {"File2mmf", 1006, ".GSM -> Modem Memory Full Message"}, {"IDOK", 1, "OK"},
        {"IDCANCEL", 2, "Cancel"},
    };
    for (const auto& b : buttons) {
        QPushButton* button = Button(d, b.name);
        ASSERT_NE(button, nullptr) << b.name;
        EXPECT_EQ(button->text(), b.caption);
        EXPECT_EQ(button->property("id").toInt(), b.id);
        EXPECT_TRUE(button->isEnabled()) << b.name;
    }
    EXPECT_TRUE(Button(d, "IDOK")->isDefault());
    EXPECT_EQ(d.findChildren<QPushButton*>().size(), 11);
    ASSERT_NE(d.findChild<QLabel*>("Bitmap"), nullptr);
    EXPECT_FALSE(d.findChild<QLabel*>("Bitmap")->pixmap().isNull());

    // Every button stays enabled through its handler, a failing one included.
    for (const auto& b : buttons) {
        if (std::string(b.name).starts_with("ID")) continue;
        Button(d, b.name)->click();
        for (const auto& other : buttons) EXPECT_TRUE(Button(d, other.name)->isEnabled()) << b.name << " " << other.name;
    }
    // The file buttons asked for their files (cancelled); the modem ones found no modem and said nothing.
    std::vector<std::string> kinds;
    for (const auto& p : Prompts()) kinds.push_back(p.kind);
    EXPECT_EQ(kinds, (std::vector<std::string>{"open", "open", "open", "open", "open"}));
}

TEST_F(DlgTest, TheWindowMenuOffersTheAboutDialogBelowASeparator) {
    CEcholetDlg d;
    ASSERT_TRUE(d.OnInitDialog());
    EXPECT_FALSE(d.windowIcon().isNull());
    const auto actions = d.SystemMenu()->actions();
    ASSERT_GE(actions.size(), 2);
    EXPECT_TRUE(actions[actions.size() - 2]->isSeparator());
    EXPECT_EQ(actions.back()->text(), QString::fromUtf8("Inf&o über Echolet..."));
    QString title;
    QStringList texts;
    QTimer::singleShot(0, [&] {
        auto* about = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(about, nullptr);
        title = about->windowTitle();
        for (auto* l : about->findChildren<QLabel*>())
            if (!l->text().isEmpty()) texts << l->text();
        about->findChild<QPushButton*>("IDOK")->click();
    });
    actions.back()->trigger();
    EXPECT_EQ(title, "Info about Echolet");
    EXPECT_TRUE(texts.contains("Echolet, Version 2.06"));
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [](const QString& t) { return t.contains("4/2000"); }));
    // Other commands of the menu leave the about dialog shut.
    d.OnSysCommand(0xF060 & 0xFFE0);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(DlgTest, TheCommandLineIsPlayedBeforeTheDialogShows) {
    const std::string file = Put("My Files/hello.gsm", GsmBytes(50));  // one second
    CEcholetDlg d("\"" + file + "\"");
    bool visibleWhilePlaying = true;
    const long long took = Ms([&] {
        d.OnInitDialog();
        visibleWhilePlaying = d.isVisible();
    });
    EXPECT_GE(took, 950);
    EXPECT_FALSE(visibleWhilePlaying);
    EXPECT_TRUE(Prompts().empty());
}

TEST_F(DlgTest, PlayFileTakesQuotesAndEitherCaseAndIgnoresTheRest) {
    const std::string gsm = Put("My Files/short.GSM", GsmBytes(25));  // half a second
    CEcholetDlg d;
    ASSERT_EQ(Put("long.gsm", std::string(32769, '\x11')).empty(), false);
    const std::string wav = Path("My Files/short.WAV");
    // A WAV of half a second from the conversion.
    ui->Answer(gsm);
    d.OnFile2wav();
    ASSERT_TRUE(std::filesystem::exists(Path("My Files/short.wav")));
    std::filesystem::rename(Path("My Files/short.wav"), wav);
    ui->ClearPrompts();
    const struct {
        std::string text;
        int result;
        bool plays;
    } cases[] = {
        {"\"" + gsm + "\"", 1, true},
        {gsm, 1, true},
        {"  \"" + gsm + "\" ", 1, true},
        {"\"" + wav + "\"", 1, true},
        {home.Path() + "/notes.txt", 1, false},
        {"", 1, false},
        {"\"", 1, false},  // a single quote leaves nothing
        {"\"" + home.Path() + "/missing.gsm\"", 0, false},
    };
    for (const auto& c : cases) {
        int result = -1;
        const long long took = Ms([&] { result = d.PlayFile(c.text); });
        EXPECT_EQ(result, c.result) << c.text;
        if (c.plays) EXPECT_GE(took, 450) << c.text;
        else EXPECT_LT(took, 300) << c.text;
    }
    EXPECT_TRUE(Prompts().empty());
    EXPECT_EQ(d.PlayFile(Path("long.gsm")), 0);
    ASSERT_EQ(Prompts().size(), 1u);
    EXPECT_EQ(Prompts()[0].kind, "error");
    EXPECT_EQ(Prompts()[0].text, "Message too long.");
}

TEST_F(DlgTest, ConversionsWriteBesideTheFileUnderTheRightName) {
    CEcholetDlg d;
    const struct {
        std::string from;
        std::string to;
    } toWav[] = {{"msg.GSM", "msg.wav"}, {"notes.bak", "notes.bak.wav"}, {"a.gsm.gsm", "a.gsm.wav"}, {"x.Gsm", "x.wav"}};
    for (const auto& c : toWav) {
        ui->Answer(Put(c.from, GsmBytes(4)));
        d.OnFile2wav();
        EXPECT_TRUE(std::filesystem::exists(Path(c.to))) << c.from;
    }
    // An existing file of the name is replaced without a question.
    testkit::WriteFile(Path("voice.gsm"), "old");
    std::filesystem::copy_file(Path("msg.wav"), Path("voice.WAV"));
    ui->Answer(Path("voice.WAV"));
    d.OnWav2File();
    EXPECT_EQ(testkit::ReadFile(Path("voice.gsm")).size(), 4u * 33 + 2);
    std::filesystem::copy_file(Path("msg.wav"), Path("song.wave"));
    ui->Answer(Path("song.wave"));
    d.OnWav2File();
    EXPECT_TRUE(std::filesystem::exists(Path("song.wave.gsm")));
    for (const auto& p : Prompts()) EXPECT_EQ(p.kind, "open");

    EXPECT_EQ(ConvertedName("/x/msg.GSM", ".gsm", ".wav"), "/x/msg.wav");
    EXPECT_EQ(ConvertedName("/x/voice.WAV", ".wav", ".gsm"), "/x/voice.gsm");
    EXPECT_EQ(ConvertedName("/x/.gsm", ".gsm", ".wav"), "/x/.wav");
    EXPECT_EQ(ConvertedName("gsm", ".gsm", ".wav"), "gsm.wav");
}

TEST_F(DlgTest, A32768ByteGsmFileIsConvertedAnd32769BytesAreTooLong) {
    CEcholetDlg d;
    std::string full = GsmBytes(992);  // 32738 bytes
    full.insert(full.size() - 2, std::string(30, '\x55'));
    ASSERT_EQ(full.size(), 32768u);
    ui->Answer(Put("full.gsm", full));
    d.OnFile2wav();
    EXPECT_EQ(testkit::ReadFile(Path("full.wav")).size(), 44u + 496 * 640);
    ui->Answer(Put("over.gsm", full + "x"));
    d.OnFile2wav();
    EXPECT_FALSE(std::filesystem::exists(Path("over.wav")));
    ASSERT_EQ(Prompts().size(), 3u);
    EXPECT_EQ(Prompts()[2].kind, "error");
    EXPECT_EQ(Prompts()[2].text, "Message too long.");
}

TEST_F(DlgTest, AWavOfAnotherFormatGetsItsMessageThroughTheButton) {
    CEcholetDlg d;
    ui->Answer(Put("stereo.wav", std::string("RIFF\x24\0\0\0WAVEfmt \x10\0\0\0\x01\0\x02\0", 24) + std::string(20, '\0')));
    d.OnWav2File();
    ASSERT_EQ(Prompts().size(), 2u);
    EXPECT_EQ(Prompts()[1].text, "Wav-File must have 1 Cannel, 8000 Hz, 16 Bit");
    EXPECT_FALSE(std::filesystem::exists(Path("stereo.gsm")));
}

TEST_F(DlgTest, ClosingTheDialogClosesThePort) {
    // A modem that keeps its echo: the wake-up fails with the port open.
    auto port = std::make_shared<serial::FakePort>();
    port->SetResponder([](const std::string& line) { return line + "\r\n\r\nOK\r\n"; });
    serial::ScopedPortFactory factory([&](const std::string&) { return port; });
    CEcholetDlg d;
    d.OnPlayom();
    EXPECT_TRUE(d.Com().IsOpen());
    EXPECT_FALSE(port->Closed());
    d.reject();
    EXPECT_TRUE(port->Closed());
    EXPECT_FALSE(d.Com().IsOpen());
}

TEST(EcholetCommandLine, ArgumentsMakeTheTextTheShellWouldPass) {
    char prog[] = "echolet", a[] = "/home/me/My Files/hello.gsm", b[] = "x.wav", q[] = "\"/tmp/q.gsm\"";
    char* one[] = {prog, a, nullptr};
    char* two[] = {prog, b, a, nullptr};
    char* quoted[] = {prog, q, nullptr};
    char* none[] = {prog, nullptr};
    EXPECT_EQ(CommandLineOf(2, one), "\"/home/me/My Files/hello.gsm\"");
    EXPECT_EQ(CommandLineOf(3, two), "x.wav \"/home/me/My Files/hello.gsm\"");
    EXPECT_EQ(CommandLineOf(2, quoted), "\"/tmp/q.gsm\"");
    EXPECT_EQ(CommandLineOf(1, none), "");
}

}  // namespace
}  // namespace echolet
