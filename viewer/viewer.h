#pragma once
// The fax viewer's main window: the imaging controls on a panel under a cool
// bar of menu, file, page, zoom and orientation bands. Creation, language,
// the first showing with the command line, and closing are in viewer.cpp;
// open, save, print, exit and the temporary file in viewerFiles.cpp; pages,
// zoom, fit modes, rotation, the selection rectangle, the shortcuts and the
// enabled states in viewerPages.cpp.
#include <QMainWindow>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QToolBar;
class QToolButton;
class LanguageClass;
class TImgAdmin;
class TImgEdit;
class TWndProp;
class TDragDropFiles;
namespace ole {
class DataObject;
}

namespace leafor {

// The shown file is a temporary file that the viewer deletes when it stops
// showing it or ends normally.
extern bool FaxIsTemporary;
// The language settings, read once by FormCreate.
extern bool LanguageAuto;
extern int32_t LanguageID;
// The viewer's one language object, made by FormCreate.
extern LanguageClass* Lang;

// The section of the window's placement values under the key "...\\Viewer".
inline constexpr const char* ViewerPlacementSection = "Pellow - Fax Viewer";

class TFormMain : public QMainWindow {
    Q_OBJECT

public:
    // Arguments: the command line without the program name, as FormShow takes it.
    explicit TFormMain(std::vector<std::string> Arguments = {}, QWidget* Parent = nullptr);
    ~TFormMain() override;

    // --- start-up and end
    void FormCreate();
    void ApplyLanguage();
    void FormShow();
    void FormClose();
    // The steps of showing the file that ImgAdmin1.Image names.
    void ShowFile();

    // --- files
    void ToolButtonOpenClick();
    void ToolButtonSaveAsClick();
    void MenuFileSavePageClick();
    void ToolButtonPrintClick();
    void MenuFileExitClick();
    void MenuHelpAboutClick();
    void MenuHelpAboutImagingClick();
    void MenuFileOpenClick() { ToolButtonOpenClick(); }
    void MenuFileSaveAsClick() { ToolButtonSaveAsClick(); }
    void MenuFilePrintClick() { ToolButtonPrintClick(); }
    // Deletes the shown temporary file, unless it is Keep (the file the user
    // has just chosen or written), and clears FaxIsTemporary.
    void ReleaseTemporaryFile(const std::string& Keep = "");

    // --- files dropped on the panel (viewerDrop.cpp)
    void DragDropFiles1DragEnter(ole::DataObject* Data, uint32_t KeyState, QPoint Point, uint32_t& Effect,
                                 bool& Accept);
    void DragDropFiles1ProcessDropped(uint32_t KeyState, QPoint Point, uint32_t Effect);

    // --- pages, zoom, fit, rotation
    void ToolButtonNextPageClick();
    void ToolButtonPrevPageClick();
    void MenuPageNextClick() { ToolButtonNextPageClick(); }
    void MenuPagePreviousClick() { ToolButtonPrevPageClick(); }
    void MenuPageFirstClick();
    void MenuPageLastClick();
    // True when the key is discarded; Enter leaves the box.
    bool Edit2KeyPress(char32_t Key);
    void EditPageExit();
    void EditPageChange();
    bool ComboBoxZoomKeyPress(char32_t Key);
    void ComboBoxZoomExit();
    void ComboBoxZoomClick() { ComboBoxZoomExit(); }
    void ComboBoxZoomChange();
    void MenuZoomZoom10Click() { FixedZoom(10); }
    void MenuZoomZoom25Click() { FixedZoom(25); }
    void MenuZoomZoom50Click() { FixedZoom(50); }
    void MenuZoomZoom100Click() { FixedZoom(100); }
    void MenuZoomZoom200Click() { FixedZoom(200); }
    void MenuZoomZoomInClick();
    void MenuZoomZoomOutClick();
    void FitButtonClick();
    void FormPaint();
    void ToolButtonRotateRightClick();
    void ToolButtonRotateLeftClick();
    void MenuPageRotateRightClick() { ToolButtonRotateRightClick(); }
    void MenuPageRotateLeftClick() { ToolButtonRotateLeftClick(); }
    void ImgEdit1SelectionRectDrawn(int32_t Left, int32_t Top, int32_t Width, int32_t Height);
    // True when the key was one of MainMenu1's shortcuts and has been carried out.
    bool FormShortCut(int KeyAndModifiers);
    void Buttons();
    // Redraws the window at once; painting applies the fit mode.
    void Repaint();

    // --- controls (objectName = the name)
    QWidget* CoolBar1 = nullptr;
    // The texts of the cool bar's bands 0 to 4 (bands 0 and 1 have none).
    std::array<QLabel*, 5> BandText{};
    QToolBar* ToolBarMenu = nullptr;
    QToolButton* ToolButtonMenuFile = nullptr;
    QToolButton* ToolButtonMenuZoom = nullptr;
    QToolButton* ToolButtonMenuPage = nullptr;
    QToolButton* ToolButtonMenuHelp = nullptr;
    QToolButton* ToolButtonOpen = nullptr;
    QToolButton* ToolButtonSaveAs = nullptr;
    QToolButton* ToolButtonPrint = nullptr;
    QToolButton* ToolButtonPrevPage = nullptr;
    QLineEdit* EditPage = nullptr;
    QToolButton* ToolButtonNextPage = nullptr;
    QComboBox* ComboBoxZoom = nullptr;
    QToolButton* ToolButtonFitToWidth = nullptr;
    QToolButton* ToolButtonFitToHight = nullptr;
    QToolButton* ToolButtonBestFit = nullptr;
    QToolButton* ToolButtonRotateLeft = nullptr;
    QToolButton* ToolButtonRotateRight = nullptr;

    // MainMenu1: the menus that the menu bar's buttons drop down.
    QMenu* MenuFile = nullptr;
    QAction* MenuFileOpen = nullptr;
    QAction* MenuFileSaveAs = nullptr;
    QAction* MenuFileSavePage = nullptr;
    QAction* MenuFilePrint = nullptr;
    QAction* MenuFileExit = nullptr;
    QMenu* MenuZoom = nullptr;
    QAction* MenuZoomZoomIn = nullptr;
    QAction* MenuZoomZoomOut = nullptr;
    QAction* MenuZoomZoom10 = nullptr;
    QAction* MenuZoomZoom25 = nullptr;
    QAction* MenuZoomZoom50 = nullptr;
    QAction* MenuZoomZoom100 = nullptr;
    QAction* MenuZoomZoom200 = nullptr;
    QMenu* MenuPage = nullptr;
    QAction* MenuPageNext = nullptr;
    QAction* MenuPagePrevious = nullptr;
    QAction* MenuPageFirst = nullptr;
    QAction* MenuPageLast = nullptr;
    QAction* MenuPageRotateLeft = nullptr;
    QAction* MenuPageRotateRight = nullptr;
    QMenu* MenuHelp = nullptr;
    QAction* MenuHelpAbout = nullptr;
    QAction* MenuHelpAboutImaging = nullptr;

    // The panel that holds the imaging controls; files dropped on it are
    // shown (the drop component binds to it).
    QWidget* Panel1 = nullptr;
    TImgEdit* ImgEdit1 = nullptr;
    std::unique_ptr<TImgAdmin> ImgAdmin1;
    TWndProp* WndPropViewer = nullptr;
    TDragDropFiles* DragDropFiles1 = nullptr;

    // Set when the page box is left; taken by the next change of the page box or the zoom box.
    bool PageEditCommitted = false;

signals:
    // The window has accepted its close; the program's loop ends on it.
    void Closed();

protected:
    void showEvent(QShowEvent* Event) override;
    void closeEvent(QCloseEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    void paintEvent(QPaintEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void CreateMenus();
    void CreateCoolBar();
    void CreatePanel();
    void CreateDragDrop();
    void ConnectHandlers();
    void FixedZoom(int Percent);
    void FitButtonsUp();
    void SetZoomText(const std::string& Text);
    std::string ZoomBoxText() const;
    // Save as and save page: the dialog, the write, the shown path and the temporary file.
    void SaveFile(bool WholeFile);
    char32_t DecimalSeparator() const;

    std::vector<std::string> arguments_;
    QButtonGroup* fitButtons_ = nullptr;
    bool shown_ = false;
};

}  // namespace leafor
