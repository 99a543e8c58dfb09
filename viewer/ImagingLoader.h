#pragma once
// The viewer's side of the imaging library: the start-up check that it can
// be loaded, and the making of its two controls.
#include <memory>

#include "viewer/Imaging.h"

// Loads the imaging library by name from the program's folder and frees it
// again. When it cannot be loaded (or is not the library this program was
// built for), shows the error box and ends the process with exit code 0
// (through process::Halt, so a test handler sees the code and the call returns).
void CheckImagingComponent();

namespace imaging {

// The library as loaded for the run: loaded at the first control made and
// kept to the end of the process. Both raise EOleException when it is missing.
TImgEdit* CreateImgEdit(QWidget* Parent);
std::unique_ptr<TImgAdmin> CreateImgAdmin();

}  // namespace imaging
