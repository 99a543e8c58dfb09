#pragma once
// The real dialogs of the UI seam, on Qt widgets, and how they sit with the
// window manager: every box and dialog is a dialog window of the one that is
// active (no minimise or maximise button), and a box is wide enough for its
// caption.
#include <QMessageBox>
#include <memory>

#include "platform/Ui.h"

namespace ui {

// The frame of a dialog window: a caption and, with CloseButton, the close
// button and the window menu; never minimise or maximise.
Qt::WindowFlags DialogFrame(bool CloseButton = true);

// The room a frame takes beside its caption text: the window icon and the
// buttons of the title bar, with their margins.
constexpr int kFrameCaptionAllowance = 110;

// The box of a MessageSpec as the Qt interface shows it: the icon and the
// buttons the spec asks for, the default button, the dialog frame, and at
// least as wide as its caption with the frame's allowance. Parent: the
// window it is a dialog of (null: the active window).
std::unique_ptr<QMessageBox> MakeMessageBox(const MessageSpec& Spec, QWidget* Parent = nullptr);

}  // namespace ui
