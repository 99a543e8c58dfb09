#include "viewer/ImagingLoader.h"

#include "platform/App.h"
#include "platform/Ui.h"
#include "support/Version.h"

namespace imaging {

namespace {

struct TEntries {
    CreateEditFunction createEdit = nullptr;
    CreateAdminFunction createAdmin = nullptr;
};

// The entry points of a loaded library, when it is the one this program knows.
bool Entries(void* Library, TEntries& Out) {
    const auto version = reinterpret_cast<VersionFunction>(app::GetProcAddress(Library, VersionEntry));
    Out.createEdit = reinterpret_cast<CreateEditFunction>(app::GetProcAddress(Library, CreateEditEntry));
    Out.createAdmin = reinterpret_cast<CreateAdminFunction>(app::GetProcAddress(Library, CreateAdminEntry));
    return version && version() == InterfaceVersion && Out.createEdit && Out.createAdmin;
}

const TEntries& Library() {
    // Never freed: the controls' code must stay while any of them lives.
    static const TEntries entries = [] {
        TEntries e;
        void* library = app::LoadLibrary(app::LibraryPath(LibraryName));
        if (!library || !Entries(library, e))
            throw EOleException(std::string("The imaging component (") + LibraryName + ") cannot be loaded.");
        return e;
    }();
    return entries;
}

}  // namespace

TImgEdit* CreateImgEdit(QWidget* Parent) { return Library().createEdit(Parent, &ui::Current); }

std::unique_ptr<TImgAdmin> CreateImgAdmin() { return std::unique_ptr<TImgAdmin>(Library().createAdmin(&ui::Current)); }

}  // namespace imaging

void CheckImagingComponent() {
    void* library = app::LoadLibrary(app::LibraryPath(imaging::LibraryName));
    imaging::TEntries entries;
    const bool usable = library && imaging::Entries(library, entries);
    app::FreeLibrary(library);
    if (!usable) StartupFailure("Imaging component (IMGEDIT.OCX) not found. Please consult the Pellow documentation");
}
