#include "platform/QtUi.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSpacerItem>
#include <QStringList>
#include <QStyle>
#include <algorithm>

namespace ui {
namespace {

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

int ResultOf(QMessageBox::StandardButton b) {
    switch (b) {
        case QMessageBox::Cancel: return IdCancel;
        case QMessageBox::Abort: return IdAbort;
        case QMessageBox::Retry: return IdRetry;
        case QMessageBox::Ignore: return IdIgnore;
        case QMessageBox::Yes: return IdYes;
        case QMessageBox::No: return IdNo;
        default: return IdOk;
    }
}

QMessageBox::Icon QtIcon(Icon icon) {
    switch (icon) {
        case IconError: return QMessageBox::Critical;
        case IconQuestion: return QMessageBox::Question;
        case IconWarning: return QMessageBox::Warning;
        case IconInformation: return QMessageBox::Information;
        case IconNone: break;
    }
    return QMessageBox::NoIcon;
}

QStyle::StandardPixmap Pixmap(Icon icon) {
    switch (icon) {
        case IconError: return QStyle::SP_MessageBoxCritical;
        case IconQuestion: return QStyle::SP_MessageBoxQuestion;
        case IconWarning: return QStyle::SP_MessageBoxWarning;
        default: return QStyle::SP_MessageBoxInformation;
    }
}

// "Text|*.tif;*.tiff|All|*.*" -> "Text (*.tif *.tiff);;All (*.*)"
QString QtFilter(const std::string& filter) {
    const QStringList parts = Q(filter).split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        out << parts[i] + " (" + QString(parts[i + 1]).replace(';', ' ') + ")";
    return out.join(";;");
}

QMessageBox::StandardButton QtButton(int result) {
    switch (result) {
        case IdCancel: return QMessageBox::Cancel;
        case IdAbort: return QMessageBox::Abort;
        case IdRetry: return QMessageBox::Retry;
        case IdIgnore: return QMessageBox::Ignore;
        case IdYes: return QMessageBox::Yes;
        case IdNo: return QMessageBox::No;
        default: return QMessageBox::Ok;
    }
}

// The window a box or dialog belongs to: the active one, so that the window
// manager keeps it over that window and treats it as its dialog.
QWidget* Owner() {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return nullptr;
    return QApplication::activeWindow();
}

// A box without buttons that stays up while the caller works. It belongs to
// the active window, which may go first: then it goes with it.
class QtNotice : public Notice {
public:
    explicit QtNotice(const MessageSpec& spec) : dialog_(new QDialog(Owner(), DialogFrame(false))) {
        dialog_->setWindowTitle(Q(spec.caption));
        dialog_->setModal(false);
        auto* layout = new QHBoxLayout(dialog_);
        auto* icon = new QLabel(dialog_);
        icon->setPixmap(dialog_->style()->standardIcon(Pixmap(spec.icon)).pixmap(32, 32));
        layout->addWidget(icon);
        layout->addWidget(new QLabel(Q(spec.text), dialog_));
        dialog_->show();
        dialog_->repaint();
    }
    ~QtNotice() override { delete dialog_.data(); }
    QtNotice(const QtNotice&) = delete;
    QtNotice& operator=(const QtNotice&) = delete;

private:
    QPointer<QDialog> dialog_;
};

class QtUi : public UserInterface {
public:
    int MessageBox(const MessageSpec& spec) override {
        const std::unique_ptr<QMessageBox> box = MakeMessageBox(spec);
        box->exec();
        const auto results = ButtonResults(spec.buttons);
        const QList<QAbstractButton*> buttons = box->buttons();
        for (QAbstractButton* b : buttons) {
            if (box->clickedButton() != b) continue;
            const auto at = std::find(results.begin(), results.end(), ResultOf(box->standardButton(b)));
            if (at != results.end()) return *at;
        }
        // Closed with Escape or the window's close button.
        for (int r : results)
            if (r == IdCancel || r == IdNo) return r;
        return results.back();
    }

    std::unique_ptr<Notice> ShowNotice(const MessageSpec& spec) override { return std::make_unique<QtNotice>(spec); }

    std::optional<std::string> OpenFile(const FileSpec& spec) override {
        const QString dir = Q(spec.initialDir.empty() ? spec.fileName : spec.initialDir + "/" + spec.fileName);
        const QString f = QFileDialog::getOpenFileName(Owner(), Q(spec.title), dir, QtFilter(spec.filter));
        if (f.isEmpty()) return std::nullopt;
        return f.toStdString();
    }

    std::optional<std::string> SaveFile(const FileSpec& spec) override {
        QFileDialog dialog(Owner(), Q(spec.title), Q(spec.initialDir), QtFilter(spec.filter));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        if (!spec.defaultExt.empty()) dialog.setDefaultSuffix(Q(spec.defaultExt));
        if (!spec.fileName.empty()) dialog.selectFile(Q(spec.fileName));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
        return dialog.selectedFiles().first().toStdString();
    }

    std::optional<std::string> BrowseFolder(const std::string& title, const std::string& initialDir) override {
        const QString f = QFileDialog::getExistingDirectory(Owner(), Q(title), Q(initialDir));
        if (f.isEmpty()) return std::nullopt;
        return f.toStdString();
    }

    std::optional<PrintChoice> PrintOptions(QPrinter& Printer, const PrintSpec& Spec) override {
        QPrintDialog dialog(&Printer, Owner());
        if (!Spec.title.empty()) dialog.setWindowTitle(Q(Spec.title));
        dialog.setOptions(QAbstractPrintDialog::PrintPageRange | QAbstractPrintDialog::PrintCurrentPage |
                          QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
        dialog.setMinMax(1, Spec.pageCount);
        dialog.setFromTo(1, Spec.pageCount);
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        switch (dialog.printRange()) {
            case QAbstractPrintDialog::PageRange:
                return PrintChoice{PrintChoice::PageRange, dialog.fromPage(), dialog.toPage()};
            case QAbstractPrintDialog::CurrentPage: return PrintChoice{PrintChoice::CurrentPage, 1, 1};
            default: return PrintChoice{PrintChoice::AllPages, 1, Spec.pageCount};
        }
    }

    void SetWaitCursor(bool on) override {
        if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return;
        if (on) QApplication::setOverrideCursor(Qt::WaitCursor);
        else QApplication::restoreOverrideCursor();
    }
};

}  // namespace

Qt::WindowFlags DialogFrame(bool CloseButton) {
    Qt::WindowFlags f = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (CloseButton) f |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    return f;
}

std::unique_ptr<QMessageBox> MakeMessageBox(const MessageSpec& Spec, QWidget* Parent) {
    auto box = std::make_unique<QMessageBox>(QtIcon(Spec.icon), Q(Spec.caption), Q(Spec.text), QMessageBox::NoButton,
                                             Parent ? Parent : Owner(), DialogFrame());
    std::vector<QAbstractButton*> buttons;
    for (int r : ButtonResults(Spec.buttons)) buttons.push_back(box->addButton(QtButton(r)));
    const std::size_t def = Spec.defaultButton >= 0 && static_cast<std::size_t>(Spec.defaultButton) < buttons.size()
                                ? static_cast<std::size_t>(Spec.defaultButton)
                                : 0;
    box->setDefaultButton(static_cast<QPushButton*>(buttons[def]));
    // The box sizes itself to its text; a short text under a longer caption
    // would leave the caption cut short in the title bar.
    QFont title = box->font();
    title.setBold(true);
    const int caption = QFontMetrics(title).horizontalAdvance(Q(Spec.caption)) + kFrameCaptionAllowance;
    if (auto* grid = qobject_cast<QGridLayout*>(box->layout())) {
        const QMargins m = grid->contentsMargins();
        grid->addItem(new QSpacerItem(caption - m.left() - m.right(), 0, QSizePolicy::Fixed, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
    return box;
}

std::unique_ptr<UserInterface> MakeQtUi() { return std::make_unique<QtUi>(); }

}  // namespace ui
