#pragma once
// The display control of the imaging library: a scrolled window over the
// shown page. The page is decoded once (its document keeps it), turned once
// per turn, and scaled for the screen either whole (kept until the zoom or
// the turn changes) or, when it is magnified beyond that, for the part in
// view at each paint.
#include <QAbstractScrollArea>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <memory>
#include <optional>

#include "viewer/Imaging.h"
#include "viewer/imaging/PageRender.h"
#include "viewer/imaging/TiffDocument.h"

namespace imaging {

class TImgEditControl;

// The window the page is drawn in.
class TPageView : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit TPageView(TImgEditControl& Control);
    // The scroll ranges after the displayed size changed.
    void Relayout();
    // The point of the displayed page at the centre of the window.
    QPointF Centre() const;
    // Where the displayed page's top left corner is in the window.
    QPoint Origin() const;
    // Scrolls so that Point of the displayed page is at the window's centre.
    void CentreOn(QPointF Point);

protected:
    void paintEvent(QPaintEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    void scrollContentsBy(int Dx, int Dy) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;

private:
    TImgEditControl& control_;
    std::optional<QPoint> dragFrom_;  // displayed-page coordinates
    QPoint dragTo_;
};

class TImgEditControl : public TImgEdit {
    Q_OBJECT

public:
    explicit TImgEditControl(QWidget* Parent);
    ~TImgEditControl() override;

    std::string Image() const override { return image_; }
    void SetImage(const std::string& Value) override {
        image_ = Value;
        reopen_ = true;
    }
    float Zoom() const override { return zoom_; }
    void SetZoom(float Value) override;
    int32_t Page() const override { return page_; }
    void SetPage(int32_t Value) override;
    int16_t DisplayScaleAlgorithm() const override { return algorithm_; }
    void SetDisplayScaleAlgorithm(int16_t Value) override;
    bool ImageDisplayed() const override { return displayed_; }
    int32_t PageCount() const override { return document_ ? document_->PageCount() : 0; }
    bool SelectionRectangle() const override { return selectionRectangle_; }
    void SetSelectionRectangle(bool Value) override;

    void ShowImage() override;
    void TurnCounterClockwise() override { Turn(-1); }
    void TurnClockwise() override { Turn(1); }
    void RepaintImage() override;
    void ZoomToRectangle() override;
    void WriteImageFile(const std::string& Path, int16_t FileType, int16_t PageType, int16_t CompressionType,
                        int16_t CompressionInfo, bool SaveAtZoom) override;
    void WritePageFile(const std::string& Path, int16_t FileType, int16_t PageType, int16_t CompressionType,
                       int16_t CompressionInfo, bool SaveAtZoom, int16_t PageOption) override;
    void PrintPages(int32_t First, int32_t Last, int16_t OutputFormat) override;
    void FitImage(int16_t Option, bool Repaint) override;
    void ShowAboutBox() override;

    // --- for the window and for tests
    // The document of the file last opened, or none.
    TTiffDocument* Document() const { return document_.get(); }
    // The size of the whole displayed page; empty when none is displayed.
    QSize DisplayedSize() const;
    // The shown page's pixels in Area of the displayed page, as on screen.
    QImage Rendered(const QRect& Area);
    // The last selection rectangle drawn, in displayed-page pixels.
    std::optional<QRect> Selection() const { return selection_; }
    // Draws a selection rectangle from one point of the window to another, as the mouse does.
    void DrawSelection(QPoint From, QPoint To);
    TPageView* View() const { return view_; }
    int Quarters() const { return quarters_; }

    // A reduced page is scaled once and kept up to this many pixels; a page
    // shown larger is scaled for the part in view at each paint.
    static constexpr qint64 WholeRenderPixels = 2 << 20;

private:
    friend class TPageView;
    void Turn(int Quarters);
    void Clear();
    TScale Scale() const;
    bool Smooth() const;
    void CheckWriteArguments(int16_t FileType, int16_t PageType, int16_t CompressionType, int16_t CompressionInfo,
                             bool SaveAtZoom) const;
    TTiffDocument& OpenDocument() const;

    TPageView* view_ = nullptr;
    std::string image_;
    float zoom_ = 100;
    int32_t page_ = 1;
    int16_t algorithm_ = 0;
    bool selectionRectangle_ = false;
    bool displayed_ = false;
    int quarters_ = 0;
    // Image was set: the next ShowImage opens it afresh, also under the same name.
    bool reopen_ = true;
    std::unique_ptr<TTiffDocument> document_;
    std::shared_ptr<const TFaxPage> shownPage_;
    int32_t shownNumber_ = 0;
    TBitmap bitmap_;  // the shown page, turned
    std::optional<QRect> selection_;
    // The whole displayed page as last scaled, and for which zoom.
    QImage whole_;
    float wholeZoom_ = 0;
};

}  // namespace imaging
