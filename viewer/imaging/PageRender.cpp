#include "viewer/imaging/PageRender.h"

#include <algorithm>
#include <cmath>

#include "viewer/imaging/TiffDocument.h"

namespace imaging {

namespace {

// Which bitmap pixels make up each screen pixel along one axis, and with
// what weight: screen pixel i of the run takes count[i] pixels from first[i]
// on, their weights in order from weights[offset[i]].
struct TTaps {
    std::vector<int32_t> first;
    std::vector<int32_t> count;
    std::vector<int32_t> offset;
    std::vector<float> weights;
    int32_t lowest = 0;   // the first bitmap pixel any tap uses
    int32_t highest = -1; // the last one
};

TTaps Taps(int32_t Start, int32_t Length, double Scale, int32_t Size, bool Smooth) {
    TTaps t;
    t.first.resize(static_cast<std::size_t>(Length));
    t.count.resize(static_cast<std::size_t>(Length));
    t.offset.resize(static_cast<std::size_t>(Length));
    t.lowest = Size;
    for (int32_t i = 0; i < Length; ++i) {
        const double from = (Start + i) / Scale;
        const double to = (Start + i + 1) / Scale;
        const auto u = static_cast<std::size_t>(i);
        t.offset[u] = static_cast<int32_t>(t.weights.size());
        if (!Smooth) {
            const auto at = static_cast<int32_t>(std::floor((from + to) / 2));
            if (at >= 0 && at < Size) {
                t.first[u] = at;
                t.count[u] = 1;
                t.weights.push_back(1.0f);
            }
        } else {
            const int32_t a = std::max<int32_t>(0, static_cast<int32_t>(std::floor(from)));
            const int32_t b = std::min<int32_t>(Size, static_cast<int32_t>(std::ceil(to)));
            t.first[u] = a;
            double total = 0;
            for (int32_t p = a; p < b; ++p) total += std::min<double>(to, p + 1) - std::max<double>(from, p);
            for (int32_t p = a; p < b; ++p)
                t.weights.push_back(static_cast<float>((std::min<double>(to, p + 1) - std::max<double>(from, p)) / total));
            t.count[u] = std::max<int32_t>(0, b - a);
        }
        if (t.count[u] > 0) {
            t.lowest = std::min(t.lowest, t.first[u]);
            t.highest = std::max(t.highest, t.first[u] + t.count[u] - 1);
        }
    }
    return t;
}

}  // namespace

TBitmap Unpack(const TFaxPage& Page) {
    TBitmap b;
    b.width = Page.width;
    b.height = Page.height;
    b.px.resize(static_cast<std::size_t>(Page.width) * static_cast<std::size_t>(Page.height));
    uint8_t* out = b.px.data();
    for (int32_t y = 0; y < Page.height; ++y) {
        const uint8_t* row = Page.bits.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(Page.stride);
        for (int32_t x = 0; x < Page.width; ++x) *out++ = (row[x >> 3] >> (7 - (x & 7))) & 1;
    }
    return b;
}

TBitmap Turned(const TBitmap& Source, int Quarters) {
    const int q = ((Quarters % 4) + 4) % 4;
    if (q == 0) return Source;
    TBitmap t;
    t.width = q == 2 ? Source.width : Source.height;
    t.height = q == 2 ? Source.height : Source.width;
    t.px.resize(Source.px.size());
    const int32_t w = Source.width, h = Source.height;
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* row = Source.px.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
        for (int32_t x = 0; x < w; ++x) {
            // Where pixel (x, y) lands after the turn.
            int32_t tx = x, ty = y;
            if (q == 1) tx = h - 1 - y, ty = x;
            else if (q == 2) tx = w - 1 - x, ty = h - 1 - y;
            else tx = y, ty = w - 1 - x;
            t.px[static_cast<std::size_t>(ty) * static_cast<std::size_t>(t.width) + static_cast<std::size_t>(tx)] = row[x];
        }
    }
    return t;
}

TScale ScaleOf(float Zoom, double PixelAspect, int Quarters) {
    const double z = Zoom / 100.0;
    // A turned page shows its bitmap's rows across.
    if (Quarters % 2 != 0) return {z * PixelAspect, z};
    return {z, z * PixelAspect};
}

QSize DisplaySize(const TBitmap& Bitmap, TScale Scale) {
    const auto extent = [](int32_t n, double s) {
        return static_cast<int>(std::clamp(std::lround(n * s), 1L, static_cast<long>(INT32_MAX / 2)));
    };
    return {extent(Bitmap.width, Scale.x), extent(Bitmap.height, Scale.y)};
}

QImage Render(const TBitmap& Bitmap, TScale Scale, const QRect& Area, bool Smooth) {
    QImage out(Area.size(), QImage::Format_Grayscale8);
    out.fill(255);
    if (Area.isEmpty() || Bitmap.width == 0 || Bitmap.height == 0) return out;
    const TTaps across = Taps(Area.left(), Area.width(), Scale.x, Bitmap.width, Smooth);
    const TTaps down = Taps(Area.top(), Area.height(), Scale.y, Bitmap.height, Smooth);
    if (across.highest < across.lowest || down.highest < down.lowest) return out;
    // First across, for every bitmap row that a screen row uses; then down.
    const int32_t rows = down.highest - down.lowest + 1;
    const auto width = static_cast<std::size_t>(Area.width());
    std::vector<float> partial(static_cast<std::size_t>(rows) * width, 0.0f);
    for (int32_t r = 0; r < rows; ++r) {
        const uint8_t* src =
            Bitmap.px.data() + static_cast<std::size_t>(down.lowest + r) * static_cast<std::size_t>(Bitmap.width);
        float* dst = partial.data() + static_cast<std::size_t>(r) * width;
        for (std::size_t i = 0; i < width; ++i) {
            const float* w = across.weights.data() + across.offset[i];
            const uint8_t* p = src + across.first[i];
            float sum = 0;
            for (int32_t k = 0; k < across.count[i]; ++k) sum += w[k] * p[k];
            dst[i] = sum;
        }
    }
    for (int y = 0; y < Area.height(); ++y) {
        const auto u = static_cast<std::size_t>(y);
        uchar* line = out.scanLine(y);
        if (down.count[u] == 0) continue;
        const float* w = down.weights.data() + down.offset[u];
        const float* base = partial.data() + static_cast<std::size_t>(down.first[u] - down.lowest) * width;
        for (std::size_t i = 0; i < width; ++i) {
            float black = 0;
            for (int32_t k = 0; k < down.count[u]; ++k) black += w[k] * base[static_cast<std::size_t>(k) * width + i];
            line[i] = static_cast<uchar>(std::lround(255.0f * (1.0f - std::clamp(black, 0.0f, 1.0f))));
        }
    }
    return out;
}

float FitZoom(int Option, QSizeF Page100, QSize Window, int ScrollBar) {
    if (Page100.width() <= 0 || Page100.height() <= 0 || Window.width() <= 0 || Window.height() <= 0) return 100;
    const double across = Window.width() / Page100.width();
    const double down = Window.height() / Page100.height();
    double scale = std::min(across, down);
    if (Option == 1) {
        scale = across;
        if (Page100.height() * scale > Window.height()) scale = (Window.width() - ScrollBar) / Page100.width();
    } else if (Option == 2) {
        scale = down;
        if (Page100.width() * scale > Window.width()) scale = (Window.height() - ScrollBar) / Page100.height();
    }
    return std::clamp(static_cast<float>(scale * 100), MinZoom, MaxZoom);
}

float RectangleZoom(float Zoom, QSize Selected, QSize Window) {
    if (Selected.width() <= 0 || Selected.height() <= 0) return Zoom;
    const double scale = std::min(static_cast<double>(Window.width()) / Selected.width(),
                                  static_cast<double>(Window.height()) / Selected.height());
    return std::clamp(static_cast<float>(Zoom * scale), MinZoom, MaxZoom);
}

}  // namespace imaging
