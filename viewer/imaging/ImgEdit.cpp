#include "viewer/imaging/ImgEdit.h"

#include <tiffio.h>

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPrinter>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <string>

#include "platform/Ui.h"
#include "viewer/imaging/ImgLibrary.h"

namespace imaging {

namespace {

const QColor Backdrop(0x80, 0x80, 0x80);

// The page as Qt draws it on a printer: one bit per pixel, black and white.
QImage MonoImage(const TFaxPage& Page) {
    QImage image(Page.width, Page.height, QImage::Format_Mono);
    image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    const auto bytes = static_cast<std::size_t>(Page.stride);
    for (int32_t y = 0; y < Page.height; ++y)
        std::copy_n(Page.bits.data() + static_cast<std::size_t>(y) * bytes, bytes, image.scanLine(y));
    return image;
}

}  // namespace

// ------------------------------------------------------------------ view

TPageView::TPageView(TImgEditControl& Control) : QAbstractScrollArea(&Control), control_(Control) {
    setObjectName("PageView");
    setFrameShape(QFrame::NoFrame);
    viewport()->setAutoFillBackground(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

QPoint TPageView::Origin() const {
    const QSize page = control_.DisplayedSize();
    const QSize window = viewport()->size();
    // A page smaller than the window stands in its middle.
    const int x = page.width() < window.width() ? (window.width() - page.width()) / 2 : -horizontalScrollBar()->value();
    const int y = page.height() < window.height() ? (window.height() - page.height()) / 2 : -verticalScrollBar()->value();
    return {x, y};
}

QPointF TPageView::Centre() const {
    const QSize window = viewport()->size();
    return QPointF(window.width() / 2.0, window.height() / 2.0) - QPointF(Origin());
}

void TPageView::Relayout() {
    const QSize window = viewport()->size();
    const QSize page = control_.DisplayedSize();
    horizontalScrollBar()->setRange(0, std::max(0, page.width() - window.width()));
    verticalScrollBar()->setRange(0, std::max(0, page.height() - window.height()));
    horizontalScrollBar()->setPageStep(std::max(1, window.width()));
    verticalScrollBar()->setPageStep(std::max(1, window.height()));
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setSingleStep(20);
    viewport()->update();
}

void TPageView::CentreOn(QPointF Point) {
    const QSize window = viewport()->size();
    horizontalScrollBar()->setValue(static_cast<int>(std::lround(Point.x() - window.width() / 2.0)));
    verticalScrollBar()->setValue(static_cast<int>(std::lround(Point.y() - window.height() / 2.0)));
}

void TPageView::paintEvent(QPaintEvent* Event) {
    QPainter painter(viewport());
    painter.fillRect(Event->rect(), Backdrop);
    if (!control_.displayed_) return;
    const QPoint origin = Origin();
    const QRect page(origin, control_.DisplayedSize());
    const QRect exposed = Event->rect() & page;
    if (!exposed.isEmpty()) {
        const QRect area = exposed.translated(-origin);
        painter.drawImage(exposed.topLeft(), control_.Rendered(area));
    }
    QRect band;
    if (dragFrom_) band = QRect(*dragFrom_, dragTo_).normalized();
    else if (control_.selection_) band = *control_.selection_;
    if (!band.isNull()) {
        painter.setPen(QPen(Qt::blue, 1, Qt::DashLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(band.translated(origin));
    }
}

void TPageView::resizeEvent(QResizeEvent* Event) {
    QAbstractScrollArea::resizeEvent(Event);
    Relayout();
}

void TPageView::scrollContentsBy(int, int) { viewport()->update(); }

void TPageView::mousePressEvent(QMouseEvent* Event) {
    if (Event->button() != Qt::LeftButton || !control_.selectionRectangle_ || !control_.displayed_) {
        QAbstractScrollArea::mousePressEvent(Event);
        return;
    }
    control_.selection_.reset();
    dragFrom_ = Event->position().toPoint() - Origin();
    dragTo_ = *dragFrom_;
    viewport()->update();
}

void TPageView::mouseMoveEvent(QMouseEvent* Event) {
    if (!dragFrom_) return;
    dragTo_ = Event->position().toPoint() - Origin();
    viewport()->update();
}

void TPageView::mouseReleaseEvent(QMouseEvent* Event) {
    if (!dragFrom_ || Event->button() != Qt::LeftButton) return;
    const QPoint from = *dragFrom_;
    dragFrom_.reset();
    control_.DrawSelection(from + Origin(), Event->position().toPoint());
}

// --------------------------------------------------------------- control

TImgEditControl::TImgEditControl(QWidget* Parent) : TImgEdit(Parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    view_ = new TPageView(*this);
    layout->addWidget(view_);
}

TImgEditControl::~TImgEditControl() = default;

TScale TImgEditControl::Scale() const {
    return ScaleOf(zoom_, shownPage_ ? shownPage_->PixelAspect() : 1.0, quarters_);
}

bool TImgEditControl::Smooth() const { return algorithm_ != 0; }

QSize TImgEditControl::DisplayedSize() const {
    if (!displayed_) return {};
    return DisplaySize(bitmap_, Scale());
}

QImage TImgEditControl::Rendered(const QRect& Area) {
    const QSize size = DisplayedSize();
    if (qint64{size.width()} * size.height() <= WholeRenderPixels) {
        if (whole_.isNull()) whole_ = Render(bitmap_, Scale(), QRect(QPoint(0, 0), size), Smooth());
        return whole_.copy(Area);
    }
    return Render(bitmap_, Scale(), Area, Smooth());
}

void TImgEditControl::SetZoom(float Value) {
    if (!(Value >= MinZoom && Value <= MaxZoom))
        throw EOleException("A zoom of " + std::to_string(Value) + " percent is outside 2 to 6554 percent.");
    if (Value == zoom_) return;
    // The point of the page in the middle of the window stays there.
    const QSizeF before = DisplayedSize();
    const QPointF centre = view_->Centre();
    zoom_ = Value;
    whole_ = QImage();
    if (!displayed_) return;
    const QSizeF after = DisplayedSize();
    view_->Relayout();
    view_->CentreOn({centre.x() * after.width() / before.width(), centre.y() * after.height() / before.height()});
}

void TImgEditControl::SetPage(int32_t Value) {
    if (Value < 1) throw EOleException("There is no page " + std::to_string(Value) + ".");
    page_ = Value;
}

void TImgEditControl::SetDisplayScaleAlgorithm(int16_t Value) {
    if (Value < 0 || Value > 4) throw EOleException("Scale algorithm " + std::to_string(Value) + " does not exist.");
    if (Value == algorithm_) return;
    algorithm_ = Value;
    whole_ = QImage();
    view_->viewport()->update();
}

void TImgEditControl::SetSelectionRectangle(bool Value) {
    selectionRectangle_ = Value;
    if (!Value) view_->viewport()->update();
}

void TImgEditControl::Clear() {
    displayed_ = false;
    shownPage_.reset();
    shownNumber_ = 0;
    bitmap_ = TBitmap();
    selection_.reset();
    whole_ = QImage();
    view_->Relayout();
}

TTiffDocument& TImgEditControl::OpenDocument() const {
    if (!document_) throw EOleException("No image file is open.");
    return *document_;
}

void TImgEditControl::ShowImage() {
    if (image_.empty()) {
        Clear();
        throw EOleException("No image file is named.");
    }
    if (!document_ || reopen_) {
        Clear();
        document_.reset();
        quarters_ = 0;
        reopen_ = false;
        document_ = std::make_unique<TTiffDocument>(image_);
    }
    std::shared_ptr<const TFaxPage> page;
    try {
        page = document_->Page(page_);
    } catch (...) {
        Clear();
        throw;
    }
    // Another page starts at its top left; the same page stays where it is.
    const bool another = page != shownPage_ || page_ != shownNumber_ || !displayed_;
    if (another) {
        shownPage_ = page;
        shownNumber_ = page_;
        bitmap_ = Turned(Unpack(*page), quarters_);
        whole_ = QImage();
    }
    displayed_ = true;
    selection_.reset();
    view_->Relayout();
    if (another) {
        view_->horizontalScrollBar()->setValue(0);
        view_->verticalScrollBar()->setValue(0);
    }
}

void TImgEditControl::Turn(int Quarters) {
    if (!displayed_) throw EOleException("No page is displayed to turn.");
    quarters_ = ((quarters_ + Quarters) % 4 + 4) % 4;
    bitmap_ = Turned(bitmap_, Quarters);
    selection_.reset();
    whole_ = QImage();
    view_->Relayout();
}

void TImgEditControl::RepaintImage() {
    view_->Relayout();
    view_->viewport()->repaint();
}

void TImgEditControl::DrawSelection(QPoint From, QPoint To) {
    const QPoint origin = view_->Origin();
    // From one corner to the other: the pixels between the two points.
    const QPoint a = From - origin, b = To - origin;
    const QRect drawn(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                      QSize(std::abs(a.x() - b.x()), std::abs(a.y() - b.y())));
    const QRect selected = drawn & QRect(QPoint(0, 0), DisplayedSize());
    selection_ = selected;
    view_->viewport()->update();
    if (OnSelectionRectDrawn)
        OnSelectionRectDrawn(selected.left(), selected.top(), selected.isEmpty() ? 0 : selected.width(),
                             selected.isEmpty() ? 0 : selected.height());
}

void TImgEditControl::ZoomToRectangle() {
    if (!displayed_ || !selection_ || selection_->isEmpty())
        throw EOleException("No selection rectangle is drawn to zoom to.");
    const QRectF chosen = *selection_;
    const double before = zoom_;
    const float zoom = RectangleZoom(zoom_, selection_->size(), view_->maximumViewportSize());
    const QPointF centre = chosen.center() * (zoom / before);
    selection_.reset();
    zoom_ = zoom;
    whole_ = QImage();
    view_->Relayout();
    view_->CentreOn(centre);
}

void TImgEditControl::FitImage(int16_t Option, bool Repaint) {
    if (Option < 0 || Option > 2) throw EOleException("Fit option " + std::to_string(Option) + " does not exist.");
    // Asked at every paint of the window, also while no page is shown.
    if (!displayed_) return;
    const QSize at100 = DisplaySize(bitmap_, ScaleOf(100, shownPage_->PixelAspect(), quarters_));
    const int bar = view_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, view_);
    const float zoom = FitZoom(Option, QSizeF(at100), view_->maximumViewportSize(), bar);
    if (zoom == zoom_) return;
    zoom_ = zoom;
    whole_ = QImage();
    view_->Relayout();
    if (Repaint) view_->viewport()->update();
}

void TImgEditControl::CheckWriteArguments(int16_t FileType, int16_t PageType, int16_t CompressionType,
                                          int16_t CompressionInfo, bool SaveAtZoom) const {
    if (FileType != 1) throw EOleException("Only TIFF files (file type 1) can be written.");
    if (PageType != 1) throw EOleException("Only black and white pages (page type 1) can be written.");
    if (CompressionType != 2 || CompressionInfo != 2)
        throw EOleException("Pages are written in their own coding only (compression 2, 2).");
    if (SaveAtZoom) throw EOleException("Pages are written as stored, not at the zoom.");
}

void TImgEditControl::WriteImageFile(const std::string& Path, int16_t FileType, int16_t PageType,
                                     int16_t CompressionType, int16_t CompressionInfo, bool SaveAtZoom) {
    CheckWriteArguments(FileType, PageType, CompressionType, CompressionInfo, SaveAtZoom);
    TTiffDocument& document = OpenDocument();
    document.WritePages(Path, 1, document.PageCount());
}

void TImgEditControl::WritePageFile(const std::string& Path, int16_t FileType, int16_t PageType,
                                    int16_t CompressionType, int16_t CompressionInfo, bool SaveAtZoom,
                                    int16_t PageOption) {
    CheckWriteArguments(FileType, PageType, CompressionType, CompressionInfo, SaveAtZoom);
    if (PageOption != 1) throw EOleException("A page file always replaces the file (page option 1).");
    if (!displayed_) throw EOleException("No page is displayed to write.");
    OpenDocument().WritePages(Path, shownNumber_, shownNumber_);
}

void TImgEditControl::PrintPages(int32_t First, int32_t Last, int16_t OutputFormat) {
    TTiffDocument& document = OpenDocument();
    if (First < 1 || Last < First || Last > document.PageCount())
        throw EOleException("Pages " + std::to_string(First) + " to " + std::to_string(Last) + " cannot be printed; " +
                            document.Path() + " has " + std::to_string(document.PageCount()) + " pages.");
    if (OutputFormat < 0 || OutputFormat > 2)
        throw EOleException("Print format " + std::to_string(OutputFormat) + " does not exist.");
    // Decoded first, so that a page that cannot be read prints nothing at all.
    std::vector<std::shared_ptr<const TFaxPage>> pages;
    for (int32_t n = First; n <= Last; ++n) pages.push_back(document.Page(n));
    QPrinter& printer = LibraryPrinter();
    QPainter painter;
    if (!painter.begin(&printer)) throw EOleException("The printer cannot be started.");
    const double dpi = printer.resolution();
    const QRectF paper = printer.pageLayout().paintRectPixels(printer.resolution());
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (i > 0 && !printer.newPage()) {
            painter.end();
            throw EOleException("The printer cannot start a new page.");
        }
        const TFaxPage& page = *pages[i];
        // The page's size on paper in printer pixels, turned as on screen.
        const double xres = page.xResolution > 0 ? page.xResolution : 204.0;
        double width = page.width, height = page.height * page.PixelAspect();
        if (OutputFormat == 1) {
            width = page.width / xres * dpi;
            height = page.height * page.PixelAspect() / xres * dpi;
        }
        const bool across = quarters_ % 2 != 0;
        double shownW = across ? height : width, shownH = across ? width : height;
        if (OutputFormat == 2) {
            const double fit = std::min(paper.width() / shownW, paper.height() / shownH);
            shownW *= fit;
            shownH *= fit;
            width *= fit;
            height *= fit;
        }
        painter.save();
        painter.translate(shownW / 2, shownH / 2);
        painter.rotate(90.0 * quarters_);
        painter.drawImage(QRectF(-width / 2, -height / 2, width, height), MonoImage(page));
        painter.restore();
    }
    painter.end();
    if (printer.printerState() == QPrinter::Error) throw EOleException("The pages could not be printed.");
}

void TImgEditControl::ShowAboutBox() {
    ui::MessageSpec spec;
    const std::string tiff = TIFFGetVersion();
    spec.caption = "About Imaging";
    spec.text = "Pellow imaging controls\nFax pages decoded and written by " + tiff.substr(0, tiff.find('\n'));
    spec.icon = ui::IconInformation;
    HostUi().MessageBox(spec);
}

}  // namespace imaging
