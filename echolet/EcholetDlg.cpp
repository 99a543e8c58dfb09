#include "echolet/EcholetDlg.h"

#include <QContextMenuEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>
#include <fstream>
#include <vector>

#include "echolet/Echolet.h"
#include "echolet/EcholetPictures.h"
#include "echolet/EcholetSound.h"
#include "echolet/GsmWav.h"
#include "platform/App.h"
#include "platform/StrUtils.h"
#include "platform/Ui.h"

namespace echolet {

namespace {

// String resource 101: the about item of the window menu.
const char* const kAboutItem = "Inf&o über Echolet...";

bool EndsWithNoCase(const std::string& Text, const std::string& End) {
    return Text.size() >= End.size() && SameText(Text.substr(Text.size() - End.size()), End);
}

void TooLong() { EcholetMessage("Message too long.", ui::IconError); }

// A whole file, when it can be read and holds at most Limit bytes; Size
// tells its length either way (-1 when it cannot be opened).
bool ReadUpTo(const std::string& Path, std::size_t Limit, std::vector<uint8_t>& Data, long long& Size) {
    std::ifstream in(Path, std::ios::binary | std::ios::ate);
    Size = -1;
    if (!in) return false;
    Size = static_cast<long long>(in.tellg());
    if (Size < 0 || static_cast<unsigned long long>(Size) > Limit) return false;
    in.seekg(0);
    Data.resize(static_cast<std::size_t>(Size));
    in.read(reinterpret_cast<char*>(Data.data()), Size);
    return static_cast<bool>(in) || Size == 0;
}

ui::FileSpec OpenSpec(const char* Filter, const char* DefaultExt) {
    ui::FileSpec spec;
    spec.filter = Filter;
    spec.defaultExt = DefaultExt;
    return spec;
}

}  // namespace

std::string ConvertedName(const std::string& Path, const std::string& Ext, const std::string& NewExt) {
    return (EndsWithNoCase(Path, Ext) ? Path.substr(0, Path.size() - Ext.size()) : Path) + NewExt;
}

std::string CommandLineOf(int Argc, char** Argv) {
    std::string line;
    for (int i = 1; i < Argc; ++i) {
        const std::string arg = Argv[i];
        if (!line.empty()) line += ' ';
        line += arg.find(' ') != std::string::npos ? "\"" + arg + "\"" : arg;
    }
    return line;
}

CEcholetDlg::CEcholetDlg(std::string CommandLine, QWidget* Parent)
    : QDialog(Parent), commandLine_(std::move(CommandLine)), m_hIcon(EcholetIcon()) {
    setObjectName("CEcholetDlg");
    setWindowTitle("Murmel: Outgoing Message");
    // A dialog of its own in the task bar, with a caption and a window menu.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);

    auto* modem = new QVBoxLayout;
    modem->addWidget(AddButton("Mom2file", 1000, "Modem Outgoing Message -> .GSM", &CEcholetDlg::OnMom2file));
    modem->addWidget(AddButton("Mmf2file", 1001, "Modem Memory Full Message -> .GSM", &CEcholetDlg::OnMmf2file));
    modem->addSpacing(8);
    modem->addWidget(AddButton("Playom", 1007, "Play Outgoing Message", &CEcholetDlg::OnPlayom));
    modem->addWidget(AddButton("Playmf", 1008, "Play Memory Full Message", &CEcholetDlg::OnPlaymf));
    modem->addSpacing(8);
    auto* files = new QHBoxLayout;
    files->addWidget(AddButton("File2wav", 1002, ".GSM -> .WAV", &CEcholetDlg::OnFile2wav));
    files->addWidget(AddButton("Play", 1003, "Play", &CEcholetDlg::OnPlay));
    files->addWidget(AddButton("Wav2File", 1004, ".WAV -> .GSM", &CEcholetDlg::OnWav2File));
    modem->addLayout(files);
    modem->addSpacing(8);
    modem->addWidget(AddButton("File2mom", 1005, ".GSM -> Modem Outgoing Message", &CEcholetDlg::OnFile2mom));
    modem->addWidget(AddButton("File2mmf", 1006, ".GSM -> Modem Memory Full Message", &CEcholetDlg::OnFile2mmf));
    modem->addStretch();

    auto* side = new QVBoxLayout;
    auto* picture = new QLabel;
    picture->setObjectName("Bitmap");
    picture->setPixmap(EcholetBitmap());
    side->addWidget(picture, 0, Qt::AlignTop | Qt::AlignHCenter);
    side->addStretch();
    auto* ok = new QPushButton("OK");
    ok->setObjectName("IDOK");
    ok->setProperty("id", 1);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* cancel = new QPushButton("Cancel");
    cancel->setObjectName("IDCANCEL");
    cancel->setProperty("id", 2);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    side->addWidget(ok);
    side->addWidget(cancel);

    auto* top = new QHBoxLayout(this);
    top->addLayout(modem, 1);
    top->addLayout(side);

    systemMenu_ = new QMenu(this);
    systemMenu_->setObjectName("SystemMenu");
    QAction* close = systemMenu_->addAction("&Close\tAlt+F4");
    connect(close, &QAction::triggered, this, &QDialog::reject);
    auto* menuKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
    connect(menuKey, &QShortcut::activated, this,
            [this] { systemMenu_->popup(mapToGlobal(QPoint(0, 0))); });
}

CEcholetDlg::~CEcholetDlg() { OnDestroy(); }

QPushButton* CEcholetDlg::AddButton(const char* Name, int Id, const char* Caption, void (CEcholetDlg::*Handler)()) {
    auto* b = new QPushButton(Caption);
    b->setObjectName(Name);
    b->setProperty("id", Id);
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, [this, Handler] { app::Guarded([&] { (this->*Handler)(); }); });
    return b;
}

int CEcholetDlg::DoModal() {
    OnInitDialog();
    return exec();
}

bool CEcholetDlg::OnInitDialog() {
    systemMenu_->addSeparator();
    QAction* about = systemMenu_->addAction(QString::fromUtf8(kAboutItem));
    about->setObjectName("IDM_ABOUTBOX");
    connect(about, &QAction::triggered, this, [this] { OnSysCommand(kIdmAboutBox); });
    setWindowIcon(m_hIcon);
    m_com.closecom();
    PlayFile(commandLine_);
    return true;
}

int CEcholetDlg::PlayFile(const std::string& Text) {
    std::string name = Text;
    if (const std::size_t first = name.find('"'); first != std::string::npos) {
        name = name.substr(first + 1);
        const std::size_t last = name.rfind('"');
        name = last == std::string::npos ? "" : name.substr(0, last);
    }
    if (EndsWithNoCase(name, ".wav")) {
        PlayWaveFile(name);
        return 1;
    }
    if (!EndsWithNoCase(name, ".gsm")) return 1;
    std::vector<uint8_t> data;
    long long size = 0;
    if (!ReadUpTo(name, kMaxMessageFile, data, size)) {
        if (size > static_cast<long long>(kMaxMessageFile)) TooLong();
        return 0;
    }
    GsmToWav(data.data(), data.size(), "");
    return 1;
}

void CEcholetDlg::OnMom2file() { m_com.modem2file(TMessage::Outgoing); }
void CEcholetDlg::OnMmf2file() { m_com.modem2file(TMessage::MemoryFull); }
void CEcholetDlg::OnPlayom() { m_com.PlayMessage(TMessage::Outgoing); }
void CEcholetDlg::OnPlaymf() { m_com.PlayMessage(TMessage::MemoryFull); }
void CEcholetDlg::OnFile2mom() { m_com.file2modem(TMessage::Outgoing); }
void CEcholetDlg::OnFile2mmf() { m_com.file2modem(TMessage::MemoryFull); }

void CEcholetDlg::OnPlay() {
    const auto chosen = ui::OpenFile(OpenSpec("Sound-Files (*.wav;*.gsm)|*.wav; *.gsm", ""));
    if (chosen) PlayFile(*chosen);
}

void CEcholetDlg::OnFile2wav() {
    const auto chosen = ui::OpenFile(OpenSpec("GSM-Files (*.gsm)|*.gsm", "gsm"));
    if (!chosen) return;
    std::vector<uint8_t> data;
    long long size = 0;
    if (!ReadUpTo(*chosen, kMaxMessageFile, data, size)) {
        // A file too long for the buffer is reported and not converted.
        if (size > static_cast<long long>(kMaxMessageFile)) TooLong();
        return;
    }
    GsmToWav(data.data(), data.size(), ConvertedName(*chosen, ".gsm", ".wav"));
}

void CEcholetDlg::OnWav2File() {
    const auto chosen = ui::OpenFile(OpenSpec("WAV-Files (*.wav)|*.wav", "gsm"));
    if (!chosen) return;
    std::vector<uint8_t> data;
    long long size = 0;
    if (!ReadUpTo(*chosen, static_cast<std::size_t>(-1), data, size)) return;
    WavToGsm(data.data(), data.size(), ConvertedName(*chosen, ".wav", ".gsm"));
}

void CEcholetDlg::OnSysCommand(unsigned Command) {
    if ((Command & 0xFFF0) == kIdmAboutBox) {
        CAboutDlg about(this);
        about.exec();
    }
}

void CEcholetDlg::OnDestroy() { m_com.closecom(); }

void CEcholetDlg::contextMenuEvent(QContextMenuEvent* Event) { systemMenu_->popup(Event->globalPos()); }

void CEcholetDlg::done(int Result) {
    OnDestroy();
    QDialog::done(Result);
}

}  // namespace echolet
