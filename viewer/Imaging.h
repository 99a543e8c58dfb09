#pragma once
// The imaging controls that the viewer's window hosts: the display control
// TImgEdit (shows, turns, zooms, writes and prints the pages of a fax TIFF
// file) and the administration control TImgAdmin (the file and print
// dialogs). Both live in the imaging library, which the viewer loads by name
// at run time from its own folder; this header is all that the two sides
// share. The library makes the controls through the entry points below and
// reaches the user only through the user interface the viewer hands it.
//
// Every property and method may raise EOleException; its text is what the
// user is shown.
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/Exceptions.h"

namespace ui {
class UserInterface;
}

// A failure reported by an imaging control.
class EOleException : public Exception {
public:
    using Exception::Exception;
};

// The display control: a window showing page Page of the file Image at Zoom
// percent. The pages are decoded when they are first shown and kept.
class TImgEdit : public QWidget {
public:
    using QWidget::QWidget;

    // The file whose pages are shown; once set, the next ShowImage opens it
    // (afresh, also when the name is the same).
    virtual std::string Image() const = 0;
    virtual void SetImage(const std::string& Value) = 0;
    // Percent; 100 shows one pixel of the image across per screen pixel, and
    // the height follows the image's resolutions. Setting it redraws a shown page.
    virtual float Zoom() const = 0;
    virtual void SetZoom(float Value) = 0;
    // 1-based; takes effect at the next ShowImage.
    virtual int32_t Page() const = 0;
    virtual void SetPage(int32_t Value) = 0;
    // 0 picks pixels when the page is reduced; 1 to 4 smooth it to grey levels.
    virtual int16_t DisplayScaleAlgorithm() const = 0;
    virtual void SetDisplayScaleAlgorithm(int16_t Value) = 0;
    // A page of Image is on display.
    virtual bool ImageDisplayed() const = 0;
    // The pages of the file last opened; 0 when none is.
    virtual int32_t PageCount() const = 0;
    // Whether the user may draw a selection rectangle with the left mouse button.
    virtual bool SelectionRectangle() const = 0;
    virtual void SetSelectionRectangle(bool Value) = 0;

    // Shows page Page of Image at Zoom, opening Image when it is new.
    virtual void ShowImage() = 0;
    // A quarter turn of the shown page, left and right; the file's other
    // pages keep the turn until Image is set again.
    virtual void TurnCounterClockwise() = 0;
    virtual void TurnClockwise() = 0;
    virtual void RepaintImage() = 0;
    // Zooms so that the last selection rectangle fills the window.
    virtual void ZoomToRectangle() = 0;
    // Writes all pages (WriteImageFile) or the shown page (WritePageFile) to
    // Path as a TIFF file, each page with its own coding and resolutions, as
    // stored: FileType 1 (TIFF), PageType 1 (black and white),
    // CompressionType 2 and CompressionInfo 2 (the page's own coding),
    // SaveAtZoom False (the page as stored), PageOption 1 (replace the file).
    virtual void WriteImageFile(const std::string& Path, int16_t FileType, int16_t PageType, int16_t CompressionType,
                                int16_t CompressionInfo, bool SaveAtZoom) = 0;
    virtual void WritePageFile(const std::string& Path, int16_t FileType, int16_t PageType, int16_t CompressionType,
                               int16_t CompressionInfo, bool SaveAtZoom, int16_t PageOption) = 0;
    // Prints pages First to Last on the printer of the last print dialog
    // (else the default printer): OutputFormat 0 one image pixel per printer
    // pixel, 1 the image's own size, 2 each page fitted to the paper.
    virtual void PrintPages(int32_t First, int32_t Last, int16_t OutputFormat) = 0;
    // Zoom to fit the window: Option 0 the whole page, 1 its width, 2 its height.
    virtual void FitImage(int16_t Option, bool Repaint) = 0;
    virtual void ShowAboutBox() = 0;

    // Raised when the user has drawn a selection rectangle: its left, top,
    // width and height in pixels of the page as displayed.
    std::function<void(int32_t Left, int32_t Top, int32_t Width, int32_t Height)> OnSelectionRectDrawn;
};

// The administration control: file and print dialogs for a file.
class TImgAdmin {
public:
    virtual ~TImgAdmin() = default;

    // "Description|pattern|..." as the file dialogs show it.
    virtual std::string Filter() const = 0;
    virtual void SetFilter(const std::string& Value) = 0;
    // The path a dialog starts from and hands back; the file a print dialog is for.
    virtual std::string Image() const = 0;
    virtual void SetImage(const std::string& Value) = 0;
    virtual std::string DefaultExt() const = 0;
    virtual void SetDefaultExt(const std::string& Value) = 0;
    virtual std::string InitDir() const = 0;
    virtual void SetInitDir(const std::string& Value) = 0;
    // What the last print dialog chose: 0 all pages, 1 PrintStartPage to
    // PrintEndPage, 2 the current page.
    virtual int16_t PrintRangeOption() const = 0;
    virtual int32_t PrintStartPage() const = 0;
    virtual int32_t PrintEndPage() const = 0;

    // The print dialog for the pages of Image; raises when it is cancelled.
    virtual void AskPrintOptions() = 0;
    // The file dialog, Kind 0 open or 1 save as; ParentWindow -1 is the active
    // window. The chosen path goes to Image; raises when it is cancelled.
    virtual void AskFileName(int16_t Kind, int32_t ParentWindow) = 0;
};

namespace imaging {

// The library the viewer loads, as the system names it, and its entry points.
inline constexpr const char* LibraryName = "IMGEDIT.OCX";
inline constexpr const char* VersionEntry = "PellowImagingInterface";
inline constexpr const char* CreateEditEntry = "PellowCreateImgEdit";
inline constexpr const char* CreateAdminEntry = "PellowCreateImgAdmin";
// The version of this header; a library built against another one is not used.
inline constexpr int32_t InterfaceVersion = 1;

// Where the controls find the user interface of the program that hosts them.
using CurrentUi = ui::UserInterface& (*)();

using VersionFunction = int32_t (*)();
using CreateEditFunction = TImgEdit* (*)(QWidget* Parent, CurrentUi Ui);
using CreateAdminFunction = TImgAdmin* (*)(CurrentUi Ui);

}  // namespace imaging
