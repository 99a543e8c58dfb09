#pragma once
// How a fax page becomes the picture on screen: turned by quarter turns and
// scaled to the zoom, with the page's own aspect, either by picking pixels
// or, when it is reduced, by averaging them to grey levels so that thin
// strokes stay visible. Pure functions of their inputs.
#include <QImage>
#include <QRect>
#include <QSize>
#include <cstdint>
#include <vector>

namespace imaging {

struct TFaxPage;

// A page with one byte per pixel, 1 black, rows from the top.
struct TBitmap {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> px;
};

TBitmap Unpack(const TFaxPage& Page);
// Turned clockwise by Quarters quarter turns (negative: counter-clockwise).
TBitmap Turned(const TBitmap& Source, int Quarters);

// The display scales in x and y of a page with this pixel aspect, turned by
// Quarters, at Zoom percent: screen pixels per bitmap pixel.
struct TScale {
    double x = 1;
    double y = 1;
};
TScale ScaleOf(float Zoom, double PixelAspect, int Quarters);
// The size of the whole displayed page; at least one pixel each way.
QSize DisplaySize(const TBitmap& Bitmap, TScale Scale);

// The pixels of Area (in displayed-page coordinates) of the bitmap shown at
// Scale; outside the page white. Smooth averages the bitmap pixels that each
// screen pixel covers; otherwise the pixel under its centre is taken.
QImage Render(const TBitmap& Bitmap, TScale Scale, const QRect& Area, bool Smooth);

// The zoom (percent) at which a page whose display at 100 percent measures
// Page100 fits a window of Window pixels without its scroll bars: Option 0
// the whole page, 1 its width, 2 its height. When a width or height fit
// leaves the other way too long, the scroll bar that then appears (ScrollBar
// pixels) is taken off. The result lies between MinZoom and MaxZoom.
float FitZoom(int Option, QSizeF Page100, QSize Window, int ScrollBar);
// The zoom at which a rectangle of Selected pixels, drawn at Zoom, fills Window.
float RectangleZoom(float Zoom, QSize Selected, QSize Window);

inline constexpr float MinZoom = 2;
inline constexpr float MaxZoom = 6554;

}  // namespace imaging
