#include "support/AboutPellow.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

#include "platform/App.h"
#include "platform/QtUi.h"
#include "platform/Shell.h"

TFormAboutPellow* FormAboutPellow = nullptr;

const char* const TFormAboutPellow::WebAddress = "https://pellow.example.org/";
const char* const TFormAboutPellow::MailLink = "mailto:bugs@pellow.example.org";

namespace {

constexpr int kPictureSize = 32;

const char* const kCredits =
    "Pellow is built on these libraries:\n"
    "Qt - application and GUI framework, (C) The Qt Company Ltd. and other contributors\n"
    "libtiff - TIFF library, (C) Sam Leffler and Silicon Graphics, Inc.\n"
    "libgsm - GSM 06.10 codec, (C) Jutta Degener and Carsten Bormann, Technische Universitaet Berlin\n";

QLabel* MakeLabel(QWidget* Owner, const char* Name, const QString& Text = {}) {
    auto* label = new QLabel(Text, Owner);
    label->setObjectName(Name);
    return label;
}

void MakeCentredLabel(QLabel* Label, bool Bold) {
    Label->setAlignment(Qt::AlignCenter);
    QFont font = Label->font();
    font.setBold(Bold);
    Label->setFont(font);
}

void MakeLinkLabel(QLabel* Label) {
    QFont font = Label->font();
    font.setBold(true);
    font.setUnderline(true);
    Label->setFont(font);
    QPalette palette = Label->palette();
    palette.setColor(QPalette::WindowText, Qt::blue);
    Label->setPalette(palette);
}

bool IsLeftButton(QEvent* Event) { return static_cast<QMouseEvent*>(Event)->button() == Qt::LeftButton; }

}  // namespace

QPixmap ProgramPicture(int Size) {
    const QIcon icon = QApplication::windowIcon();
    if (!icon.isNull()) return icon.pixmap(Size, Size);
    QPixmap picture(Size, Size);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(Size / 32.0, Size / 32.0);
    p.setPen(QPen(QColor(60, 60, 70), 1));
    p.setBrush(QColor(196, 200, 212));
    p.drawRoundedRect(QRectF(2.5, 17.5, 27, 11), 3, 3);
    p.setBrush(QColor(40, 190, 70));
    p.drawEllipse(QRectF(6, 21, 3, 3));
    p.setBrush(QColor(240, 170, 0));
    p.drawEllipse(QRectF(11, 21, 3, 3));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(10.5, 2.5, 17, 11));
    QPainterPath flap;
    flap.moveTo(10.5, 2.5);
    flap.lineTo(19, 9);
    flap.lineTo(27.5, 2.5);
    p.setBrush(Qt::NoBrush);
    p.drawPath(flap);
    return picture;
}

TFormAboutPellow::TFormAboutPellow(QWidget* Owner) : QDialog(Owner) {
    setObjectName("FormAboutPellow");
    setWindowTitle("About");
    setWindowFlags(ui::DialogFrame());

    Image2 = MakeLabel(this, "Image2");
    Image2->setFixedSize(kPictureSize, kPictureSize);
    Image2->setScaledContents(true);
    Image2->setPixmap(ProgramPicture(kPictureSize));
    ProgramName = MakeLabel(this, "ProgramName");
    MakeCentredLabel(ProgramName, true);
    Version = MakeLabel(this, "Version");
    MakeCentredLabel(Version, false);
    LabelLatestVersionText = MakeLabel(this, "LabelLatestVersionText", "Latest version at: ");
    LabelLatestVersion = MakeLabel(this, "LabelLatestVersion");
    MakeLinkLabel(LabelLatestVersion);
    LabelBugsText = MakeLabel(this, "LabelBugsText", "Bugs can be reported to:");
    LabelBugs = MakeLabel(this, "LabelBugs");
    MakeLinkLabel(LabelBugs);
    Label2 = MakeLabel(this, "Label2", "Manages the message memory of voice/fax message modems.");
    MakeCentredLabel(Label2, false);

    RichEdit1 = new QTextEdit(this);
    RichEdit1->setObjectName("RichEdit1");
    RichEdit1->setReadOnly(true);
    RichEdit1->setLineWrapMode(QTextEdit::NoWrap);
    RichEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setPlainText(kCredits);

    Button1 = new QPushButton("&OK", this);
    Button1->setObjectName("Button1");
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);

    // Name and version stay centred over the whole box beside the picture.
    auto* title = new QVBoxLayout;
    title->addWidget(ProgramName);
    title->addWidget(Version);
    auto* top = new QHBoxLayout;
    top->addWidget(Image2, 0, Qt::AlignTop | Qt::AlignLeft);
    top->addLayout(title, 1);
    top->addSpacing(kPictureSize);
    auto* links = new QGridLayout;
    links->addWidget(LabelLatestVersionText, 0, 0);
    links->addWidget(LabelLatestVersion, 0, 1);
    links->addWidget(LabelBugsText, 1, 0);
    links->addWidget(LabelBugs, 1, 1);
    links->setColumnStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(links);
    layout->addWidget(Label2);
    layout->addWidget(RichEdit1, 1);
    layout->addLayout(buttons);
    resize(540, 300);

    LabelLatestVersion->installEventFilter(this);
    LabelBugs->installEventFilter(this);
}

void TFormAboutPellow::FormShow() {
    ProgramName->setText("Pellow");
    Version->setText("Version 0.50");
    // The link labels take cursor number 1 of the application, and as no
    // such cursor is registered they show the default one.
    LabelLatestVersion->setText(WebAddress);
    LabelLatestVersion->unsetCursor();
    LabelBugs->setText(MailLink);
    LabelBugs->unsetCursor();
}

// The shell's answer is not checked: a missing browser or mail program
// leaves the box as it is.
void TFormAboutPellow::LabelLatestVersionClick() { shell::Execute(WebAddress); }

void TFormAboutPellow::LabelBugsClick() { shell::Execute(MailLink); }

void TFormAboutPellow::showEvent(QShowEvent* Event) {
    QDialog::showEvent(Event);
    app::Guarded([this] { FormShow(); });
}

bool TFormAboutPellow::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched != LabelLatestVersion && Watched != LabelBugs) return QDialog::eventFilter(Watched, Event);
    // Taking the press keeps the release with the label, which makes the click.
    if (Event->type() == QEvent::MouseButtonPress && IsLeftButton(Event)) return true;
    if (Event->type() == QEvent::MouseButtonRelease && IsLeftButton(Event)) {
        auto* label = static_cast<QLabel*>(Watched);
        if (label->rect().contains(static_cast<QMouseEvent*>(Event)->position().toPoint()))
            app::Guarded([this, label] { label == LabelLatestVersion ? LabelLatestVersionClick() : LabelBugsClick(); });
        return true;
    }
    return QDialog::eventFilter(Watched, Event);
}
