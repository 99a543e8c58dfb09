#include "support/QelStatusBar.h"

#include <QApplication>
#include <QCoreApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "platform/App.h"
#include "platform/Checked.h"
#include "platform/Exceptions.h"
#include "platform/Keyboard.h"
#include "support/QelKb.h"

namespace {

constexpr int VK_CAPITAL = 20;
constexpr int VK_NUMLOCK = 144;
constexpr int VK_SCROLL = 145;

// The LEDs may follow a lock key a moment after its key-down reaches us, so
// the state is read once more after this delay.
constexpr int kLedSettleMs = 100;

const QEvent::Type kMessageEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

// A window message as the bar receives it, posted by the bar itself or by
// the keyboard-monitor library.
class TQelMessageEvent : public QEvent {
public:
    TQelMessageEvent(unsigned Msg, uintptr_t WParam, intptr_t LParam)
        : QEvent(kMessageEvent), Msg(Msg), WParam(WParam), LParam(LParam) {}
    unsigned Msg;
    uintptr_t WParam;
    intptr_t LParam;
};

// Number * Numerator / Denominator, rounded half away from zero.
int MulDiv(int Number, int Numerator, int Denominator) {
    if (Denominator == 0) return -1;
    const int64_t product = static_cast<int64_t>(Number) * Numerator;
    const int64_t half = Denominator / 2;
    const bool negative = (product < 0) != (Denominator < 0);
    const int64_t rounded = negative ? (product - half) / Denominator : (product + half) / Denominator;
    return CheckedCast<int>(rounded);
}

int VirtualKeyOf(int QtKey) {
    switch (QtKey) {
        case Qt::Key_CapsLock: return VK_CAPITAL;
        case Qt::Key_NumLock: return VK_NUMLOCK;
        case Qt::Key_ScrollLock: return VK_SCROLL;
        default: return 0;
    }
}

keyboard::LockKey LockKeyOf(int VirtualKey) {
    switch (VirtualKey) {
        case VK_NUMLOCK: return keyboard::LockKey::Num;
        case VK_SCROLL: return keyboard::LockKey::Scroll;
        default: return keyboard::LockKey::Caps;
    }
}

}  // namespace

// What the keyboard-monitor library gets as the bar's window handle.
struct TQelWindowHandle : QelWindow {
    TQelStatusBar* Bar = nullptr;
};

namespace {
void PostToBar(QelWindow* Wnd, unsigned Msg, uintptr_t WParam, intptr_t LParam) {
    auto* handle = static_cast<TQelWindowHandle*>(Wnd);
    QCoreApplication::postEvent(handle->Bar, new TQelMessageEvent(Msg, WParam, LParam));
}
}  // namespace

// The application-wide key watch of the lock-key panels that do not use the
// keyboard-monitor library; it exists while such a panel is registered.
class TQelKeyHook : public QObject {
public:
    static void Add(TQelStatusPanel* Panel) {
        if (!instance_) instance_ = new TQelKeyHook;
        instance_->panels_.push_back(Panel);
    }

    static void Remove(TQelStatusPanel* Panel) {
        if (!instance_) return;
        auto& panels = instance_->panels_;
        panels.erase(std::remove(panels.begin(), panels.end(), Panel), panels.end());
        if (panels.empty()) {
            delete instance_;
            instance_ = nullptr;
        }
    }

    bool eventFilter(QObject* Watched, QEvent* Event) override {
        switch (Event->type()) {
            case QEvent::KeyPress:
            case QEvent::KeyRelease: KeyEvent(static_cast<QKeyEvent*>(Event)); break;
            case QEvent::ApplicationActivate: Activation(false); break;
            case QEvent::ApplicationDeactivate: Activation(true); break;
            default: break;
        }
        return QObject::eventFilter(Watched, Event);  // always passed on
    }

private:
    TQelKeyHook() {
        if (QCoreApplication::instance()) QCoreApplication::instance()->installEventFilter(this);
    }

    void KeyEvent(QKeyEvent* Event) {
        if (redrawAll_) {
            redrawAll_ = false;
            Refresh(0);
        }
        if (Event->type() != QEvent::KeyPress || Event->isAutoRepeat()) return;
        const int vk = VirtualKeyOf(Event->key());
        if (vk == 0) return;
        Refresh(vk);
        QTimer::singleShot(kLedSettleMs, this, [this, vk] { app::Guarded([&] { Refresh(vk); }); });
    }

    // The panels of one lock key, or all of them for 0.
    void Refresh(int VirtualKey) {
        const std::vector<TQelStatusPanel*> panels = panels_;
        for (TQelStatusPanel* panel : panels) {
            if (VirtualKey == 0 || panel->LockKeyCode() == VirtualKey) panel->ReadKeyState();
        }
    }

    void Activation(bool Deactivated) {
        std::vector<TQelStatusBar*> bars;
        for (TQelStatusPanel* panel : panels_) {
            TQelStatusBar* bar = panel->StatusBar();
            if (std::find(bars.begin(), bars.end(), bar) == bars.end()) bars.push_back(bar);
        }
        for (TQelStatusBar* bar : bars) {
            QCoreApplication::postEvent(bar, new TQelMessageEvent(QEL_REFRESH_LOCK_KEYS, 0, 0));
        }
        if (Deactivated) redrawAll_ = true;
    }

    static TQelKeyHook* instance_;
    std::vector<TQelStatusPanel*> panels_;
    bool redrawAll_ = false;
};

TQelKeyHook* TQelKeyHook::instance_ = nullptr;

// Drops the characters before the last path separator, from its end, until
// the text fits; the file name itself is cut at its end only when nothing
// else is left to drop.
QString PathEllipsis(const QString& Path, const QFontMetrics& Metrics, int Width) {
    if (Metrics.horizontalAdvance(Path) <= Width) return Path;
    const int sep = static_cast<int>(std::max(Path.lastIndexOf('/'), Path.lastIndexOf('\\')));
    if (sep < 0) return Metrics.elidedText(Path, Qt::ElideRight, Width);
    const QString tail = Path.mid(sep);
    for (int keep = sep - 1; keep >= 0; --keep) {
        const QString candidate = Path.left(keep) + "..." + tail;
        if (Metrics.horizontalAdvance(candidate) <= Width) return candidate;
    }
    return Metrics.elidedText("..." + tail, Qt::ElideRight, Width);
}

// ---------------------------------------------------------------------------
// TQelGaugeAttrs

TQelGaugeAttrs::TQelGaugeAttrs(TQelStatusPanel* Owner)
    : owner_(Owner),
      color_(QApplication::palette().color(QPalette::Highlight)),
      textColor_(QApplication::palette().color(QPalette::HighlightedText)) {}

void TQelGaugeAttrs::SetStyle(TQelGaugeStyle Style) {
    if (Style == style_) return;
    owner_->DropRegistration();
    style_ = Style;
    if (owner_->IsIndeterminateGauge()) owner_->ResetAnimation();
    owner_->UpdateRegistration();
    owner_->Redraw();
}

void TQelGaugeAttrs::SetPosition(TPercent Position) {
    if (Position < 0 || Position > 100) throw ERangeError();
    if (Position == position_) return;
    position_ = Position;
    owner_->Redraw();
}

void TQelGaugeAttrs::SetColor(const QColor& Color) {
    if (Color == color_) return;
    color_ = Color;
    owner_->shadePicture_ = QImage();
    owner_->Redraw();
}

void TQelGaugeAttrs::SetTextColor(const QColor& TextColor) {
    if (TextColor == textColor_) return;
    textColor_ = TextColor;
    owner_->Redraw();
}

// ---------------------------------------------------------------------------
// TQelStatusPanel

TQelStatusPanel::TQelStatusPanel(TCollection* Collection)
    : TCollectionItem(Collection), panels_(dynamic_cast<TQelStatusPanels*>(Collection)), gaugeAttrs_(this) {
    if (!panels_) throw Exception("TQelStatusPanel owner must be TQelStatusPanesls");
    mirror_ = panels_->StatusBar()->AddPanel();
    mirror_->SetStyle(psOwnerDraw);
    animStep_ = gaugeAttrs_.Speed();
}

TQelStatusPanel::~TQelStatusPanel() {
    if (!mirror_) return;
    DropRegistration();
    StatusBar()->RemovePanel(mirror_);
}

TQelStatusBar* TQelStatusPanel::StatusBar() const { return panels_->StatusBar(); }

TAlignment TQelStatusPanel::Alignment() const { return mirror_->Alignment(); }
void TQelStatusPanel::SetAlignment(TAlignment Alignment) { mirror_->SetAlignment(Alignment); }
TStatusPanelBevel TQelStatusPanel::Bevel() const { return mirror_->Bevel(); }
void TQelStatusPanel::SetBevel(TStatusPanelBevel Bevel) { mirror_->SetBevel(Bevel); }
int TQelStatusPanel::Width() const { return mirror_->Width(); }

void TQelStatusPanel::SetWidth(int Width) {
    ResetAnimation();
    mirror_->SetWidth(Width);
}

void TQelStatusPanel::SetPanelType(TQelStatusPanelType PanelType) {
    if (PanelType == panelType_) return;
    DropRegistration();
    panelType_ = PanelType;
    switch (panelType_) {
        case sptCapsLock: text_ = " CAPS "; autoFit_ = true; break;
        case sptNumLock: text_ = " NUM "; autoFit_ = true; break;
        case sptScrollLock: text_ = " SCROLL "; autoFit_ = true; break;
        case sptDate:
        case sptTime:
        case sptDateTime: autoFit_ = false; text_ = DateTimeText(); break;
        case sptEllipsisText:
        case sptEllipsisPath:
            autoFit_ = false;
            if (hint_.empty()) hint_ = "...";
            break;
        case sptGauge:
            autoFit_ = false;
            SetAlignment(taCenter);
            if (gaugeAttrs_.Indeterminate()) {
                ResetAnimation();
                enabled_ = false;
            }
            break;
        default: break;
    }
    UpdateRegistration();
    FitWidth();
    Redraw();
}

void TQelStatusPanel::SetGlyph(const QPixmap& Glyph) {
    glyph_ = Glyph;
    FitWidth();
    Redraw();
}

void TQelStatusPanel::SetText(const std::string& Text) {
    if (Text == text_) return;
    text_ = Text;
    FitWidth();
    Redraw();
}

void TQelStatusPanel::SetDateFormat(const std::string& DateFormat) {
    dateFormat_ = DateFormat;
    RefreshDateTime();
}

void TQelStatusPanel::SetTimeFormat(const std::string& TimeFormat) {
    timeFormat_ = TimeFormat;
    RefreshDateTime();
}

void TQelStatusPanel::SetEnabled(bool Enabled) {
    if (Enabled == enabled_) return;
    enabled_ = Enabled;
    if (!enabled_) ResetAnimation();
    UpdateRegistration();
    Redraw();
}

void TQelStatusPanel::SetAutoFit(bool AutoFit) {
    if (AutoFit == autoFit_) return;
    autoFit_ = AutoFit;
    FitWidth();
    Redraw();
}

void TQelStatusPanel::SetHint(const std::string& Hint) {
    hint_ = Hint.empty() && IsEllipsis() ? "..." : Hint;
}

bool TQelStatusPanel::IsEnabled() const { return enabled_ && StatusBar()->isEnabled(); }

bool TQelStatusPanel::IsLockKey() const {
    return panelType_ == sptCapsLock || panelType_ == sptNumLock || panelType_ == sptScrollLock;
}

bool TQelStatusPanel::IsDateTime() const {
    return panelType_ == sptDate || panelType_ == sptTime || panelType_ == sptDateTime;
}

bool TQelStatusPanel::IsIndeterminateGauge() const { return panelType_ == sptGauge && gaugeAttrs_.Indeterminate(); }

bool TQelStatusPanel::IsEllipsis() const {
    return panelType_ == sptEllipsisText || panelType_ == sptEllipsisPath;
}

bool TQelStatusPanel::IsTextLike() const {
    return panelType_ == sptNormal || IsLockKey() || IsDateTime() || IsEllipsis();
}

bool TQelStatusPanel::NeedsTimer() const { return IsDateTime() || IsIndeterminateGauge(); }

int TQelStatusPanel::LockKeyCode() const {
    switch (panelType_) {
        case sptCapsLock: return VK_CAPITAL;
        case sptNumLock: return VK_NUMLOCK;
        case sptScrollLock: return VK_SCROLL;
        default: return 0;
    }
}

void TQelStatusPanel::UpdateRegistration() {
    if (StatusBar()->Destroying()) return;
    const bool enabled = IsEnabled();
    if (enabled && NeedsTimer() && !timerRegistered_) panels_->RegisterTimerPanel(this);
    if (!(enabled && NeedsTimer()) && timerRegistered_) panels_->UnregisterTimerPanel(this);
    if (enabled && IsLockKey() && keyWatch_ == kwNone) StatusBar()->AttachKeyPanel(this);
    if (!(enabled && IsLockKey()) && keyWatch_ != kwNone) StatusBar()->DetachKeyPanel(this);
}

void TQelStatusPanel::DropRegistration() {
    if (timerRegistered_) panels_->UnregisterTimerPanel(this);
    if (keyWatch_ != kwNone) StatusBar()->DetachKeyPanel(this);
}

void TQelStatusPanel::ResetAnimation() {
    animPos_ = 0;
    animStep_ = gaugeAttrs_.Speed();
}

void TQelStatusPanel::FitWidth() {
    if (!autoFit_) return;
    if (panelType_ == sptGlyph) {
        SetWidth(CheckedAdd(glyph_.width(), 4));
    } else if (IsTextLike()) {
        const int extent = StatusBar()->fontMetrics().horizontalAdvance(QString::fromStdString(text_));
        SetWidth(CheckedAdd(extent, 6));
    }
}

std::string TQelStatusPanel::DateTimeText() const {
    const TDateTime now = Now();
    const std::string date = dateFormat_.empty() ? DateToStr(now) : FormatDateTime(dateFormat_, now);
    const std::string time = timeFormat_.empty() ? TimeToStr(now) : FormatDateTime(timeFormat_, now);
    switch (panelType_) {
        case sptDate: return date;
        case sptTime: return time;
        default: return time + " " + date;
    }
}

void TQelStatusPanel::RefreshDateTime() {
    if (IsDateTime()) SetText(DateTimeText());
}

void TQelStatusPanel::ReadKeyState() {
    SetKeyState(keyboard::LockKeyOn(LockKeyOf(LockKeyCode())));
}

void TQelStatusPanel::SetKeyState(bool On) {
    keyState_ = On;
    Redraw();
}

std::string TQelStatusPanel::HintText() {
    std::string hint = IsEllipsis() && hint_ == "..." ? text_ : hint_;
    if (OnHintText) OnHintText(this, hint);
    return hint;
}

void TQelStatusPanel::Redraw() {
    TQelStatusBar* bar = StatusBar();
    if (bar->Destroying()) return;
    const int index = bar->IndexOfPanel(mirror_);
    if (index >= 0) bar->InvalidatePanel(index);
}

void TQelStatusPanel::DrawPanel(QPainter& Canvas, const QRect& Rect) {
    const QRect inner = Rect.adjusted(1, 1, -1, -1);
    if (inner.isEmpty()) return;
    QImage picture(inner.size(), QImage::Format_RGB32);
    picture.fill(StatusBar()->Color());
    if (IsEnabled()) {
        QPainter painter(&picture);
        painter.setFont(StatusBar()->font());
        DrawContents(painter, QRect(QPoint(0, 0), inner.size()));
    }
    Canvas.drawImage(inner.topLeft(), picture);
}

void TQelStatusPanel::DrawContents(QPainter& Canvas, const QRect& Rect) {
    TQelStatusBar* bar = StatusBar();
    switch (panelType_) {
        case sptCapsLock:
        case sptNumLock:
        case sptScrollLock:
            DrawText(Canvas, Rect, text_, keyState_ ? bar->FontColor() : bar->GrayTextColor());
            break;
        case sptEllipsisText: {
            const QString shown = Canvas.fontMetrics().elidedText(QString::fromStdString(text_), Qt::ElideRight,
                                                                  Rect.width());
            DrawText(Canvas, Rect, shown.toStdString(), bar->FontColor());
            break;
        }
        case sptEllipsisPath: {
            const QString shown = PathEllipsis(QString::fromStdString(text_), Canvas.fontMetrics(), Rect.width());
            DrawText(Canvas, Rect, shown.toStdString(), bar->FontColor());
            break;
        }
        case sptGlyph: DrawGlyph(Canvas, Rect); break;
        case sptGauge:
            switch (gaugeAttrs_.Style()) {
                case gsPercent: DrawGauge(Canvas, Rect); break;
                case gsIndeterminate: DrawIndeterminate(Canvas, Rect); break;
                case gsIndeterminate2: DrawIndeterminate2(Canvas, Rect); break;
            }
            break;
        case sptOwnerDraw:
            if (OnDrawPanel) OnDrawPanel(bar, this, Canvas, Rect);
            else if (bar->Designing()) DrawText(Canvas, Rect, " *OD* ", bar->FontColor());
            break;
        default: DrawText(Canvas, Rect, text_, bar->FontColor()); break;
    }
}

// Single line, vertically centred, "&" drawn as it is; placed after
// Alignment, always centred with AutoFit.
void TQelStatusPanel::DrawText(QPainter& Canvas, const QRect& Rect, const std::string& Text,
                               const QColor& Color) const {
    QRect r = Rect;
    int flags = Qt::AlignVCenter | Qt::TextSingleLine;
    const TAlignment alignment = autoFit_ ? taCenter : Alignment();
    if (alignment == taCenter) {
        flags |= Qt::AlignHCenter;
    } else if (alignment == taRightJustify) {
        flags |= Qt::AlignRight;
        r.setRight(r.right() - 1);
    } else {
        flags |= Qt::AlignLeft;
    }
    Canvas.setPen(Color);
    Canvas.setBrush(Qt::NoBrush);
    Canvas.drawText(r, flags, QString::fromStdString(Text));
}

void TQelStatusPanel::DrawGlyph(QPainter& Canvas, const QRect& Rect) const {
    if (glyph_.isNull()) return;
    int x = Rect.left();
    if (Alignment() == taCenter) x += (Rect.width() - glyph_.width()) / 2;
    else if (Alignment() == taRightJustify) x = Rect.right() - glyph_.width();
    const int y = Rect.top() + (Rect.height() - glyph_.height()) / 2;
    Canvas.drawPixmap(x, y, glyph_);
}

// The caption is drawn twice over the whole panel, clipped to either side of
// the fill edge, so it changes colour exactly where the fill ends.
void TQelStatusPanel::DrawGauge(QPainter& Canvas, const QRect& Rect) const {
    const int fill = MulDiv(Rect.width(), gaugeAttrs_.Position(), 100);
    const QRect filled(Rect.left(), Rect.top(), fill, Rect.height());
    const QRect rest(Rect.left() + fill, Rect.top(), Rect.width() - fill, Rect.height());
    Canvas.fillRect(filled, gaugeAttrs_.Color());
    Canvas.fillRect(rest, StatusBar()->Color());
    const std::string caption = text_.empty() ? std::to_string(gaugeAttrs_.Position()) + "%" : text_;
    Canvas.save();
    Canvas.setClipRect(filled);
    DrawText(Canvas, Rect, caption, gaugeAttrs_.TextColor());
    Canvas.setClipRect(rest);
    DrawText(Canvas, Rect, caption, StatusBar()->FontColor());
    Canvas.restore();
}

// A ball running to and fro in the middle third of the panel.
void TQelStatusPanel::DrawIndeterminate(QPainter& Canvas, const QRect& Rect) {
    animPos_ = CheckedAdd(animPos_, animStep_);
    const int top = Rect.height() / 3;
    const int d = Rect.height() - 2 * top;
    if (animStep_ > 0 && animPos_ + d + 1 >= Rect.width()) animStep_ = -gaugeAttrs_.Speed();
    else if (animStep_ < 0 && animPos_ <= 1) animStep_ = gaugeAttrs_.Speed();
    Canvas.setPen(gaugeAttrs_.Color());
    Canvas.setBrush(gaugeAttrs_.Color());
    // Covers the columns left + p - 1 to left + p + d and the rows alike.
    Canvas.drawEllipse(QRect(Rect.left() + animPos_ - 1, Rect.top() + top - 1, d + 1, d + 1));
}

// A 100-pixel shade that slides to and fro, its gauge-colour end leading.
void TQelStatusPanel::DrawIndeterminate2(QPainter& Canvas, const QRect& Rect) {
    animPos_ = CheckedAdd(animPos_, animStep_);
    if (animStep_ > 0 && animPos_ + 1 >= Rect.width()) animStep_ = -gaugeAttrs_.Speed();
    else if (animStep_ < 0 && animPos_ <= -100) animStep_ = gaugeAttrs_.Speed();
    const QImage& shade = ShadePicture();
    Canvas.save();
    Canvas.setClipRect(Rect);
    if (animStep_ < 0) Canvas.drawImage(Rect.left() + animPos_, Rect.top(), shade.mirrored(true, false));
    else Canvas.drawImage(Rect.left() + animPos_, Rect.top(), shade);
    Canvas.restore();
}

const QImage& TQelStatusPanel::ShadePicture() {
    const int height = std::max(1, StatusBar()->height());
    if (!shadePicture_.isNull() && shadePicture_.height() == height) return shadePicture_;
    shadePicture_ = QImage(100, height, QImage::Format_RGB32);
    const QColor from = StatusBar()->Color();
    const QColor to = gaugeAttrs_.Color();
    const auto channel = [](int gauge, int bar, int x) {
        return static_cast<int>(std::trunc(static_cast<double>(gauge - bar) * x / 99 + bar));
    };
    QPainter painter(&shadePicture_);
    for (int x = 0; x < 100; ++x) {
        painter.setPen(QColor(channel(to.red(), from.red(), x), channel(to.green(), from.green(), x),
                              channel(to.blue(), from.blue(), x)));
        painter.drawLine(x, 0, x, height - 1);
    }
    return shadePicture_;
}

// ---------------------------------------------------------------------------
// TQelStatusPanels

TQelStatusPanels::TQelStatusPanels(TQelStatusBar* StatusBar) : bar_(StatusBar) {}

TQelStatusPanels::~TQelStatusPanels() { Clear(); }

TQelStatusPanel* TQelStatusPanels::Add() { return new TQelStatusPanel(this); }

TQelStatusPanel& TQelStatusPanels::operator[](int Index) const { return *Items(Index); }

TQelStatusPanel* TQelStatusPanels::Items(int Index) const { return static_cast<TQelStatusPanel*>(Item(Index)); }

void TQelStatusPanels::RegisterTimerPanel(TQelStatusPanel* Panel) {
    if (!timer_) {
        timer_ = std::make_unique<QTimer>();
        QObject::connect(timer_.get(), &QTimer::timeout, [this] { app::Guarded([this] { TimerTick(); }); });
        lastDate_ = Date();
    }
    if (std::find(timerPanels_.begin(), timerPanels_.end(), Panel) == timerPanels_.end()) {
        timerPanels_.push_back(Panel);
    }
    Panel->timerRegistered_ = true;
    const bool only = timerPanels_.size() == 1;
    switch (Panel->PanelType()) {
        case sptTime:
        case sptDateTime:
            if (only || timer_->interval() > 1000) timer_->setInterval(1000);
            break;
        case sptDate:
            if (only) timer_->setInterval(60000);
            break;
        default:
            if (Panel->IsIndeterminateGauge()) timer_->setInterval(50);
            break;
    }
    if (!timer_->isActive()) timer_->start();
}

void TQelStatusPanels::UnregisterTimerPanel(TQelStatusPanel* Panel) {
    Panel->timerRegistered_ = false;
    timerPanels_.erase(std::remove(timerPanels_.begin(), timerPanels_.end(), Panel), timerPanels_.end());
    if (timerPanels_.empty()) {
        timer_.reset();
        return;
    }
    if (!timer_) return;
    const auto any = [this](auto test) { return std::any_of(timerPanels_.begin(), timerPanels_.end(), test); };
    if (any([](TQelStatusPanel* p) { return p->IsIndeterminateGauge(); })) {
        timer_->setInterval(50);
    } else if (any([](TQelStatusPanel* p) { return p->PanelType() == sptTime || p->PanelType() == sptDateTime; })) {
        timer_->setInterval(1000);
    } else {
        timer_->setInterval(60000);
    }
}

void TQelStatusPanels::TimerTick() {
    const TDateTime today = Date();
    const bool newDay = today != lastDate_;
    lastDate_ = today;
    const std::vector<TQelStatusPanel*> panels = timerPanels_;
    for (TQelStatusPanel* panel : panels) {
        if (panel->IsIndeterminateGauge()) panel->Redraw();
        else if (panel->PanelType() != sptDate || newDay) panel->RefreshDateTime();
    }
}

// ---------------------------------------------------------------------------
// TQelStatusBar

TQelStatusBar::TQelStatusBar(QWidget* Parent)
    : TStatusBar(Parent), panels_(std::make_unique<TQelStatusPanels>(this)), handle_(std::make_unique<TQelWindowHandle>()) {
    handle_->PostMessage = PostToBar;
    handle_->Bar = this;
}

TQelStatusBar::~TQelStatusBar() {
    // Panels leave their services while the bar is still whole; they do not
    // repaint on the way out.
    destroying_ = true;
    for (int i = 0; i < panels_->Count(); ++i) panels_->Items(i)->DropRegistration();
    panels_.reset();
}

void TQelStatusBar::SetUseMonitorDLL(bool UseMonitorDLL) {
    if (UseMonitorDLL == useMonitorDLL_) return;
    if (UseMonitorDLL && !QelKb::Loaded() && !QelKb::Load()) {
        if (designing_) throw Exception("Could not load " + QelKb::LibName());
        return;
    }
    for (int i = 0; i < panels_->Count(); ++i) {
        TQelStatusPanel* panel = panels_->Items(i);
        if (panel->keyWatch_ != TQelStatusPanel::kwNone) DetachKeyPanel(panel);
    }
    useMonitorDLL_ = UseMonitorDLL;
    RewatchKeyPanels();
}

void TQelStatusBar::SetDesigning(bool Designing) {
    if (Designing == designing_) return;
    designing_ = Designing;
    update();
}

void TQelStatusBar::RedrawPanel(int Index) { panels_->Items(Index)->Redraw(); }

QColor TQelStatusBar::FontColor() const { return palette().color(QPalette::Active, QPalette::WindowText); }

QColor TQelStatusBar::GrayTextColor() const { return palette().color(QPalette::Disabled, QPalette::WindowText); }

TQelStatusPanel* TQelStatusBar::PanelOfMirror(int Index) const {
    const TStatusPanel* mirror = Panel(Index);
    for (int i = 0; i < panels_->Count(); ++i) {
        if (panels_->Items(i)->mirror_ == mirror) return panels_->Items(i);
    }
    return nullptr;
}

void TQelStatusBar::DrawPanel(int Index, QPainter& Canvas, const QRect& Rect) {
    TQelStatusPanel* panel = PanelOfMirror(Index);
    if (!panel) return;
    Canvas.setFont(font());
    if (OnDrawPanel) OnDrawPanel(this, panel, Canvas, Rect);
    panel->DrawPanel(Canvas, Rect);
}

void TQelStatusBar::ColorChanged() {
    for (int i = 0; i < panels_->Count(); ++i) panels_->Items(i)->shadePicture_ = QImage();
}

void TQelStatusBar::AttachKeyPanel(TQelStatusPanel* Panel) {
    if (useMonitorDLL_ && StartMonitor()) {
        ++monitorPanels_;
        Panel->keyWatch_ = TQelStatusPanel::kwMonitor;
    } else {
        TQelKeyHook::Add(Panel);
        Panel->keyWatch_ = TQelStatusPanel::kwHook;
    }
    Panel->ReadKeyState();
}

void TQelStatusBar::DetachKeyPanel(TQelStatusPanel* Panel) {
    if (Panel->keyWatch_ == TQelStatusPanel::kwMonitor) {
        if (--monitorPanels_ == 0) StopMonitor();
    } else if (Panel->keyWatch_ == TQelStatusPanel::kwHook) {
        TQelKeyHook::Remove(Panel);
    }
    Panel->keyWatch_ = TQelStatusPanel::kwNone;
}

// Registers the bar's window with the library for its first panel; a library
// that cannot be loaded or refuses the window leaves the lock keys to the
// bar's own key watch.
bool TQelStatusBar::StartMonitor() {
    if (monitorPanels_ > 0) return true;
    if (!QelKb::Loaded() && !QelKb::Load()) {
        useMonitorDLL_ = false;
        return false;
    }
    monitorMsg_ = QelKb::Register(handle_.get());
    if (monitorMsg_ != 0) return true;
    StopMonitor();
    useMonitorDLL_ = false;
    return false;
}

// The library stays loaded while another bar's window is registered with it.
void TQelStatusBar::StopMonitor() {
    QelKb::Deregister(handle_.get());
    monitorMsg_ = 0;
    if (QelKb::WindowCount() == 0) QelKb::Unload();
}

void TQelStatusBar::RewatchKeyPanels() {
    for (int i = 0; i < panels_->Count(); ++i) panels_->Items(i)->UpdateRegistration();
}

void TQelStatusBar::MonitorMessage(uintptr_t WParam, intptr_t LParam) {
    TQelStatusPanelType type = sptCapsLock;
    if (WParam == VK_NUMLOCK) type = sptNumLock;
    else if (WParam == VK_SCROLL) type = sptScrollLock;
    for (int i = 0; i < panels_->Count(); ++i) {
        TQelStatusPanel* panel = panels_->Items(i);
        if (panel->keyWatch_ == TQelStatusPanel::kwMonitor && panel->PanelType() == type) {
            panel->SetKeyState((LParam & 1) != 0);
        }
    }
}

void TQelStatusBar::RefreshLockKeys() {
    for (int i = 0; i < panels_->Count(); ++i) {
        TQelStatusPanel* panel = panels_->Items(i);
        if (panel->keyWatch_ == TQelStatusPanel::kwHook) panel->ReadKeyState();
        else if (panel->keyWatch_ == TQelStatusPanel::kwMonitor) panel->Redraw();
    }
}

bool TQelStatusBar::ShowHint(const QPoint& Pos, const QPoint& GlobalPos) {
    const int index = PanelAtPos(Pos);
    TQelStatusPanel* panel = index < 0 ? nullptr : PanelOfMirror(index);
    const std::string hint = panel ? panel->HintText() : std::string();
    if (hint.empty()) {
        QToolTip::hideText();
        return false;
    }
    QToolTip::showText(GlobalPos, QString::fromStdString(hint), this, PanelRect(index));
    return true;
}

bool TQelStatusBar::event(QEvent* Event) {
    if (Event->type() == kMessageEvent) {
        const auto* message = static_cast<TQelMessageEvent*>(Event);
        app::Guarded([&] {
            if (monitorMsg_ != 0 && message->Msg == monitorMsg_) MonitorMessage(message->WParam, message->LParam);
            else if (message->Msg == QEL_REFRESH_LOCK_KEYS) RefreshLockKeys();
        });
        return true;
    }
    if (Event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(Event);
        bool shown = false;
        app::Guarded([&] { shown = ShowHint(help->pos(), help->globalPos()); });
        if (!shown) Event->ignore();
        return true;
    }
    return TStatusBar::event(Event);
}

void TQelStatusBar::changeEvent(QEvent* Event) {
    TStatusBar::changeEvent(Event);
    app::Guarded([&] {
        if (Event->type() == QEvent::EnabledChange) {
            for (int i = 0; i < panels_->Count(); ++i) {
                TQelStatusPanel* panel = panels_->Items(i);
                if (!isEnabled()) panel->ResetAnimation();
                panel->UpdateRegistration();
            }
            update();
        } else if (Event->type() == QEvent::FontChange) {
            for (int i = 0; i < panels_->Count(); ++i) panels_->Items(i)->FitWidth();
            update();
        }
    });
}

void TQelStatusBar::mousePressEvent(QMouseEvent* Event) {
    pressedPanel_ = Event->button() == Qt::LeftButton ? PanelAtPos(Event->position().toPoint()) : -1;
    TStatusBar::mousePressEvent(Event);
}

void TQelStatusBar::mouseReleaseEvent(QMouseEvent* Event) {
    const int pressed = pressedPanel_;
    pressedPanel_ = -1;
    if (Event->button() == Qt::LeftButton && pressed >= 0 && pressed == PanelAtPos(Event->position().toPoint())) {
        app::Guarded([&] {
            TQelStatusPanel* panel = PanelOfMirror(pressed);
            // A copy runs, so a handler may free its own panel.
            const TQelPanelClickEvent handler = panel ? panel->OnClick : nullptr;
            if (handler) handler(panel);
        });
    }
    TStatusBar::mouseReleaseEvent(Event);
}
