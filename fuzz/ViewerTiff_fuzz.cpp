// A file the viewer is asked to show, as its imaging controls show it: the
// file opened and its pages counted, the first, second and last page
// decoded, turned by the quarter turns the last byte names, fitted to a
// window each of the three ways and drawn smooth at the best fit (the
// viewer's start), then drawn at 100 percent by picking pixels. Whatever
// the file holds, each step gives what it says or a reported failure,
// within bounded memory and time. The window is small, so that a run
// spends its time on the file rather than on screen pixels; the drawing's
// code is the same at any size.
#include <QImage>
#include <QRect>
#include <QSize>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <memory>
#include <set>
#include <string>

#include "fuzz/FuzzKit.h"
#include "viewer/imaging/PageRender.h"
#include "viewer/imaging/TiffDocument.h"

namespace {

const QSize kWindow(160, 120);
constexpr int kScrollBar = 16;

void Show(const imaging::TFaxPage& Page, int Quarters) {
    using namespace imaging;
    if (Page.width <= 0 || Page.height <= 0 || Page.stride != (Page.width + 7) / 8 ||
        Page.bits.size() != static_cast<std::size_t>(Page.stride) * static_cast<std::size_t>(Page.height))
        __builtin_trap();
    const TBitmap bitmap = Turned(Unpack(Page), Quarters);
    const bool across = Quarters % 2 != 0;
    if (bitmap.width != (across ? Page.height : Page.width) || bitmap.height != (across ? Page.width : Page.height) ||
        bitmap.px.size() != static_cast<std::size_t>(bitmap.width) * static_cast<std::size_t>(bitmap.height))
        __builtin_trap();
    const double aspect = Page.PixelAspect();
    const QSize at100 = DisplaySize(bitmap, ScaleOf(100, aspect, Quarters));
    for (int option = 2; option >= 0; --option) {
        const float zoom = FitZoom(option, QSizeF(at100), kWindow, kScrollBar);
        if (!(zoom >= MinZoom && zoom <= MaxZoom)) __builtin_trap();
        const TScale scale = ScaleOf(zoom, aspect, Quarters);
        const QSize size = DisplaySize(bitmap, scale);
        if (size.width() < 1 || size.height() < 1) __builtin_trap();
        if (option != 0) continue;
        const QRect area(QPoint(0, 0), size.boundedTo(kWindow));
        if (Render(bitmap, scale, area, true).size() != area.size()) __builtin_trap();
    }
    const TScale full = ScaleOf(100, aspect, Quarters);
    const QRect corner(QPoint(0, 0), DisplaySize(bitmap, full).boundedTo(kWindow));
    if (Render(bitmap, full, corner, false).size() != corner.size()) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, std::size_t Size) {
    fuzz::NewRun();
    const std::string path = fuzz::FuzzHome() + "/shown.tif";
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(Data),
                                                                   static_cast<std::streamsize>(Size));
    const int quarters = Size > 0 ? Data[Size - 1] % 4 : 0;
    fuzz::Tolerate([&] {
        imaging::TTiffDocument document(path);
        if (document.PageCount() < 1) __builtin_trap();
        for (const int32_t n : std::set<int32_t>{1, std::min(2, document.PageCount()), document.PageCount()})
            fuzz::Tolerate([&] {
                const std::shared_ptr<const imaging::TFaxPage> page = document.Page(n);
                if (!page || !document.Decoded(n) || document.Page(n) != page) __builtin_trap();
                Show(*page, quarters);
            });
    });
    return 0;
}
