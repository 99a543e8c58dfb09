#pragma once
// Murmel's about dialog "Info about Murmel": the program's picture, its
// version line, the author and date, the mail and web addresses, and OK.
#include <QDialog>
#include <QPixmap>

class CAboutDlg : public QDialog {
public:
    explicit CAboutDlg(QWidget* Parent = nullptr);

    static const char* const VersionLine;
    static const char* const AuthorLine;
    static const char* const MailAddress;
    static const char* const WebAddress;
};

// The program's picture (bitmap 140), drawn.
QPixmap MurmelPicture(int Size);
