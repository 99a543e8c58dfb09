#pragma once
// What Pellow's dialogs share in making their controls: controls named as
// the forms name them, the placement component under the dialog's key,
// handlers that let no exception into Qt, and texts between the units'
// std::string and Qt.
#include <QObject>
#include <QString>
#include <functional>
#include <string>

#include "support/ToolButtons.h"

class QLineEdit;
class QWidget;
class QHBoxLayout;
class TWndProp;

namespace dialogkit {

inline QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
inline std::string S(const QString& s) { return s.toStdString(); }

using toolbuttons::Named;

// A new control of type W on Parent, with its control name.
template <class W>
W* Make(QWidget* Parent, const char* Name) {
    return Named(new W(Parent), Name);
}

// The row of a dialog's closing buttons, at its right.
QHBoxLayout* ButtonRow(QWidget* First, QWidget* Second);

// The dialog's placement component, named Name, with every option and the
// section "Form"; made first in the dialog's constructor so that it is
// destroyed before the controls whose sizes and fonts it saves. FormCreate
// gives it the dialog's key.
TWndProp* MakePlacement(QWidget* Form, const char* Name);

// Runs Handler as an event handler: an exception ends at the default display.
void Guard(const std::function<void()>& Handler);

// Runs Handler for Sig of From as an event handler.
template <class Sender, class Signal>
void On(Sender* From, Signal Sig, QObject* Context, std::function<void()> Handler) {
    QObject::connect(From, Sig, Context, [Handler = std::move(Handler)] { Guard(Handler); });
}

// The width Edit needs to show Count characters of Sample whole (a password
// edit counts its echo character), with its frame, margins and cursor.
int WidthForChars(const QLineEdit* Edit, int Count, QChar Sample = QLatin1Char('0'));

// A reply as a text control shows it: Qt breaks lines at LF alone.
QString Lines(const std::string& Text);

}  // namespace dialogkit
