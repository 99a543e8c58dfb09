#pragma once
// A status bar whose panels can show text, a percentage gauge, the state of a
// lock key, the date or time, an ellipsised text or path, a picture, or what
// the program draws. Panels redraw alone when one of them changes.
#include <QColor>
#include <QFontMetrics>
#include <QImage>
#include <QPixmap>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "support/Collection.h"
#include "support/StatusBar.h"

class QPainter;
class TQelStatusBar;
class TQelStatusPanel;
class TQelStatusPanels;
struct TQelWindowHandle;

enum TQelStatusPanelType {
    sptNormal,
    sptCapsLock,
    sptNumLock,
    sptScrollLock,
    sptDate,
    sptTime,
    sptDateTime,
    sptEllipsisText,
    sptEllipsisPath,
    sptGlyph,
    sptGauge,
    sptOwnerDraw
};

enum TQelGaugeStyle { gsPercent, gsIndeterminate, gsIndeterminate2 };

// 0 to 100.
using TPercent = int;

using TQelDrawPanelEvent =
    std::function<void(TQelStatusBar* StatusBar, TQelStatusPanel* Panel, QPainter& Canvas, const QRect& Rect)>;
using TQelPanelHintTextEvent = std::function<void(TQelStatusPanel* Panel, std::string& Hint)>;
using TQelPanelClickEvent = std::function<void(TQelStatusPanel* Panel)>;

// Path as it fits Width: the folders before the file name give way to "...",
// so the file name stays whole as long as it can.
QString PathEllipsis(const QString& Path, const QFontMetrics& Metrics, int Width);

// The message a bar posts itself to redraw its lock-key panels after the
// application was activated or deactivated.
constexpr unsigned QEL_REFRESH_LOCK_KEYS = 0x80E6;  // WM_APP + 230

class TQelGaugeAttrs {
public:
    explicit TQelGaugeAttrs(TQelStatusPanel* Owner);

    TQelGaugeStyle Style() const { return style_; }
    void SetStyle(TQelGaugeStyle Style);
    TPercent Position() const { return position_; }
    // Raises ERangeError outside 0 to 100.
    void SetPosition(TPercent Position);
    int Speed() const { return speed_; }
    void SetSpeed(int Speed) { speed_ = Speed; }
    QColor Color() const { return color_; }
    void SetColor(const QColor& Color);
    QColor TextColor() const { return textColor_; }
    void SetTextColor(const QColor& TextColor);

    bool Indeterminate() const { return style_ != gsPercent; }

private:
    TQelStatusPanel* owner_;
    TQelGaugeStyle style_ = gsPercent;
    TPercent position_ = 0;
    int speed_ = 4;
    QColor color_;
    QColor textColor_;
};

class TQelStatusPanel : public TCollectionItem {
public:
    // Raises Exception unless Collection is a TQelStatusPanels.
    explicit TQelStatusPanel(TCollection* Collection);
    ~TQelStatusPanel() override;

    TQelGaugeAttrs& GaugeAttrs() { return gaugeAttrs_; }
    TAlignment Alignment() const;
    void SetAlignment(TAlignment Alignment);
    TStatusPanelBevel Bevel() const;
    void SetBevel(TStatusPanelBevel Bevel);
    TQelStatusPanelType PanelType() const { return panelType_; }
    void SetPanelType(TQelStatusPanelType PanelType);
    const QPixmap& Glyph() const { return glyph_; }
    void SetGlyph(const QPixmap& Glyph);
    const std::string& Text() const { return text_; }
    void SetText(const std::string& Text);
    const std::string& DateFormat() const { return dateFormat_; }
    void SetDateFormat(const std::string& DateFormat);
    const std::string& TimeFormat() const { return timeFormat_; }
    void SetTimeFormat(const std::string& TimeFormat);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool Enabled);
    int Width() const;
    void SetWidth(int Width);
    bool AutoFit() const { return autoFit_; }
    void SetAutoFit(bool AutoFit);
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& Hint);

    TQelDrawPanelEvent OnDrawPanel;
    TQelPanelHintTextEvent OnHintText;
    TQelPanelClickEvent OnClick;

    TQelStatusPanels* Panels() const { return panels_; }
    TQelStatusBar* StatusBar() const;
    // Enabled, and the bar is enabled.
    bool IsEnabled() const;
    // The toggle state a lock-key panel draws.
    bool KeyState() const { return keyState_; }
    // What the bar shows as the hint over this panel.
    std::string HintText();
    // Repaints this panel alone.
    void Redraw();
    // Paints the panel into the bar's canvas; Rect includes the frame.
    void DrawPanel(QPainter& Canvas, const QRect& Rect);

private:
    friend class TQelGaugeAttrs;
    friend class TQelStatusPanels;
    friend class TQelStatusBar;
    friend class TQelKeyHook;

    enum TKeyWatch { kwNone, kwHook, kwMonitor };

    bool IsLockKey() const;
    bool IsDateTime() const;
    bool IsIndeterminateGauge() const;
    bool IsEllipsis() const;
    bool IsTextLike() const;
    bool NeedsTimer() const;
    int LockKeyCode() const;
    // Registers with the timer and the key-state service exactly when the
    // panel is enabled and of a type that needs them.
    void UpdateRegistration();
    void DropRegistration();
    void ResetAnimation();
    void FitWidth();
    void RefreshDateTime();
    std::string DateTimeText() const;
    void ReadKeyState();
    void SetKeyState(bool On);

    void DrawContents(QPainter& Canvas, const QRect& Rect);
    void DrawText(QPainter& Canvas, const QRect& Rect, const std::string& Text, const QColor& Color) const;
    void DrawGlyph(QPainter& Canvas, const QRect& Rect) const;
    void DrawGauge(QPainter& Canvas, const QRect& Rect) const;
    void DrawIndeterminate(QPainter& Canvas, const QRect& Rect);
    void DrawIndeterminate2(QPainter& Canvas, const QRect& Rect);
    const QImage& ShadePicture();

    TQelStatusPanels* panels_ = nullptr;
    TStatusPanel* mirror_ = nullptr;
    TQelGaugeAttrs gaugeAttrs_;
    TQelStatusPanelType panelType_ = sptNormal;
    QPixmap glyph_;
    std::string text_;
    std::string dateFormat_;
    std::string timeFormat_;
    bool enabled_ = true;
    bool autoFit_ = false;
    std::string hint_;

    bool timerRegistered_ = false;
    TKeyWatch keyWatch_ = kwNone;
    bool keyState_ = false;
    int animPos_ = 0;
    int animStep_ = 4;
    QImage shadePicture_;
};

class TQelStatusPanels : public TCollection {
public:
    explicit TQelStatusPanels(TQelStatusBar* StatusBar);
    ~TQelStatusPanels() override;

    TQelStatusPanel* Add();
    // Raise ERangeError for an index outside the collection.
    TQelStatusPanel& operator[](int Index) const;
    TQelStatusPanel* Items(int Index) const;
    TQelStatusBar* StatusBar() const { return bar_; }

    // The one timer of the date, time and animated panels; null while none
    // is registered.
    QTimer* Timer() const { return timer_.get(); }
    // What each tick of the timer does.
    void TimerTick();

private:
    friend class TQelStatusPanel;
    void RegisterTimerPanel(TQelStatusPanel* Panel);
    void UnregisterTimerPanel(TQelStatusPanel* Panel);

    TQelStatusBar* bar_;
    std::unique_ptr<QTimer> timer_;
    std::vector<TQelStatusPanel*> timerPanels_;
    TDateTime lastDate_ = 0;
};

class TQelStatusBar : public TStatusBar {
public:
    explicit TQelStatusBar(QWidget* Parent = nullptr);
    ~TQelStatusBar() override;

    TQelStatusPanels& Panels() { return *panels_; }
    bool UseMonitorDLL() const { return useMonitorDLL_; }
    // Switching on loads the keyboard-monitor library; when it cannot be
    // loaded the property stays False (at design time it raises).
    void SetUseMonitorDLL(bool UseMonitorDLL);
    // The bar sits in a form designer.
    bool Designing() const { return designing_; }
    void SetDesigning(bool Designing);

    TQelDrawPanelEvent OnDrawPanel;

    // Repaints panel Index of Panels alone; ERangeError outside the collection.
    void RedrawPanel(int Index);
    // The text and grey-text colours the panels draw with.
    QColor FontColor() const;
    QColor GrayTextColor() const;

protected:
    void DrawPanel(int Index, QPainter& Canvas, const QRect& Rect) override;
    void ColorChanged() override;
    bool event(QEvent* Event) override;
    void changeEvent(QEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;

private:
    friend class TQelStatusPanel;
    friend class TQelKeyHook;

    TQelStatusPanel* PanelOfMirror(int Index) const;
    bool Destroying() const { return destroying_; }
    void AttachKeyPanel(TQelStatusPanel* Panel);
    void DetachKeyPanel(TQelStatusPanel* Panel);
    bool StartMonitor();
    void StopMonitor();
    void RewatchKeyPanels();
    void MonitorMessage(uintptr_t WParam, intptr_t LParam);
    void RefreshLockKeys();
    bool ShowHint(const QPoint& Pos, const QPoint& GlobalPos);

    std::unique_ptr<TQelStatusPanels> panels_;
    std::unique_ptr<TQelWindowHandle> handle_;
    bool useMonitorDLL_ = false;
    bool designing_ = false;
    bool destroying_ = false;
    int monitorPanels_ = 0;
    unsigned monitorMsg_ = 0;
    int pressedPanel_ = -1;
};
