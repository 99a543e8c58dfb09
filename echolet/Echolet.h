#pragma once
// Echolet's application: the registration of ".gsm" files at every start,
// then its one dialog; and the about dialog.
#include <QDialog>
#include <string>

namespace echolet {

// The file type that ".gsm" files are registered as.
inline constexpr const char* kFileType = "Echolet.File";

// Writes the ".gsm" file type into HKCR for the program at ProgramPath: the
// type's description, its open command (the program and the file's path in
// double quotes) and its icon, then ".gsm" itself, but only when ".gsm"
// names no other file type yet. False when a write failed; the writes after
// it are not made.
bool RegisterGsmFiles(const std::string& ProgramPath);

// The about dialog: the program's picture, name and version, its maker and
// where to reach them.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* Parent = nullptr);
};

// The application: registers ".gsm" files, then runs the dialog with the
// command line; the program ends when the dialog closes.
class CEcholetApp {
public:
    // The arguments of the program, without its own name.
    std::string m_lpCmdLine;
    // False in every case: nothing runs after the dialog.
    bool InitInstance();
};

}  // namespace echolet
