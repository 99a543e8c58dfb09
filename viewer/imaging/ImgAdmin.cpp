#include "viewer/imaging/ImgAdmin.h"

#include "platform/Ui.h"
#include "viewer/imaging/ImgLibrary.h"
#include "viewer/imaging/TiffDocument.h"

namespace imaging {

void TImgAdminControl::AskPrintOptions() {
    // The dialog offers the pages the file has.
    const int32_t pages = TTiffDocument(image_).PageCount();
    ui::PrintSpec spec;
    spec.title = "Print";
    spec.pageCount = pages;
    const auto choice = HostUi().PrintOptions(LibraryPrinter(), spec);
    if (!choice) throw EOleException(CancelText);
    rangeOption_ = static_cast<int16_t>(choice->range);
    startPage_ = choice->range == ui::PrintChoice::PageRange ? choice->fromPage : 1;
    endPage_ = choice->range == ui::PrintChoice::PageRange ? choice->toPage : pages;
}

void TImgAdminControl::AskFileName(int16_t Kind, int32_t) {
    if (Kind != 0 && Kind != 1) throw EOleException("File dialog " + std::to_string(Kind) + " does not exist.");
    ui::FileSpec spec;
    spec.title = Kind == 0 ? "Open" : "Save As";
    spec.filter = filter_;
    spec.defaultExt = defaultExt_;
    spec.initialDir = initDir_;
    spec.fileName = image_;
    const auto chosen = Kind == 0 ? HostUi().OpenFile(spec) : HostUi().SaveFile(spec);
    if (!chosen) throw EOleException(CancelText);
    image_ = *chosen;
}

}  // namespace imaging
