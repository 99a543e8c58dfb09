#include "support/QelStatusBar.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QTest>
#include <QToolTip>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>

#include "QelKbMonClient.h"
#include "QelTestApp.h"
#include "platform/Clock.h"
#include "platform/Exceptions.h"
#include "platform/Keyboard.h"
#include "support/QelKb.h"
#include "testkit/TestKit.h"

namespace {

const QColor kBar(192, 192, 192);
const QColor kFont(200, 0, 0);
const QColor kGray(128, 128, 128);
const QColor kGauge(0, 0, 255);
const QColor kGaugeText(255, 255, 0);
const QColor kDark(64, 64, 64);
const QColor kLight(255, 255, 255);

// A bar with crisp text in known colours, 24 pixels high: each panel's
// picture is 20 pixels high and 2 pixels narrower than its rectangle.
std::unique_ptr<TQelStatusBar> MakeBar(int width) {
    auto bar = std::make_unique<TQelStatusBar>();
    QFont font("DejaVu Sans");
    font.setPixelSize(12);
    font.setStyleStrategy(QFont::NoAntialias);
    bar->setFont(font);
    QPalette pal = bar->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive}) pal.setColor(group, QPalette::WindowText, kFont);
    pal.setColor(QPalette::Disabled, QPalette::WindowText, kGray);
    pal.setColor(QPalette::Dark, kDark);
    pal.setColor(QPalette::Light, kLight);
    bar->setPalette(pal);
    bar->SetColor(kBar);
    bar->resize(width, 24);
    return bar;
}

TQelStatusPanel& AddPanel(TQelStatusBar& bar, int width, TQelStatusPanelType type = sptNormal) {
    TQelStatusPanel* panel = bar.Panels().Add();
    panel->SetWidth(width);
    panel->SetPanelType(type);
    return *panel;
}

void UseGaugeColours(TQelStatusPanel& panel) {
    panel.GaugeAttrs().SetColor(kGauge);
    panel.GaugeAttrs().SetTextColor(kGaugeText);
}

// The picture inside panel Index's frame, as the bar shows it.
QImage Inner(TQelStatusBar& bar, int index) {
    return bar.grab().toImage().copy(bar.PanelRect(index).adjusted(1, 1, -1, -1));
}

std::set<QRgb> Colours(const QImage& image, const QRect& area) {
    std::set<QRgb> found;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) found.insert(image.pixel(x, y) | 0xff000000u);
    return found;
}

std::set<QRgb> Colours(const QImage& image) { return Colours(image, image.rect()); }

std::set<QRgb> Set(std::initializer_list<QColor> colours) {
    std::set<QRgb> s;
    for (const QColor& c : colours) s.insert(c.rgb());
    return s;
}

// The pixels of an image that are one of the given colours.
std::vector<bool> Mask(const QImage& image, std::initializer_list<QColor> colours) {
    const std::set<QRgb> wanted = Set(colours);
    std::vector<bool> mask;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) mask.push_back(wanted.count(image.pixel(x, y) | 0xff000000u) > 0);
    return mask;
}

int Count(const std::vector<bool>& mask) { return static_cast<int>(std::count(mask.begin(), mask.end(), true)); }

// The mask of Text drawn by a plain centred text panel of the same width.
std::vector<bool> TextMask(int width, const std::string& text, TAlignment alignment = taCenter) {
    auto bar = MakeBar(width);
    TQelStatusPanel& panel = AddPanel(*bar, width);
    panel.SetAlignment(alignment);
    panel.SetText(text);
    return Mask(Inner(*bar, 0), {kFont});
}

// Lets posted events and repaints happen.
void Settle(int ms = 40) { QTest::qWait(ms); }

// ---------------------------------------------------------------------------
// Gauge

TEST(QelGauge, AtZeroShowsZeroPercentOnTheBarColourOnly) {
    auto bar = MakeBar(80);
    TQelStatusPanel& gauge = AddPanel(*bar, 80, sptGauge);
    UseGaugeColours(gauge);
    const QImage pic = Inner(*bar, 0);
    EXPECT_EQ(Colours(pic), Set({kBar, kFont}));
    const auto caption = Mask(pic, {kFont});
    EXPECT_GT(Count(caption), 10);
    EXPECT_EQ(caption, TextMask(80, "0%"));
}

TEST(QelGauge, AtHundredFillsThePanelAndDrawsTheCaptionInTextColor) {
    auto bar = MakeBar(80);
    TQelStatusPanel& gauge = AddPanel(*bar, 80, sptGauge);
    UseGaugeColours(gauge);
    gauge.GaugeAttrs().SetPosition(100);
    const QImage pic = Inner(*bar, 0);
    EXPECT_EQ(Colours(pic), Set({kGauge, kGaugeText}));
    EXPECT_EQ(Mask(pic, {kGaugeText}), TextMask(80, "100%"));
}

TEST(QelGauge, AtThirtySevenTheCaptionChangesColourExactlyAtTheFillEdge) {
    auto bar = MakeBar(40);
    TQelStatusPanel& gauge = AddPanel(*bar, 40, sptGauge);
    UseGaugeColours(gauge);
    gauge.GaugeAttrs().SetPosition(37);
    const QImage pic = Inner(*bar, 0);
    ASSERT_EQ(pic.width(), 38);
    const int edge = 14;  // 38 * 37 / 100 = 14.06
    EXPECT_EQ(Colours(pic, QRect(0, 0, edge, pic.height())), Set({kGauge, kGaugeText}));
    EXPECT_EQ(Colours(pic, QRect(edge, 0, pic.width() - edge, pic.height())), Set({kBar, kFont}));
    EXPECT_EQ(Mask(pic, {kGaugeText, kFont}), TextMask(40, "37%"));
}

TEST(QelGauge, TextReplacesThePercentage) {
    auto bar = MakeBar(80);
    TQelStatusPanel& gauge = AddPanel(*bar, 80, sptGauge);
    UseGaugeColours(gauge);
    gauge.GaugeAttrs().SetPosition(50);
    gauge.SetText("42% free");
    EXPECT_EQ(Mask(Inner(*bar, 0), {kGaugeText, kFont}), TextMask(80, "42% free"));
}

TEST(QelGauge, FillWidthIsRoundedFromTheInnerWidth) {
    const struct {
        int position, fill;
    } cases[] = {{0, 0}, {1, 1}, {50, 39}, {99, 77}, {100, 78}};  // inner width 78
    for (const auto& c : cases) {
        auto bar = MakeBar(80);
        TQelStatusPanel& gauge = AddPanel(*bar, 80, sptGauge);
        UseGaugeColours(gauge);
        gauge.SetText(" ");  // no caption pixels
        gauge.GaugeAttrs().SetPosition(c.position);
        const QImage pic = Inner(*bar, 0);
        int filled = 0;
        while (filled < pic.width() && QColor(pic.pixel(filled, 0)) == kGauge) ++filled;
        EXPECT_EQ(filled, c.fill) << c.position;
    }
}

TEST(QelGauge, TypeMakesItCentredWithoutAutoFitAndPositionIsAPercent) {
    auto bar = MakeBar(80);
    TQelStatusPanel& panel = AddPanel(*bar, 80);
    panel.SetAutoFit(true);
    panel.SetPanelType(sptGauge);
    EXPECT_FALSE(panel.AutoFit());
    EXPECT_EQ(panel.Alignment(), taCenter);
    EXPECT_THROW(panel.GaugeAttrs().SetPosition(101), ERangeError);
    EXPECT_THROW(panel.GaugeAttrs().SetPosition(-1), ERangeError);
    EXPECT_EQ(panel.GaugeAttrs().Position(), 0);
}

TEST(QelGauge, DisabledPanelIsAnEmptyBoxInTheBarColour) {
    auto bar = MakeBar(80);
    TQelStatusPanel& gauge = AddPanel(*bar, 80, sptGauge);
    UseGaugeColours(gauge);
    gauge.GaugeAttrs().SetPosition(60);
    gauge.SetEnabled(false);
    EXPECT_EQ(Colours(Inner(*bar, 0)), Set({kBar}));
    const QImage whole = bar->grab().toImage();
    EXPECT_EQ(QColor(whole.pixel(0, 2)), kDark);  // the frame stays
    EXPECT_EQ(QColor(whole.pixel(79, 23)), kLight);
    gauge.SetEnabled(true);
    EXPECT_GT(Count(Mask(Inner(*bar, 0), {kGauge})), 0);
    bar->setEnabled(false);  // a disabled bar disables every panel
    EXPECT_FALSE(gauge.IsEnabled());
    EXPECT_EQ(Colours(Inner(*bar, 0)), Set({kBar}));
}

// ---------------------------------------------------------------------------
// Redrawing

class QelRedraws : public ::testing::Test {
protected:
    void SetUp() override {
        bar = MakeBar(300);
        for (int w : {80, 80, 80}) AddPanel(*bar, w);
        bar->Panels()[0].SetPanelType(sptGauge);
        bar->OnDrawPanel = [this](TQelStatusBar*, TQelStatusPanel* panel, QPainter&, const QRect&) {
            ++drawn[panel->Index()];
        };
        bar->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(bar.get()));
        Settle();
        drawn.clear();
    }

    // Set to the value the item already has, then to a new one.
    void Check(int index, const std::function<void()>& same, const std::function<void()>& changed) {
        same();
        Settle();
        EXPECT_TRUE(drawn.empty()) << "panel " << index;
        changed();
        Settle();
        EXPECT_EQ(drawn.size(), 1u) << "panel " << index;
        EXPECT_GE(drawn[index], 1) << "panel " << index;
        drawn.clear();
    }

    std::unique_ptr<TQelStatusBar> bar;
    std::map<int, int> drawn;
};

TEST_F(QelRedraws, TextOnlyOnChangeAndOnlyThatPanel) {
    bar->Panels()[1].SetText("Testing COM1");
    Settle();
    drawn.clear();
    Check(1, [&] { bar->Panels()[1].SetText("Testing COM1"); }, [&] { bar->Panels()[1].SetText("Testing COM2"); });
}

TEST_F(QelRedraws, EnabledOnlyOnChangeAndOnlyThatPanel) {
    Check(2, [&] { bar->Panels()[2].SetEnabled(true); }, [&] { bar->Panels()[2].SetEnabled(false); });
}

TEST_F(QelRedraws, GaugePositionAndColourOnlyOnChangeAndOnlyThatPanel) {
    TQelGaugeAttrs& g = bar->Panels()[0].GaugeAttrs();
    Check(0, [&] { g.SetPosition(0); }, [&] { g.SetPosition(55); });
    const QColor c = g.Color();
    Check(0, [&] { g.SetColor(c); }, [&] { g.SetColor(QColor(255, 0, 0)); });
}

TEST_F(QelRedraws, BarOnDrawPanelComesFirstThenThePanelsOwnDrawing) {
    std::vector<std::string> order;
    TQelStatusPanel& p = bar->Panels()[1];
    p.SetPanelType(sptOwnerDraw);
    Settle();
    bar->OnDrawPanel = [&](TQelStatusBar* sb, TQelStatusPanel* panel, QPainter&, const QRect& rect) {
        EXPECT_EQ(sb, bar.get());
        EXPECT_EQ(rect, bar->PanelRect(panel->Index()));
        if (panel == &p) order.push_back("bar");
    };
    p.OnDrawPanel = [&](TQelStatusBar*, TQelStatusPanel*, QPainter&, const QRect&) { order.push_back("panel"); };
    bar->grab();
    EXPECT_EQ(order, (std::vector<std::string>{"bar", "panel"}));
}

TEST(QelPanels, IndexOutsideTheCollectionRaises) {
    auto bar = MakeBar(100);
    AddPanel(*bar, 50);
    EXPECT_NO_THROW(bar->RedrawPanel(0));
    EXPECT_THROW(bar->RedrawPanel(1), ERangeError);
    EXPECT_THROW(bar->RedrawPanel(-1), ERangeError);
    EXPECT_THROW(bar->Panels()[1], ERangeError);
    EXPECT_EQ(&bar->Panels()[0], bar->Panels().Items(0));
}

TEST(QelPanels, OwnerMustBeAPanelCollection) {
    TCollection other;
    try {
        new TQelStatusPanel(&other);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "TQelStatusPanel owner must be TQelStatusPanesls");
    }
    EXPECT_EQ(other.Count(), 0);
    EXPECT_THROW(new TQelStatusPanel(nullptr), Exception);
}

TEST(QelPanels, EachMirrorsOnePlatformPanelThatFollowsItsWidthAndGoesWithIt) {
    auto bar = MakeBar(300);
    TQelStatusPanel& a = AddPanel(*bar, 80);
    TQelStatusPanel* b = bar->Panels().Add();
    AddPanel(*bar, 60);
    EXPECT_EQ(b->Width(), 50);
    EXPECT_EQ(b->Bevel(), pbLowered);
    EXPECT_EQ(b->Alignment(), taLeftJustify);
    EXPECT_TRUE(b->Enabled());
    EXPECT_EQ(bar->PanelCount(), 3);
    EXPECT_EQ(bar->Panel(1)->Style(), psOwnerDraw);
    EXPECT_EQ(bar->PanelRect(0), QRect(0, 2, 80, 22));
    EXPECT_EQ(bar->PanelRect(1), QRect(82, 2, 48, 22));
    EXPECT_EQ(bar->PanelRect(2), QRect(132, 2, 168, 22));  // the last reaches the right edge
    a.SetWidth(100);
    EXPECT_EQ(bar->PanelRect(1), QRect(102, 2, 48, 22));
    delete b;
    EXPECT_EQ(bar->Panels().Count(), 2);
    EXPECT_EQ(bar->PanelCount(), 2);
    EXPECT_EQ(bar->PanelRect(1), QRect(102, 2, 198, 22));
}

// ---------------------------------------------------------------------------
// Text panels

// The mask of Text drawn straight with Qt into Rect of a picture of the
// panel's size, in the same font.
std::vector<bool> QtTextMask(TQelStatusBar& bar, const QSize& size, const QRect& rect, int flags,
                             const std::string& text) {
    QImage pic(size, QImage::Format_RGB32);
    pic.fill(kBar);
    QPainter painter(&pic);
    painter.setFont(bar.font());
    painter.setPen(kFont);
    painter.drawText(rect, flags, QString::fromStdString(text));
    painter.end();
    return Mask(pic, {kFont});
}

TEST(QelTextPanel, PlacedAfterAlignment) {
    auto bar = MakeBar(120);
    TQelStatusPanel& panel = AddPanel(*bar, 120);
    panel.SetText("Status");
    const QSize size(118, 20);
    const int v = Qt::AlignVCenter | Qt::TextSingleLine;
    const auto left = Mask(Inner(*bar, 0), {kFont});
    EXPECT_GT(Count(left), 20);
    EXPECT_EQ(left, QtTextMask(*bar, size, QRect(0, 0, 118, 20), v | Qt::AlignLeft, "Status"));
    panel.SetAlignment(taRightJustify);  // one pixel short of the right edge
    EXPECT_EQ(Mask(Inner(*bar, 0), {kFont}), QtTextMask(*bar, size, QRect(0, 0, 117, 20), v | Qt::AlignRight, "Status"));
    EXPECT_NE(Mask(Inner(*bar, 0), {kFont}), QtTextMask(*bar, size, QRect(0, 0, 118, 20), v | Qt::AlignRight, "Status"));
    panel.SetAlignment(taCenter);
    EXPECT_EQ(Mask(Inner(*bar, 0), {kFont}), QtTextMask(*bar, size, QRect(0, 0, 118, 20), v | Qt::AlignHCenter, "Status"));
    panel.SetAlignment(taRightJustify);
    panel.SetAutoFit(true);  // always centred
    const int extent = bar->fontMetrics().horizontalAdvance("Status");
    EXPECT_EQ(panel.Width(), extent + 6);
    bar->resize(panel.Width(), 24);
    EXPECT_EQ(Mask(Inner(*bar, 0), {kFont}), TextMask(extent + 6, "Status", taCenter));
}

TEST(QelTextPanel, AutoFitFollowsTheTextAndTheFont) {
    auto bar = MakeBar(300);
    TQelStatusPanel& panel = AddPanel(*bar, 10);
    AddPanel(*bar, 10);
    panel.SetAutoFit(true);
    panel.SetText("Testing COM3");
    EXPECT_EQ(panel.Width(), bar->fontMetrics().horizontalAdvance("Testing COM3") + 6);
    QFont big = bar->font();
    big.setPixelSize(20);
    bar->setFont(big);
    EXPECT_EQ(panel.Width(), QFontMetrics(big).horizontalAdvance("Testing COM3") + 6);
}

TEST(QelTextPanel, SingleLineWithAmpersandShownAsItIs) {
    auto bar = MakeBar(100);
    TQelStatusPanel& panel = AddPanel(*bar, 100);
    panel.SetText("A&B");
    EXPECT_EQ(Mask(Inner(*bar, 0), {kFont}), TextMask(100, "A&B", taLeftJustify));
    EXPECT_NE(Mask(Inner(*bar, 0), {kFont}), TextMask(100, "AB", taLeftJustify));
}

TEST(QelEllipsisPanels, HintShowsTheWholeTextAndEndEllipsisFits) {
    auto bar = MakeBar(60);
    TQelStatusPanel& panel = AddPanel(*bar, 60, sptEllipsisText);
    EXPECT_EQ(panel.Hint(), "...");
    panel.SetText("A rather long status text");
    EXPECT_EQ(panel.HintText(), "A rather long status text");
    const QString shown = bar->fontMetrics().elidedText("A rather long status text", Qt::ElideRight, 58);
    EXPECT_TRUE(shown.endsWith(QChar(0x2026)) || shown.endsWith("..."));
    EXPECT_EQ(Mask(Inner(*bar, 0), {kFont}), TextMask(60, shown.toStdString(), taLeftJustify));
    panel.SetHint("Own hint");
    EXPECT_EQ(panel.HintText(), "Own hint");
    panel.SetHint("");
    EXPECT_EQ(panel.Hint(), "...");
}

TEST(QelEllipsisPanels, PathEllipsisKeepsTheFileName) {
    QFont font("DejaVu Sans");
    font.setPixelSize(12);
    const QFontMetrics fm(font);
    const QString path = "/home/someone/Documents/faxes/2001/Fax0001.tif";
    EXPECT_EQ(PathEllipsis(path, fm, fm.horizontalAdvance(path)), path);
    const int width = fm.horizontalAdvance("/home/some.../Fax0001.tif");
    const QString shown = PathEllipsis(path, fm, width);
    EXPECT_TRUE(shown.endsWith("/Fax0001.tif")) << shown.toStdString();
    EXPECT_TRUE(shown.contains("...")) << shown.toStdString();
    EXPECT_TRUE(shown.startsWith("/home/")) << shown.toStdString();
    EXPECT_LE(fm.horizontalAdvance(shown), width);
    const QString tiny = PathEllipsis(path, fm, fm.horizontalAdvance("...Fax"));
    EXPECT_LE(fm.horizontalAdvance(tiny), fm.horizontalAdvance("...Fax"));
    EXPECT_EQ(PathEllipsis("C:\\Pellow\\log\\Pellow.log", fm, fm.horizontalAdvance("C:...\\Pellow.log")),
              "C:...\\Pellow.log");
}

TEST(QelGlyphPanel, DrawsThePictureAfterAlignmentAndFitsToIt) {
    QPixmap glyph(10, 8);
    glyph.fill(QColor(0, 128, 0));
    auto bar = MakeBar(40);
    TQelStatusPanel& panel = AddPanel(*bar, 40, sptGlyph);
    panel.SetGlyph(glyph);
    const auto box = [&] {
        const QImage pic = Inner(*bar, 0);
        QRect r;
        for (int y = 0; y < pic.height(); ++y)
            for (int x = 0; x < pic.width(); ++x)
                if (QColor(pic.pixel(x, y)) == QColor(0, 128, 0)) r |= QRect(x, y, 1, 1);
        return r;
    };
    EXPECT_EQ(box(), QRect(0, 6, 10, 8));
    panel.SetAlignment(taCenter);
    EXPECT_EQ(box(), QRect(14, 6, 10, 8));
    panel.SetAlignment(taRightJustify);
    EXPECT_EQ(box(), QRect(27, 6, 10, 8));
    panel.SetAutoFit(true);
    EXPECT_EQ(panel.Width(), 14);
}

TEST(QelOwnerDrawPanel, HandlerDrawsInsideNothingWithoutAndMarkerAtDesignTime) {
    auto bar = MakeBar(60);
    TQelStatusPanel& panel = AddPanel(*bar, 60, sptOwnerDraw);
    EXPECT_EQ(Colours(Inner(*bar, 0)), Set({kBar}));
    bar->SetDesigning(true);
    EXPECT_EQ(Mask(Inner(*bar, 0), {kFont}), TextMask(60, " *OD* ", taLeftJustify));
    bar->SetDesigning(false);
    QRect given;
    panel.OnDrawPanel = [&](TQelStatusBar* sb, TQelStatusPanel* p, QPainter& canvas, const QRect& rect) {
        EXPECT_EQ(sb, bar.get());
        EXPECT_EQ(p, &panel);
        given = rect;
        canvas.fillRect(rect, QColor(0, 200, 0));
    };
    const QImage pic = Inner(*bar, 0);
    EXPECT_EQ(given, QRect(0, 0, 58, 20));  // the off-screen picture
    EXPECT_EQ(Colours(pic), Set({QColor(0, 200, 0)}));
    panel.SetEnabled(false);
    EXPECT_EQ(Colours(Inner(*bar, 0)), Set({kBar}));
}

// ---------------------------------------------------------------------------
// Timer

TEST(QelTimer, TimeAndDatePanelsEdgeCase) {
    auto bar = MakeBar(300);
    TQelStatusPanel* time = &AddPanel(*bar, 80, sptTime);
    TQelStatusPanel* date = &AddPanel(*bar, 80, sptDate);
    ASSERT_NE(bar->Panels().Timer(), nullptr);
    EXPECT_EQ(bar->Panels().Timer()->interval(), 1000);
    EXPECT_TRUE(bar->Panels().Timer()->isActive());
    delete time;
    ASSERT_NE(bar->Panels().Timer(), nullptr);
    EXPECT_EQ(bar->Panels().Timer()->interval(), 60000);
    delete date;
    EXPECT_EQ(bar->Panels().Timer(), nullptr);
}

TEST(QelTimer, RegistrationRules) {
    auto bar = MakeBar(300);
    TQelStatusPanels& panels = bar->Panels();
    TQelStatusPanel& date = AddPanel(*bar, 80, sptDate);
    EXPECT_EQ(panels.Timer()->interval(), 60000);  // the only one
    TQelStatusPanel& dateTime = AddPanel(*bar, 80, sptDateTime);
    EXPECT_EQ(panels.Timer()->interval(), 1000);  // above 1000 before
    TQelStatusPanel& gauge = AddPanel(*bar, 80, sptGauge);
    EXPECT_EQ(panels.Timer()->interval(), 1000);  // a percent gauge needs no timer
    gauge.GaugeAttrs().SetStyle(gsIndeterminate2);
    EXPECT_EQ(panels.Timer()->interval(), 50);  // as soon as it registers
    TQelStatusPanel& time = AddPanel(*bar, 80, sptTime);
    EXPECT_EQ(panels.Timer()->interval(), 50);  // not the only one, 50 is not above 1000
    TQelStatusPanel& date2 = AddPanel(*bar, 80, sptDate);
    EXPECT_EQ(panels.Timer()->interval(), 50);
    gauge.SetEnabled(false);
    EXPECT_EQ(panels.Timer()->interval(), 1000);
    time.SetPanelType(sptNormal);
    dateTime.SetEnabled(false);
    EXPECT_EQ(panels.Timer()->interval(), 60000);
    date.SetEnabled(false);
    date2.SetPanelType(sptGlyph);
    EXPECT_EQ(panels.Timer(), nullptr);
    gauge.SetEnabled(true);
    ASSERT_NE(panels.Timer(), nullptr);
    EXPECT_EQ(panels.Timer()->interval(), 50);
    bar->setEnabled(false);
    EXPECT_EQ(panels.Timer(), nullptr);
    bar->setEnabled(true);
    ASSERT_NE(panels.Timer(), nullptr);
    EXPECT_EQ(panels.Timer()->interval(), 50);
}

TEST(QelTimer, GaugeTypeWithAnIndeterminateStyleStartsDisabled) {
    auto bar = MakeBar(100);
    TQelStatusPanel& gauge = AddPanel(*bar, 100);
    gauge.GaugeAttrs().SetStyle(gsIndeterminate);
    EXPECT_EQ(bar->Panels().Timer(), nullptr);
    gauge.SetPanelType(sptGauge);
    EXPECT_FALSE(gauge.Enabled());
    EXPECT_EQ(bar->Panels().Timer(), nullptr);
    gauge.SetEnabled(true);
    ASSERT_NE(bar->Panels().Timer(), nullptr);
    EXPECT_EQ(bar->Panels().Timer()->interval(), 50);
}

TEST(QelTimer, IndeterminateGaugeIsRedrawnByTheRunningTimer) {
    auto bar = MakeBar(100);
    TQelStatusPanel& gauge = AddPanel(*bar, 100, sptGauge);
    gauge.GaugeAttrs().SetStyle(gsIndeterminate);
    int draws = 0;
    bar->OnDrawPanel = [&](TQelStatusBar*, TQelStatusPanel*, QPainter&, const QRect&) { ++draws; };
    bar->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(bar.get()));
    Settle();
    draws = 0;
    Settle(400);
    EXPECT_GE(draws, 4);  // some 8 ticks of 50 ms
    gauge.GaugeAttrs().SetStyle(gsPercent);
    EXPECT_EQ(bar->Panels().Timer(), nullptr);
    Settle();
    draws = 0;
    Settle(200);
    EXPECT_EQ(draws, 0);
}

class QelDateTimePanels : public ::testing::Test {
protected:
    void SetUp() override { SetNow(EncodeDate(2024, 5, 1) + EncodeTime(12, 0, 0, 0)); }
    void TearDown() override { ResetClock(); }
    static TDateTime At(int day, int h, int m, int s) { return EncodeDate(2024, 5, day) + EncodeTime(h, m, s, 0); }
    static bool Starts(const std::string& text, const std::string& head) { return text.rfind(head, 0) == 0; }
};

TEST_F(QelDateTimePanels, TextsFromTheFormatsOrTheSystemsFormats) {
    auto bar = MakeBar(400);
    TQelStatusPanel& date = AddPanel(*bar, 100, sptDate);
    TQelStatusPanel& time = AddPanel(*bar, 100, sptTime);
    TQelStatusPanel& both = AddPanel(*bar, 100, sptDateTime);
    EXPECT_EQ(date.Text(), DateToStr(Now()));
    EXPECT_FALSE(time.Text().empty());
    date.SetDateFormat("yyyy-mm-dd");
    time.SetTimeFormat("hh:nn");
    both.SetDateFormat("dd.mm.yyyy");
    both.SetTimeFormat("hh:nn");
    EXPECT_EQ(date.Text(), "2024-05-01");
    EXPECT_EQ(time.Text(), "12:00");
    EXPECT_EQ(both.Text(), "12:00 01.05.2024");  // the time first
    EXPECT_FALSE(date.AutoFit());
}

TEST_F(QelDateTimePanels, TickRefreshesTimesAlwaysAndDatesOnANewDayOnly) {
    auto bar = MakeBar(400);
    TQelStatusPanel& date = AddPanel(*bar, 150, sptDate);
    TQelStatusPanel& time = AddPanel(*bar, 100, sptTime);
    date.SetDateFormat("yyyy-mm-dd hh:nn");  // shows whether it was refreshed
    time.SetTimeFormat("hh:nn");
    EXPECT_EQ(date.Text(), "2024-05-01 12:00");
    SetNow(At(1, 12, 30, 0));
    bar->Panels().TimerTick();
    EXPECT_EQ(time.Text(), "12:30");
    EXPECT_EQ(date.Text(), "2024-05-01 12:00");
    SetNow(At(2, 0, 1, 0));
    bar->Panels().TimerTick();
    EXPECT_EQ(time.Text(), "00:01");
    EXPECT_EQ(date.Text(), "2024-05-02 00:01");
    SetNow(At(2, 0, 5, 0));
    bar->Panels().TimerTick();
    EXPECT_EQ(date.Text(), "2024-05-02 00:01");
}

TEST_F(QelDateTimePanels, RedrawnOnlyWhenTheTextChanged) {
    auto bar = MakeBar(200);
    TQelStatusPanel& time = AddPanel(*bar, 100, sptTime);
    AddPanel(*bar, 100);
    time.SetTimeFormat("hh:nn");
    std::map<int, int> drawn;
    bar->OnDrawPanel = [&](TQelStatusBar*, TQelStatusPanel* p, QPainter&, const QRect&) { ++drawn[p->Index()]; };
    bar->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(bar.get()));
    Settle();
    drawn.clear();
    bar->Panels().TimerTick();  // still 12:00
    Settle();
    EXPECT_TRUE(drawn.empty());
    SetNow(At(1, 12, 1, 0));
    bar->Panels().TimerTick();
    Settle();
    EXPECT_EQ(drawn.size(), 1u);
    EXPECT_GE(drawn[0], 1);
}

// ---------------------------------------------------------------------------
// Indeterminate gauges

// The leftmost column of the gauge colour in the picture, -1 for none.
int LeftmostGauge(const QImage& pic) {
    for (int x = 0; x < pic.width(); ++x)
        for (int y = 0; y < pic.height(); ++y)
            if (QColor(pic.pixel(x, y)) == kGauge) return x;
    return -1;
}

TEST(QelIndeterminateGauge, BallRunsToAndFroInTheMiddleThird) {
    auto bar = MakeBar(40);  // picture 38 x 20: the ball is 8 high from row 6
    TQelStatusPanel& gauge = AddPanel(*bar, 40, sptGauge);
    UseGaugeColours(gauge);
    gauge.GaugeAttrs().SetStyle(gsIndeterminate);
    const QImage first = Inner(*bar, 0);
    const QRect ball = [&] {
        QRect r;
        for (int y = 0; y < first.height(); ++y)
            for (int x = 0; x < first.width(); ++x)
                if (QColor(first.pixel(x, y)) == kGauge) r |= QRect(x, y, 1, 1);
        return r;
    }();
    EXPECT_EQ(ball, QRect(3, 5, 10, 10));  // p = 4: the square 4..12 grown by a pixel
    // p runs 8 ... 32 (turns there), 28 ... 0 (turns there), 4.
    const std::vector<int> expected = {7, 11, 15, 19, 23, 27, 31, 27, 23, 19, 15, 11, 7, 3, 0, 3};
    std::vector<int> seen;
    for (std::size_t i = 0; i < expected.size(); ++i) seen.push_back(LeftmostGauge(Inner(*bar, 0)));
    EXPECT_EQ(seen, expected);
}

TEST(QelIndeterminateGauge, WidthOrDisablingStartsItOver) {
    auto bar = MakeBar(40);
    TQelStatusPanel& gauge = AddPanel(*bar, 40, sptGauge);
    UseGaugeColours(gauge);
    gauge.GaugeAttrs().SetStyle(gsIndeterminate);
    for (int i = 0; i < 3; ++i) Inner(*bar, 0);
    EXPECT_EQ(LeftmostGauge(Inner(*bar, 0)), 15);
    gauge.SetWidth(40);
    EXPECT_EQ(LeftmostGauge(Inner(*bar, 0)), 3);
    Inner(*bar, 0);
    gauge.SetEnabled(false);
    gauge.SetEnabled(true);
    EXPECT_EQ(LeftmostGauge(Inner(*bar, 0)), 3);
    gauge.GaugeAttrs().SetSpeed(2);
    gauge.SetWidth(40);
    EXPECT_EQ(LeftmostGauge(Inner(*bar, 0)), 1);
}

QColor Shade(int x) {
    const auto ch = [x](int gauge, int bar) { return static_cast<int>((gauge - bar) * x / 99.0 + bar); };
    return QColor(ch(kGauge.red(), kBar.red()), ch(kGauge.green(), kBar.green()), ch(kGauge.blue(), kBar.blue()));
}

TEST(QelIndeterminateGauge2, ShadeSlidesWithTheGaugeColourLeading) {
    EXPECT_EQ(Shade(0), kBar);
    EXPECT_EQ(Shade(33), QColor(128, 128, 213));
    EXPECT_EQ(Shade(99), kGauge);
    auto bar = MakeBar(40);
    TQelStatusPanel& gauge = AddPanel(*bar, 40, sptGauge);
    UseGaugeColours(gauge);
    gauge.GaugeAttrs().SetStyle(gsIndeterminate2);
    QImage pic = Inner(*bar, 0);  // p = 4
    for (int x = 0; x < 4; ++x) EXPECT_EQ(QColor(pic.pixel(x, 10)), kBar) << x;
    for (int x = 4; x < 38; ++x) EXPECT_EQ(QColor(pic.pixel(x, 10)), Shade(x - 4)) << x;
    EXPECT_EQ(QColor(pic.pixel(37, 0)), QColor(pic.pixel(37, 19)));  // whole columns
    for (int i = 0; i < 9; ++i) pic = Inner(*bar, 0);  // p = 40: turns
    EXPECT_EQ(Colours(pic), Set({kBar}));
    pic = Inner(*bar, 0);  // p = 36, mirrored
    EXPECT_EQ(QColor(pic.pixel(35, 10)), kBar);
    EXPECT_EQ(QColor(pic.pixel(36, 10)), Shade(99));
    EXPECT_EQ(QColor(pic.pixel(37, 10)), Shade(98));
    for (int i = 0; i < 34; ++i) pic = Inner(*bar, 0);  // p = -100: turns, nothing left to see
    EXPECT_EQ(Colours(pic), Set({kBar}));
    pic = Inner(*bar, 0);  // p = -96, not mirrored: the shade's right end shows
    EXPECT_EQ(QColor(pic.pixel(0, 10)), Shade(96));
    EXPECT_EQ(QColor(pic.pixel(3, 10)), Shade(99));
    EXPECT_EQ(QColor(pic.pixel(4, 10)), kBar);
}

TEST(QelIndeterminateGauge2, ShadeIsRebuiltForANewColour) {
    auto bar = MakeBar(40);
    TQelStatusPanel& gauge = AddPanel(*bar, 40, sptGauge);
    UseGaugeColours(gauge);
    gauge.GaugeAttrs().SetStyle(gsIndeterminate2);
    EXPECT_EQ(QColor(Inner(*bar, 0).pixel(37, 10)), QColor(128, 128, 213));  // p = 4, shade column 33
    gauge.GaugeAttrs().SetColor(QColor(0, 255, 0));
    gauge.SetWidth(40);
    EXPECT_EQ(QColor(Inner(*bar, 0).pixel(37, 10)), QColor(128, 213, 128));
    bar->SetColor(QColor(0, 0, 0));
    gauge.SetWidth(40);
    const QImage pic = Inner(*bar, 0);
    EXPECT_EQ(QColor(pic.pixel(4, 10)), QColor(0, 0, 0));
    EXPECT_EQ(QColor(pic.pixel(37, 10)), QColor(0, 85, 0));
}

// ---------------------------------------------------------------------------
// Lock keys

class QelLockKeys : public ::testing::Test {
protected:
    void SetUp() override {
        keyboard::SetLedFolder(home.Path() + "/leds");
        Led("caps", false);
        Led("num", false);
        Led("scroll", false);
        bar = MakeBar(300);
    }
    void TearDown() override {
        bar.reset();
        keyboard::SetLedFolder("");
        QelKb::SetLibName("");
    }

    void Led(const std::string& key, bool on) {
        const std::string dir = home.Path() + "/leds/input5::" + key + "lock";
        std::filesystem::create_directories(dir);
        testkit::WriteFile(dir + "/brightness", on ? "1\n" : "0\n");
    }

    static void Key(QWidget* w, QEvent::Type type, int key, bool repeat = false) {
        QKeyEvent ev(type, key, Qt::NoModifier, QString(), repeat);
        QApplication::sendEvent(w, &ev);
    }

    // The colours of the caption of panel Index.
    std::set<QRgb> Caption(int index) {
        std::set<QRgb> c = Colours(Inner(*bar, index));
        c.erase(kBar.rgb());
        return c;
    }

    testkit::TempHome home;
    std::unique_ptr<TQelStatusBar> bar;
};

TEST_F(QelLockKeys, TextsFitAndStateComesFromThePlatform) {
    Led("num", true);
    TQelStatusPanel& caps = AddPanel(*bar, 10, sptCapsLock);
    TQelStatusPanel& num = AddPanel(*bar, 10, sptNumLock);
    TQelStatusPanel& scroll = AddPanel(*bar, 10, sptScrollLock);
    AddPanel(*bar, 10);
    EXPECT_EQ(caps.Text(), " CAPS ");
    EXPECT_EQ(num.Text(), " NUM ");
    EXPECT_EQ(scroll.Text(), " SCROLL ");
    EXPECT_TRUE(caps.AutoFit());
    EXPECT_EQ(scroll.Width(), bar->fontMetrics().horizontalAdvance(" SCROLL ") + 6);
    EXPECT_FALSE(caps.KeyState());
    EXPECT_TRUE(num.KeyState());
    EXPECT_EQ(Caption(0), Set({kGray}));
    EXPECT_EQ(Caption(1), Set({kFont}));
    EXPECT_EQ(Caption(2), Set({kGray}));
}

TEST_F(QelLockKeys, FirstKeyDownRedrawsThePanelsOfThatKeyOnly) {
    TQelStatusPanel& caps = AddPanel(*bar, 10, sptCapsLock);
    TQelStatusPanel& num = AddPanel(*bar, 10, sptNumLock);
    AddPanel(*bar, 10);
    Led("caps", true);
    Led("num", true);
    Key(bar.get(), QEvent::KeyPress, Qt::Key_CapsLock);
    EXPECT_TRUE(caps.KeyState());
    EXPECT_FALSE(num.KeyState());
    EXPECT_EQ(Caption(0), Set({kFont}));
    Settle(150);  // the late look at the LEDs
    Led("caps", false);
    Key(bar.get(), QEvent::KeyRelease, Qt::Key_CapsLock);
    Key(bar.get(), QEvent::KeyPress, Qt::Key_CapsLock, true);
    Key(bar.get(), QEvent::KeyPress, Qt::Key_A);
    EXPECT_TRUE(caps.KeyState());  // neither a key-up nor a repeat nor another key
    QTest::keyPress(bar.get(), Qt::Key_CapsLock);
    EXPECT_FALSE(caps.KeyState());
    QTest::keyPress(bar.get(), Qt::Key_NumLock);
    EXPECT_TRUE(num.KeyState());
}

TEST_F(QelLockKeys, LedThatFollowsLateIsSeen) {
    TQelStatusPanel& scroll = AddPanel(*bar, 10, sptScrollLock);
    Key(bar.get(), QEvent::KeyPress, Qt::Key_ScrollLock);
    EXPECT_FALSE(scroll.KeyState());
    Led("scroll", true);
    Settle(200);
    EXPECT_TRUE(scroll.KeyState());
}

TEST_F(QelLockKeys, ActivationRedrawsAndAfterDeactivationTheNextKeyEventRedrawsAll) {
    TQelStatusPanel& caps = AddPanel(*bar, 10, sptCapsLock);
    TQelStatusPanel& num = AddPanel(*bar, 10, sptNumLock);
    Led("caps", true);
    QEvent activate(QEvent::ApplicationActivate);
    QApplication::sendEvent(qApp, &activate);
    EXPECT_FALSE(caps.KeyState());  // by a posted message
    Settle();
    EXPECT_TRUE(caps.KeyState());
    Key(bar.get(), QEvent::KeyPress, Qt::Key_A);
    Led("num", true);
    Key(bar.get(), QEvent::KeyRelease, Qt::Key_A);
    EXPECT_FALSE(num.KeyState());  // active: other keys change nothing
    QEvent deactivate(QEvent::ApplicationDeactivate);
    QApplication::sendEvent(qApp, &deactivate);
    Settle();
    EXPECT_TRUE(num.KeyState());
    Led("caps", false);
    Led("num", false);
    Key(bar.get(), QEvent::KeyRelease, Qt::Key_A);
    EXPECT_FALSE(caps.KeyState());
    EXPECT_FALSE(num.KeyState());
    Led("num", true);
    Key(bar.get(), QEvent::KeyRelease, Qt::Key_A);
    EXPECT_FALSE(num.KeyState());  // only the first event after
}

TEST_F(QelLockKeys, RefreshMessageRedrawsAllLockKeyPanels) {
    TQelStatusPanel& caps = AddPanel(*bar, 10, sptCapsLock);
    TQelStatusPanel& scroll = AddPanel(*bar, 10, sptScrollLock);
    Led("caps", true);
    Led("scroll", true);
    EXPECT_EQ(QEL_REFRESH_LOCK_KEYS, 0x80E6u);
    QEvent activate(QEvent::ApplicationActivate);
    QApplication::sendEvent(qApp, &activate);
    Settle();
    EXPECT_TRUE(caps.KeyState());
    EXPECT_TRUE(scroll.KeyState());
}

TEST_F(QelLockKeys, DisabledOrRemovedPanelsNoLongerWatch) {
    TQelStatusPanel& caps = AddPanel(*bar, 10, sptCapsLock);
    TQelStatusPanel* other = &AddPanel(*bar, 10, sptCapsLock);
    caps.SetEnabled(false);
    Led("caps", true);
    Key(bar.get(), QEvent::KeyPress, Qt::Key_CapsLock);
    EXPECT_FALSE(caps.KeyState());
    EXPECT_TRUE(other->KeyState());
    delete other;
    Key(bar.get(), QEvent::KeyPress, Qt::Key_CapsLock);  // no panel left behind
    caps.SetEnabled(true);
    EXPECT_TRUE(caps.KeyState());  // read when it starts to watch
    bar.reset();
    QWidget elsewhere;
    Key(&elsewhere, QEvent::KeyPress, Qt::Key_CapsLock);  // nothing left watching
}

// ---------------------------------------------------------------------------
// Keyboard-monitor library

TEST_F(QelLockKeys, MonitorLibraryMessagesUpdateTheLockKeyPanels) {
    TQelStatusPanel* caps = &AddPanel(*bar, 10, sptCapsLock);
    TQelStatusPanel* num = &AddPanel(*bar, 10, sptNumLock);
    AddPanel(*bar, 10);
    bar->SetUseMonitorDLL(true);
    ASSERT_TRUE(bar->UseMonitorDLL());
    EXPECT_TRUE(QelKb::Loaded());
    {
        qeltest::MonitorClient lib;
        ASSERT_TRUE(lib.Present());
        EXPECT_EQ(lib.Windows(), 1u);  // the bar's window, once for both panels
        EXPECT_EQ(QelKb::WindowCount(), 1u);

        lib.Toggle(20, true);
        Settle();
        EXPECT_TRUE(caps->KeyState());
        EXPECT_FALSE(num->KeyState());
        EXPECT_EQ(Caption(0), Set({kFont}));
        lib.Toggle(144, true);
        lib.Toggle(7, false);  // any other key is CapsLock
        Settle();
        EXPECT_TRUE(num->KeyState());
        EXPECT_FALSE(caps->KeyState());

        Led("caps", true);
        Key(bar.get(), QEvent::KeyPress, Qt::Key_CapsLock);
        EXPECT_FALSE(caps->KeyState());  // the library, not the key watch, tells

        delete caps;
        EXPECT_EQ(lib.Windows(), 1u);
        delete num;  // the last such panel: deregistered and unloaded
        EXPECT_EQ(lib.Windows(), 0u);
        EXPECT_EQ(QelKb::WindowCount(), 0u);
        EXPECT_FALSE(QelKb::Loaded());
    }
    EXPECT_FALSE(qeltest::MonitorMapped());
}

TEST_F(QelLockKeys, MonitorLibraryStaysWhileAnotherBarUsesIt) {
    auto second = MakeBar(100);
    AddPanel(*bar, 10, sptCapsLock);
    TQelStatusPanel& caps2 = AddPanel(*second, 10, sptCapsLock);
    bar->SetUseMonitorDLL(true);
    second->SetUseMonitorDLL(true);
    qeltest::MonitorClient lib;
    EXPECT_EQ(lib.Windows(), 2u);
    bar.reset();
    EXPECT_TRUE(QelKb::Loaded());
    EXPECT_EQ(lib.Windows(), 1u);
    lib.Toggle(20, true);
    Settle();
    EXPECT_TRUE(caps2.KeyState());
    Led("caps", true);
    second->SetUseMonitorDLL(false);  // back to the key watch
    EXPECT_FALSE(QelKb::Loaded());
    EXPECT_EQ(lib.Windows(), 0u);
    lib.Toggle(20, false);
    Settle();
    EXPECT_TRUE(caps2.KeyState());  // the library no longer tells
    Led("caps", false);
    Key(second.get(), QEvent::KeyPress, Qt::Key_CapsLock);
    EXPECT_FALSE(caps2.KeyState());
}

TEST_F(QelLockKeys, WithoutTheLibraryUseMonitorDLLStaysFalse) {
    QelKb::SetLibName("QelKbAbsent.dll");
    TQelStatusPanel& caps = AddPanel(*bar, 10, sptCapsLock);
    bar->SetUseMonitorDLL(true);
    EXPECT_FALSE(bar->UseMonitorDLL());
    EXPECT_FALSE(QelKb::Loaded());
    Led("caps", true);
    Key(bar.get(), QEvent::KeyPress, Qt::Key_CapsLock);
    EXPECT_TRUE(caps.KeyState());  // still watched by the bar itself
    bar->SetDesigning(true);
    try {
        bar->SetUseMonitorDLL(true);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Could not load QelKbAbsent.dll");
    }
    EXPECT_FALSE(bar->UseMonitorDLL());
}

TEST_F(QelLockKeys, LibraryWithoutEntriesLeavesTheKeysToTheBar) {
    QelKb::SetLibName("QelKbNoEntries.dll");
    bar->SetUseMonitorDLL(true);
    EXPECT_TRUE(bar->UseMonitorDLL());  // it loads
    TQelStatusPanel& caps = AddPanel(*bar, 10, sptCapsLock);
    EXPECT_FALSE(bar->UseMonitorDLL());  // but gives no message for the window
    EXPECT_FALSE(QelKb::Loaded());
    Led("caps", true);
    Key(bar.get(), QEvent::KeyPress, Qt::Key_CapsLock);
    EXPECT_TRUE(caps.KeyState());
}

// ---------------------------------------------------------------------------
// Hints and clicks

class QelHintsAndClicks : public ::testing::Test {
protected:
    void SetUp() override {
        bar = MakeBar(300);
        AddPanel(*bar, 80).SetHint("Free memory");
        AddPanel(*bar, 80, sptEllipsisPath).SetText("/home/me/Pellow.log");
        AddPanel(*bar, 80);
        bar->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(bar.get()));
    }
    void TearDown() override { QToolTip::hideText(); }

    std::string HintAt(const QPoint& pos) {
        QToolTip::hideText();
        EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 2000));
        QHelpEvent help(QEvent::ToolTip, pos, bar->mapToGlobal(pos));
        QApplication::sendEvent(bar.get(), &help);
        return QToolTip::isVisible() ? QToolTip::text().toStdString() : std::string();
    }

    std::unique_ptr<TQelStatusBar> bar;
};

TEST_F(QelHintsAndClicks, HintOfThePanelUnderTheMouseWhichOnHintTextMayChange) {
    EXPECT_EQ(HintAt(QPoint(10, 10)), "Free memory");
    EXPECT_EQ(HintAt(QPoint(100, 10)), "/home/me/Pellow.log");
    EXPECT_EQ(HintAt(QPoint(200, 10)), "");
    bar->Panels()[0].OnHintText = [](TQelStatusPanel* p, std::string& hint) {
        hint += " (" + std::to_string(p->Index()) + ")";
    };
    EXPECT_EQ(HintAt(QPoint(10, 10)), "Free memory (0)");
}

TEST_F(QelHintsAndClicks, ClickCallsThePanelsOnClick) {
    std::vector<int> clicked;
    for (int i = 0; i < 3; ++i)
        bar->Panels()[i].OnClick = [&](TQelStatusPanel* p) { clicked.push_back(p->Index()); };
    QTest::mouseClick(bar.get(), Qt::LeftButton, {}, QPoint(100, 10));
    QTest::mouseClick(bar.get(), Qt::LeftButton, {}, QPoint(250, 10));
    QTest::mouseClick(bar.get(), Qt::RightButton, {}, QPoint(10, 10));
    QTest::mouseClick(bar.get(), Qt::LeftButton, {}, QPoint(81, 10));  // between panels
    QTest::mousePress(bar.get(), Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseRelease(bar.get(), Qt::LeftButton, {}, QPoint(100, 10));  // left the panel
    EXPECT_EQ(clicked, (std::vector<int>{1, 2}));
}

TEST_F(QelHintsAndClicks, AClickHandlerMayFreeItsOwnPanel) {
    std::vector<std::string> log;
    const std::string said = "panel 0 removed";
    bar->Panels()[0].OnClick = [&log, said](TQelStatusPanel* p) {
        delete p;
        log.push_back(said);  // the handler's own state outlives the panel
    };
    QTest::mouseClick(bar.get(), Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(log, std::vector<std::string>{said});
    EXPECT_EQ(bar->Panels().Count(), 2);
    EXPECT_EQ(bar->PanelCount(), 2);
}

TEST_F(QelHintsAndClicks, ExceptionOfAClickHandlerIsShownAndTheBarGoesOn) {
    testkit::ScopedScriptedUi ui;
    bar->Panels()[0].OnClick = [](TQelStatusPanel*) { throw Exception("ERROR occured with \"AT\""); };
    QTest::mouseClick(bar.get(), Qt::LeftButton, {}, QPoint(10, 10));
    ASSERT_EQ(ui->Prompts().size(), 1u);
    EXPECT_EQ(ui->Prompts()[0].text, "ERROR occured with \"AT\"");
}

}  // namespace
