#pragma once
// The viewer's own tool-button pictures, drawn here.
#include <QIcon>

namespace viewerpictures {

enum class Tool { Open, Save, Print, PrevPage, NextPage, FitToWidth, FitToHeight, BestFit, RotateLeft, RotateRight };

inline constexpr int ToolImageSize = 20;
QIcon ToolPicture(Tool Which);
// The program's icon: a fax page under a magnifying glass.
QIcon ProgramIcon();

}  // namespace viewerpictures
