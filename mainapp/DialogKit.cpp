#include "mainapp/DialogKit.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QStyle>
#include <QWidget>

#include "platform/App.h"
#include "support/WndProp.h"

namespace dialogkit {

TWndProp* MakePlacement(QWidget* Form, const char* Name) {
    auto* placement = new TWndProp(Form);
    placement->setObjectName(QString::fromLatin1(Name));
    placement->SetSection("Form");
    placement->SetOptions(wpAllProperties);
    return placement;
}

QHBoxLayout* ButtonRow(QWidget* First, QWidget* Second) {
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(First);
    row->addWidget(Second);
    return row;
}

int WidthForChars(const QLineEdit* Edit, int Count, QChar Sample) {
    const QFontMetrics fm = Edit->fontMetrics();
    // The line edit's own size hint is 17 "x" and what surrounds them.
    const int chrome = Edit->sizeHint().width() - 17 * fm.horizontalAdvance(QLatin1Char('x'));
    if (Edit->echoMode() == QLineEdit::Password)
        Sample = QChar(Edit->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, Edit));
    return chrome + fm.horizontalAdvance(QString(Count, Sample)) + Edit->style()->pixelMetric(QStyle::PM_TextCursorWidth);
}

void Guard(const std::function<void()>& Handler) { app::Guarded(Handler); }

QString Lines(const std::string& Text) {
    QString out = Q(Text);
    out.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return out;
}

}  // namespace dialogkit
