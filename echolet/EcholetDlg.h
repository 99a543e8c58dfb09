#pragma once
// Echolet's one window: nine buttons that move the modem's outgoing and
// memory-full messages between the modem and ".gsm" files, convert ".gsm"
// and ".wav" files both ways and play them, plus OK and Cancel. It plays the
// file named on the command line before it first shows, offers the about
// dialog in its window menu, and closes the serial port when it goes.
#include <QDialog>
#include <QIcon>
#include <string>

#include "echolet/EcholetCom.h"

class QMenu;
class QPushButton;

namespace echolet {

class CEcholetDlg : public QDialog {
    Q_OBJECT
public:
    explicit CEcholetDlg(std::string CommandLine = {}, QWidget* Parent = nullptr);
    ~CEcholetDlg() override;

    // Runs the dialog modally: its initialisation (the command line played
    // to its end) before it first shows.
    int DoModal();
    bool OnInitDialog();

    // Plays the ".wav" or ".gsm" file that Text names (in double quotes or
    // not); 0 when a ".gsm" file cannot be read or is too long, else 1.
    int PlayFile(const std::string& Text);

    void OnMom2file();
    void OnMmf2file();
    void OnPlayom();
    void OnPlaymf();
    void OnFile2wav();
    void OnPlay();
    void OnWav2File();
    void OnFile2mom();
    void OnFile2mmf();
    // A command of the window menu; 0x0010 opens the about dialog.
    void OnSysCommand(unsigned Command);
    void OnDestroy();

    // The window menu (the system menu of the window), for the right mouse
    // button and Alt+Space.
    QMenu* SystemMenu() const { return systemMenu_; }
    CEcholetCom& Com() { return m_com; }

    static constexpr unsigned kIdmAboutBox = 0x0010;

protected:
    void contextMenuEvent(QContextMenuEvent* Event) override;
    void done(int Result) override;

private:
    QPushButton* AddButton(const char* Name, int Id, const char* Caption, void (CEcholetDlg::*Handler)());

    std::string commandLine_;
    QIcon m_hIcon;
    QMenu* systemMenu_ = nullptr;
    CEcholetCom m_com;
};

// Output names of the conversions: the chosen path less a final Ext in any
// letter case, plus NewExt ("msg.GSM" -> "msg.wav", "notes.bak" -> "notes.bak.wav").
std::string ConvertedName(const std::string& Path, const std::string& Ext, const std::string& NewExt);

// The text of the command line that the program's arguments make: joined by
// blanks, an argument with a blank in double quotes, as the shell writes one.
std::string CommandLineOf(int Argc, char** Argv);

}  // namespace echolet
