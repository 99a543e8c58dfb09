#include "murmel/OptionsDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QValidator>
#include <QVBoxLayout>

#include "murmel/MurmelApp.h"
#include "platform/Ui.h"

namespace {

// Typing stops at the field's limit; a longer text put in by the program
// stays as it is (and is refused when the values are taken).
class MaxChars : public QValidator {
public:
    MaxChars(int limit, QObject* parent) : QValidator(parent), limit_(limit) {}
    State validate(QString& text, int&) const override { return text.size() > limit_ ? Invalid : Acceptable; }

private:
    int limit_;
};

// The standard refusal of the data exchange: the message, then the focus on
// the field, its text selected.
void Refuse(QWidget* field, const std::string& text) {
    ui::MessageBox({text, murmel::kAppName, ui::MbOk, ui::IconWarning});
    field->setFocus();
    if (auto* e = qobject_cast<QLineEdit*>(field)) e->selectAll();
}

// A positive integer as the exchange reads one: blanks around it, an
// optional "+", digits; no sign "-", nothing else.
bool ReadUnsigned(const QString& text, unsigned& value) {
    const QString t = text.trimmed();
    QString digits = t.startsWith('+') ? t.mid(1) : t;
    if (digits.isEmpty()) return false;
    unsigned long long v = 0;
    for (QChar c : digits) {
        if (c < '0' || c > '9') return false;
        v = std::min<unsigned long long>(v * 10 + static_cast<unsigned>(c.unicode() - '0'), 0xFFFFFFFFull);
    }
    value = static_cast<unsigned>(v);
    return true;
}

QCheckBox* AddCheck(QWidget* owner, QGridLayout* grid, int row, const char* id, const char* text, int span = 3) {
    auto* box = new QCheckBox(QString::fromUtf8(text), owner);
    box->setObjectName(id);
    grid->addWidget(box, row, 0, 1, span);
    return box;
}

QLineEdit* AddEdit(QWidget* owner, const char* id) {
    auto* e = new QLineEdit(owner);
    e->setObjectName(id);
    return e;
}

}  // namespace

COptionsDlg::COptionsDlg(QWidget* Parent) : QDialog(Parent) {
    setObjectName("130");
    setWindowTitle("Murmel Options");
    setWindowFlag(Qt::WindowContextHelpButtonHint, true);

    auto* options = new QGroupBox("Options", this);
    auto* og = new QGridLayout(options);
    AddCheck(options, og, 0, "1020", "Always on top");
    AddCheck(options, og, 1, "1019", "Check on start");
    AddCheck(options, og, 2, "1042", "Play after Check");
    AddCheck(options, og, 3, "1021", "Delete Modem-Memory after Check");

    auto* save = new QGroupBox("Save Messages", this);
    auto* sg = new QGridLayout(save);
    sg->addWidget(new QLabel("Path", save), 0, 0);
    QLineEdit* path = AddEdit(save, "1022");
    path->setValidator(new MaxChars(256, path));
    path->setMinimumWidth(path->fontMetrics().horizontalAdvance(QString(32, 'x')));
    sg->addWidget(path, 0, 1);
    auto* browse = new QPushButton("...", save);
    browse->setObjectName("1023");
    browse->setVisible(false);
    sg->addWidget(browse, 0, 2);
    sg->addWidget(new QLabel("Counter", save), 1, 0);
    QLineEdit* counter = AddEdit(save, "1024");
    counter->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), counter));
    counter->setMaximumWidth(counter->fontMetrics().horizontalAdvance("0000000"));
    sg->addWidget(counter, 1, 1, Qt::AlignLeft);

    auto* send = new QGroupBox("Send Messages", this);
    auto* mg = new QGridLayout(send);
    AddCheck(send, mg, 0, "1026", "Send to");
    QLineEdit* mail = AddEdit(send, "1027");
    mail->setValidator(new MaxChars(200, mail));
    mg->addWidget(mail, 1, 0, 1, 3);

    auto* modem = new QGroupBox("Modem", this);
    auto* dg = new QGridLayout(modem);
    dg->addWidget(new QLabel("Port", modem), 0, 0);
    port_ = new QComboBox(modem);
    port_->setObjectName("1028");
    port_->setEditable(true);
    for (int i = 1; i <= 8; ++i) port_->addItem(QString("COM%1").arg(i));
    dg->addWidget(port_, 0, 1);
    dg->addWidget(new QLabel("Baudrate", modem), 1, 0);
    baudrate_ = new QComboBox(modem);
    baudrate_->setObjectName("1031");
    for (const char* b : {"9600", "19200", "38400", "57600", "115200"}) baudrate_->addItem(b);
    dg->addWidget(baudrate_, 1, 1);
    AddCheck(modem, dg, 2, "1029", "Set the number of rings to", 2);
    QLineEdit* rings = AddEdit(modem, "1030");
    rings->setMaximumWidth(rings->fontMetrics().horizontalAdvance("00000"));
    dg->addWidget(rings, 2, 2, Qt::AlignLeft);
    dg->setColumnStretch(2, 1);

    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("1");
    ok->setDefault(true);
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("2");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* grid = new QGridLayout;
    grid->addWidget(options, 0, 0);
    grid->addWidget(save, 0, 1);
    grid->addWidget(send, 1, 0);
    grid->addWidget(modem, 1, 1);
    auto* top = new QVBoxLayout(this);
    top->addLayout(grid);
    top->addLayout(buttons);
    top->setSizeConstraint(QLayout::SetFixedSize);  // a dialog of a fixed size, as its resource lays it out

    connect(ok, &QPushButton::clicked, this, &COptionsDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &COptionsDlg::reject);
    connect(browse, &QPushButton::clicked, this, &COptionsDlg::OnBrowse);
    connect(check("1029"), &QCheckBox::clicked, this, &COptionsDlg::OnRingsetup);
}

QCheckBox* COptionsDlg::check(const char* id) const { return findChild<QCheckBox*>(id); }
QLineEdit* COptionsDlg::edit(const char* id) const { return findChild<QLineEdit*>(id); }

bool COptionsDlg::DoDataExchange(bool Save) {
    const auto flag = [&](const char* id, int& member) {
        if (Save) member = check(id)->isChecked() ? 1 : 0;
        else check(id)->setChecked(member != 0);
    };
    const auto text = [&](const char* id, QString& member, int limit) {
        QLineEdit* e = edit(id);
        if (!Save) {
            e->setText(member);
            return true;
        }
        if (limit > 0 && e->text().size() > limit) {
            Refuse(e, "Please enter no more than " + std::to_string(limit) + " characters.");
            return false;
        }
        member = e->text();
        return true;
    };
    const auto number = [&](const char* id, unsigned& member, unsigned low, unsigned high) {
        QLineEdit* e = edit(id);
        if (!Save) {
            e->setText(QString::number(member));
            return true;
        }
        unsigned v = 0;
        if (!ReadUnsigned(e->text(), v)) {
            Refuse(e, "Please enter a positive integer.");
            return false;
        }
        member = v;
        if (v < low || v > high) {
            Refuse(e, "Please enter an integer between " + std::to_string(low) + " and " + std::to_string(high) + ".");
            return false;
        }
        return true;
    };

    flag("1020", m_bAlwaysontop);
    if (Save) {
        m_strPort = port_->currentText();
    } else {
        port_->setCurrentIndex(port_->findText(m_strPort));
        port_->setEditText(m_strPort);
    }
    if (!text("1027", m_strMailadress, 200) || !text("1022", m_strPath, 256)) return false;
    flag("1026", m_bMailmessages);
    if (Save) m_strBaudrate = baudrate_->currentIndex() < 0 ? QString() : baudrate_->currentText();
    else baudrate_->setCurrentIndex(baudrate_->findText(m_strBaudrate));
    if (!number("1024", m_nCounter, 1, 9999)) return false;
    flag("1019", m_bAutocheck);
    flag("1042", m_bAutoplay);
    flag("1021", m_bAutodelete);
    if (!number("1030", m_nRingnumber, 3, 6)) return false;
    flag("1029", m_bRingsetup);
    return true;
}

void COptionsDlg::OnInitDialog() {
    DoDataExchange(false);
    edit("1030")->setEnabled(m_bRingsetup != 0);
}

void COptionsDlg::OnRingsetup() {
    DoDataExchange(true);
    edit("1030")->setEnabled(m_bRingsetup != 0);
}

void COptionsDlg::OnBrowse() {}

int COptionsDlg::exec() {
    OnInitDialog();
    return QDialog::exec();
}

void COptionsDlg::accept() {
    if (DoDataExchange(true)) QDialog::accept();
}
