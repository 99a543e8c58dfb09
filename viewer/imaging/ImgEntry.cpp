// The entry points by which the viewer makes the controls.
#include <type_traits>

#include "viewer/imaging/ImgAdmin.h"
#include "viewer/imaging/ImgEdit.h"
#include "viewer/imaging/ImgLibrary.h"

extern "C" {

int32_t PellowImagingInterface() { return imaging::InterfaceVersion; }

TImgEdit* PellowCreateImgEdit(QWidget* Parent, imaging::CurrentUi Ui) {
    imaging::SetHostUi(Ui);
    return new imaging::TImgEditControl(Parent);
}

TImgAdmin* PellowCreateImgAdmin(imaging::CurrentUi Ui) {
    imaging::SetHostUi(Ui);
    return new imaging::TImgAdminControl();
}

}  // extern "C"

static_assert(std::is_same_v<decltype(&PellowImagingInterface), imaging::VersionFunction>);
static_assert(std::is_same_v<decltype(&PellowCreateImgEdit), imaging::CreateEditFunction>);
static_assert(std::is_same_v<decltype(&PellowCreateImgAdmin), imaging::CreateAdminFunction>);
