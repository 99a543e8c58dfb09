#include "echolet/Echolet.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "echolet/EcholetDlg.h"
#include "echolet/EcholetPictures.h"
#include "platform/App.h"
#include "platform/Registry.h"
#include "platform/Signals.h"

namespace echolet {

namespace {

// The longest default value the registration reads back; a longer one
// cannot be read.
constexpr std::size_t kReadBuffer = 520;

// Sets the default value of Key, creating the key when it is missing.
bool WriteDefault(const std::string& Key, const std::string& Value) {
    try {
        registry::TRegistry reg(registry::THive::HKCR);
        if (!reg.OpenKey("\\" + Key, true)) return false;
        reg.WriteString("", Value);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// The default value of Key; nothing when it cannot be read.
bool ReadDefault(const std::string& Key, std::string& Value) {
    registry::TRegistry reg(registry::THive::HKCR, registry::TRegAccess::Read);
    if (!reg.OpenKeyReadOnly("\\" + Key)) return false;
    const auto type = reg.GetDataType("");
    if (type != registry::TRegDataType::rdString && type != registry::TRegDataType::rdExpandString) return false;
    Value = reg.ReadString("");
    return Value.size() < kReadBuffer;
}

}  // namespace

bool RegisterGsmFiles(const std::string& ProgramPath) {
    // The program's folder (its path up to the last "/") and its file name
    // as it is: a program file here has no ".EXE" to put back.
    const std::size_t slash = ProgramPath.rfind('/');
    const std::string program = (slash == std::string::npos ? "" : ProgramPath.substr(0, slash)) + "/" +
                                ProgramPath.substr(slash == std::string::npos ? 0 : slash + 1);

    if (!WriteDefault(kFileType, "Gsm-Audio")) return false;
    if (!WriteDefault(std::string(kFileType) + "\\shell\\open\\command", program + " \"%1\"")) return false;
    if (!WriteDefault(std::string(kFileType) + "\\DefaultIcon", program + ",1")) return false;
    std::string current;
    if (!ReadDefault(".gsm", current) || current.empty() || current == kFileType)
        return WriteDefault(".gsm", kFileType);
    return true;
}

CAboutDlg::CAboutDlg(QWidget* Parent) : QDialog(Parent) {
    setObjectName("CAboutDlg");
    setWindowTitle("Info about Echolet");
    auto* grid = new QGridLayout(this);
    auto* picture = new QLabel;
    picture->setPixmap(EcholetBitmap());
    grid->addWidget(picture, 0, 0, 4, 1, Qt::AlignTop);
    const char* const lines[] = {"Echolet, Version 2.06", "Written by Hollin, 4/2000", "echolet@pellow.example.org",
                                 "https://pellow.example.org/echolet/"};
    int row = 0;
    for (const char* line : lines) {
        auto* text = new QLabel(line);
        text->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid->addWidget(text, row++, 1);
    }
    auto* ok = new QPushButton("OK");
    ok->setObjectName("IDOK");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    grid->addWidget(ok, 0, 2, Qt::AlignTop);
}

bool CEcholetApp::InitInstance() {
    if (!RegisterGsmFiles(app::ProgramFile())) return false;
    CEcholetDlg dlg(m_lpCmdLine);
    termsignals::OnTerminate([&dlg] { dlg.reject(); });
    dlg.DoModal();
    termsignals::RestoreDefaults();
    return false;
}

}  // namespace echolet
