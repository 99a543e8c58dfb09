#pragma once
// The about box of Pellow and its fax viewer: product name and version, the
// project's web page and bug-report address as clickable links, and the
// credits of the libraries the programs are built on.
#include <QDialog>
#include <QPixmap>

class QLabel;
class QPushButton;
class QTextEdit;

class TFormAboutPellow : public QDialog {
    Q_OBJECT

public:
    explicit TFormAboutPellow(QWidget* Owner = nullptr);

    // Where the links lead.
    static const char* const WebAddress;
    static const char* const MailLink;

    // Sets name, version and both links; runs at every showing.
    void FormShow();
    void LabelLatestVersionClick();
    void LabelBugsClick();

    QLabel* ProgramName;
    QLabel* Version;
    QLabel* LabelLatestVersionText;
    QLabel* LabelLatestVersion;
    QLabel* LabelBugsText;
    QLabel* LabelBugs;
    QLabel* Label2;
    QLabel* Image2;
    QTextEdit* RichEdit1;
    QPushButton* Button1;

protected:
    void showEvent(QShowEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;
};

// Created at program start and kept for the whole run.
extern TFormAboutPellow* FormAboutPellow;

// The program's small picture: the application's icon when the program has
// set one, else a modem with a message drawn here.
QPixmap ProgramPicture(int Size);
