// The real dialogs of the UI seam, on Qt widgets.
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QStyle>

#include "platform/Ui.h"

namespace ui {
namespace {

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

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

// A box without buttons that stays up while the caller works.
class QtNotice : public Notice {
public:
    explicit QtNotice(const MessageSpec& spec) {
        dialog_.setWindowTitle(Q(spec.caption));
        dialog_.setModal(false);
        auto* layout = new QHBoxLayout(&dialog_);
        auto* icon = new QLabel(&dialog_);
        icon->setPixmap(dialog_.style()->standardIcon(Pixmap(spec.icon)).pixmap(32, 32));
        layout->addWidget(icon);
        layout->addWidget(new QLabel(Q(spec.text), &dialog_));
        dialog_.show();
        dialog_.repaint();
    }

private:
    QDialog dialog_;
};

class QtUi : public UserInterface {
public:
    int MessageBox(const MessageSpec& spec) override {
        QMessageBox box(QtIcon(spec.icon), Q(spec.caption), Q(spec.text));
        const auto names = ButtonNames(spec.buttons);
        const auto results = ButtonResults(spec.buttons);
        std::vector<QAbstractButton*> buttons;
        for (int r : results) {
            QMessageBox::StandardButton b = QMessageBox::Ok;
            switch (r) {
                case IdCancel: b = QMessageBox::Cancel; break;
                case IdAbort: b = QMessageBox::Abort; break;
                case IdRetry: b = QMessageBox::Retry; break;
                case IdIgnore: b = QMessageBox::Ignore; break;
                case IdYes: b = QMessageBox::Yes; break;
                case IdNo: b = QMessageBox::No; break;
                default: break;
            }
            buttons.push_back(box.addButton(b));
        }
        const std::size_t def = spec.defaultButton >= 0 && static_cast<std::size_t>(spec.defaultButton) < buttons.size()
                                    ? static_cast<std::size_t>(spec.defaultButton)
                                    : 0;
        box.setDefaultButton(static_cast<QPushButton*>(buttons[def]));
        box.exec();
        for (std::size_t i = 0; i < buttons.size(); ++i)
            if (box.clickedButton() == buttons[i]) return results[i];
        // Closed with Escape or the window's close button.
        for (int r : results)
            if (r == IdCancel || r == IdNo) return r;
        return results.back();
    }

    std::unique_ptr<Notice> ShowNotice(const MessageSpec& spec) override { return std::make_unique<QtNotice>(spec); }

    std::optional<std::string> OpenFile(const FileSpec& spec) override {
        const QString dir = Q(spec.initialDir.empty() ? spec.fileName : spec.initialDir + "/" + spec.fileName);
        const QString f = QFileDialog::getOpenFileName(nullptr, Q(spec.title), dir, QtFilter(spec.filter));
        if (f.isEmpty()) return std::nullopt;
        return f.toStdString();
    }

    std::optional<std::string> SaveFile(const FileSpec& spec) override {
        QFileDialog dialog(nullptr, Q(spec.title), Q(spec.initialDir), QtFilter(spec.filter));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        if (!spec.defaultExt.empty()) dialog.setDefaultSuffix(Q(spec.defaultExt));
        if (!spec.fileName.empty()) dialog.selectFile(Q(spec.fileName));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
        return dialog.selectedFiles().first().toStdString();
    }

    std::optional<std::string> BrowseFolder(const std::string& title, const std::string& initialDir) override {
        const QString f = QFileDialog::getExistingDirectory(nullptr, Q(title), Q(initialDir));
        if (f.isEmpty()) return std::nullopt;
        return f.toStdString();
    }

    void SetWaitCursor(bool on) override {
        if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return;
        if (on) QApplication::setOverrideCursor(Qt::WaitCursor);
        else QApplication::restoreOverrideCursor();
    }
};

}  // namespace

std::unique_ptr<UserInterface> MakeQtUi() { return std::make_unique<QtUi>(); }

}  // namespace ui
