#pragma once
// The platform's status bar: a row of panels, each as wide as its Width (the
// last one reaches the right edge), framed after its Bevel. An owner-drawn
// panel is painted by DrawPanel; the rectangle it gets includes the frame.
#include <QColor>
#include <QWidget>
#include <memory>
#include <vector>

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TStatusPanelBevel { pbNone, pbLowered, pbRaised };
enum TStatusPanelStyle { psText, psOwnerDraw };

class TStatusBar;

class TStatusPanel {
public:
    explicit TStatusPanel(TStatusBar* StatusBar) : bar_(StatusBar) {}

    int Width() const { return width_; }
    void SetWidth(int Width);
    TStatusPanelBevel Bevel() const { return bevel_; }
    void SetBevel(TStatusPanelBevel Bevel);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment Alignment);
    TStatusPanelStyle Style() const { return style_; }
    void SetStyle(TStatusPanelStyle Style);

private:
    TStatusBar* bar_;
    int width_ = 50;
    TStatusPanelBevel bevel_ = pbLowered;
    TAlignment alignment_ = taLeftJustify;
    TStatusPanelStyle style_ = psText;
};

class TStatusBar : public QWidget {
public:
    explicit TStatusBar(QWidget* Parent = nullptr);
    ~TStatusBar() override;

    // The bar's own panel list.
    TStatusPanel* AddPanel();
    void RemovePanel(TStatusPanel* Panel);
    int PanelCount() const { return static_cast<int>(panels_.size()); }
    // Raise ERangeError for an index outside the list.
    TStatusPanel* Panel(int Index) const;
    QRect PanelRect(int Index) const;
    int IndexOfPanel(const TStatusPanel* Panel) const;
    // The panel under a point of the bar, -1 for none.
    int PanelAtPos(const QPoint& Pos) const;
    // Repaints one panel and nothing else.
    void InvalidatePanel(int Index);
    // The panels moved or changed their frames.
    void PanelsChanged();

    QColor Color() const { return color_; }
    void SetColor(const QColor& Color);

    QSize sizeHint() const override;

protected:
    // Paints an owner-drawn panel; Rect is the panel's rectangle with its frame.
    virtual void DrawPanel(int Index, QPainter& Canvas, const QRect& Rect) = 0;
    virtual void ColorChanged() {}
    void paintEvent(QPaintEvent* Event) override;

private:
    void DrawFrame(QPainter& Canvas, const QRect& Rect, TStatusPanelBevel Bevel) const;

    std::vector<std::unique_ptr<TStatusPanel>> panels_;
    QColor color_;
};
