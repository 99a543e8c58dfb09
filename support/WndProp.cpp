#include "support/WndProp.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QSplitter>
#include <QTableView>
#include <algorithm>
#include <vector>

#include "platform/App.h"
#include "platform/Checked.h"
#include "support/RegIniFile.h"

namespace {

const char* const kAlignProperty = "Align";

// ---------------------------------------------------------------------------
// Colours and fonts as the registry holds them

int32_t ToColorNumber(const QColor& c) { return c.red() | (c.green() << 8) | (c.blue() << 16); }

// Only plain RGB numbers stand for a colour we can show; system colour numbers do not.
bool FromColorNumber(int32_t n, QColor& c) {
    if (n < 0 || n > 0xFFFFFF) return false;
    c = QColor(n & 0xFF, (n >> 8) & 0xFF, (n >> 16) & 0xFF);
    return true;
}

int FontStyleBits(const QFont& f) {
    return (f.bold() ? 1 : 0) | (f.italic() ? 2 : 0) | (f.underline() ? 4 : 0) | (f.strikeOut() ? 8 : 0);
}

int PointSize(const QFont& f) {
    if (f.pointSize() > 0) return f.pointSize();
    return f.pixelSize() > 0 ? (f.pixelSize() * 72 + 48) / 96 : 8;
}

void SetRoleColor(QWidget* w, QPalette::ColorRole role, const QColor& c) {
    if (w->palette().color(role) == c) return;
    QPalette p = w->palette();
    p.setColor(role, c);
    w->setPalette(p);
}

void SaveFont(TRegIniFile& ini, const std::string& section, const QFont& font, const QColor& color) {
    ini.WriteString(section, "FontName", font.family().toStdString());
    ini.WriteInteger(section, "FontCharSet", 1);
    ini.WriteInteger(section, "FontColor", ToColorNumber(color));
    ini.WriteInteger(section, "FontSize", PointSize(font));
    ini.WriteInteger(section, "FontStyle", FontStyleBits(font));
}

bool FontStored(const TRegIniFile& ini, const std::string& section) {
    for (const char* name : {"FontName", "FontCharSet", "FontColor", "FontSize", "FontStyle"}) {
        if (ini.ValueExists(section, name)) return true;
    }
    return false;
}

// A font stored in the section replaces Font and Color; a value missing beside
// stored ones gives the font defaults, not the control's current font. Where
// no font value is stored yet (the first run) the control keeps the font it
// was designed with: the defaults name a Windows font this desktop does not
// have, and would shrink every such control to 8 points in a fallback face.
bool LoadFont(const TRegIniFile& ini, const std::string& section, QFont& font, QColor& color) {
    if (!FontStored(ini, section)) return false;
    font = QFont(QString::fromStdString(ini.ReadString(section, "FontName", "MS Sans Serif")));
    const int size = ini.ReadInteger(section, "FontSize", 8);
    font.setPointSize(size > 0 ? size : 8);
    const int style = ini.ReadInteger(section, "FontStyle", 0);
    font.setBold(style & 1);
    font.setItalic(style & 2);
    font.setUnderline(style & 4);
    font.setStrikeOut(style & 8);
    if (!FromColorNumber(ini.ReadInteger(section, "FontColor", 0), color)) color = Qt::black;
    return true;
}

// ---------------------------------------------------------------------------
// The form's components

void CollectComponents(const QWidget* parent, std::vector<QWidget*>& out) {
    for (QObject* o : parent->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || w->isWindow()) continue;
        const QString name = w->objectName();
        if (!name.isEmpty() && !name.startsWith(QLatin1String("qt_"))) out.push_back(w);
        CollectComponents(w, out);
    }
}

int WindowStateNumber(Qt::WindowStates s) {
    if (s & Qt::WindowMinimized) return 1;
    if (s & (Qt::WindowMaximized | Qt::WindowFullScreen)) return 2;
    return 0;
}

void ApplyWindowState(QWidget* form, int state) {
    const Qt::WindowStates others =
        form->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen);
    switch (state) {
        case 0:
            form->setWindowState(others);
            break;
        case 1:
            form->setWindowState(others | Qt::WindowMinimized);
            break;
        case 2:
            form->setWindowState(others | Qt::WindowMaximized);
            break;
        default:
            break;  // not a window state: the form keeps its own
    }
}

// Restores the extent of an aligned control the way its layout lets it have one.
void SetExtent(QWidget* w, bool horizontal, int extent) {
    if (extent == (horizontal ? w->width() : w->height())) return;
    if (horizontal && w->minimumWidth() == w->maximumWidth()) {
        w->setFixedWidth(extent);
    } else if (!horizontal && w->minimumHeight() == w->maximumHeight()) {
        w->setFixedHeight(extent);
    } else if (auto* splitter = qobject_cast<QSplitter*>(w->parentWidget());
               splitter && (splitter->orientation() == Qt::Horizontal) == horizontal) {
        // The neighbouring pane gives or takes the difference, so the others keep their extents.
        QList<int> sizes = splitter->sizes();
        const int i = splitter->indexOf(w);
        if (i >= 0 && i < sizes.size()) {
            const int j = i + 1 < sizes.size() ? i + 1 : i - 1;
            if (j >= 0) sizes[j] = std::max(0, sizes[j] - (extent - sizes[i]));
            sizes[i] = extent;
            splitter->setSizes(sizes);
        }
    } else if (horizontal) {
        w->resize(extent, w->height());
    } else {
        w->resize(w->width(), extent);
    }
}

QColor HeaderColor(const QAbstractItemModel* m, int column, int role, const QColor& fallback) {
    const QVariant v = m->headerData(column, Qt::Horizontal, role);
    if (v.canConvert<QBrush>()) return v.value<QBrush>().color();
    if (v.canConvert<QColor>()) return v.value<QColor>();
    return fallback;
}

}  // namespace

void SetAlign(QWidget* Control, TAlign Align) { Control->setProperty(kAlignProperty, static_cast<int>(Align)); }

std::optional<TAlign> GetAlign(const QWidget* Control) {
    const QVariant v = Control->property(kAlignProperty);
    if (!v.isValid()) return std::nullopt;
    return static_cast<TAlign>(v.toInt());
}

void ClampToScreen(int& Left, int& Top, int Width, int Height, const QRect& Screen) {
    const int right = CheckedAdd(Screen.left(), Screen.width());
    const int bottom = CheckedAdd(Screen.top(), Screen.height());
    if (Top < Screen.top()) Top = Screen.top();
    if (Left < Screen.left()) Left = Screen.left();
    if (CheckedAdd(Left, Width) > right) Left = Width < Screen.width() ? right - Width : Screen.left();
    if (CheckedAdd(Top, Height) > bottom) Top = Height < Screen.height() ? bottom - Height : Screen.top();
}

// ---------------------------------------------------------------------------
// TWndProp

TWndProp::TWndProp(QWidget* Owner, bool AutoLoad) : QObject(Owner), owner_(Owner) {
    section_ = IsForm() ? Owner->windowTitle().toStdString() : "Section1";
    autoLoad_ = AutoLoad;
    if (AutoLoad) SetAutoLoad(true);
}

// The form is being destroyed: this is its destroy hook. A form that was never
// shown in this run has not loaded its placement, so it does not overwrite
// the placement saved in an earlier run with the one it was built with.
TWndProp::~TWndProp() {
    if (owner_ && showHooked_) owner_->removeEventFilter(this);
    if (destroyHooked_ && loaded_ && owner_) app::Guarded([this] { SavePlacement(); });
}

std::string TWndProp::About() const { return "TWndProp - window placement for Pellow, by the Norvale developers"; }

void TWndProp::SetAutoLoad(bool Value) {
    autoLoad_ = Value;
    if (!Value || !owner_ || destroyHooked_) return;
    owner_->installEventFilter(this);
    showHooked_ = true;
    destroyHooked_ = true;
}

// The show hook: the form's own show handling first, then the placement, and
// the hook is gone, so a later show loads nothing.
bool TWndProp::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched != owner_ || Event->type() != QEvent::Show || !showHooked_) return false;
    owner_->removeEventFilter(this);
    showHooked_ = false;
    QCoreApplication::sendEvent(owner_, Event);
    app::Guarded([this] { LoadPlacement(); });
    return true;
}

bool TWndProp::IsForm() const { return owner_ && owner_->isWindow(); }

std::string TWndProp::FormName() const {
    const QString name = owner_->objectName();
    return (name.isEmpty() ? QString::fromLatin1(owner_->metaObject()->className()) : name).toStdString();
}

void TWndProp::LoadPlacement() {
    if (!IsForm()) return;
    loaded_ = true;
    TRegIniFile ini(key_);
    const QRect r = owner_->geometry();
    int left = r.x(), top = r.y(), width = r.width(), height = r.height();
    if (options_ & wpPosition) {
        left = ini.ReadInteger(section_, "Left", left);
        top = ini.ReadInteger(section_, "Top", top);
    }
    if (options_ & wpSize) {
        width = ini.ReadInteger(section_, "Width", width);
        height = ini.ReadInteger(section_, "Height", height);
    }
    const QScreen* screen = owner_->screen() ? owner_->screen() : QGuiApplication::primaryScreen();
    if (screen) ClampToScreen(left, top, width, height, screen->availableGeometry());
    if (QRect(left, top, width, height) != r) owner_->setGeometry(left, top, width, height);
    Components(ini, true);
    if (options_ & wpCoolBar) CoolBars(ini, true);
    if (options_ & wpWndState) {
        ApplyWindowState(owner_, ini.ReadInteger(section_, "State", WindowStateNumber(owner_->windowState())));
    }
}

void TWndProp::SavePlacement() {
    if (!IsForm()) return;
    TRegIniFile ini(key_);
    const int state = WindowStateNumber(owner_->windowState());
    if (options_ & wpWndState) ini.WriteInteger(section_, "State", state);
    if (state == 0) {
        const QRect r = owner_->geometry();
        if (options_ & wpPosition) {
            ini.WriteInteger(section_, "Left", r.x());
            ini.WriteInteger(section_, "Top", r.y());
        }
        if (options_ & wpSize) {
            ini.WriteInteger(section_, "Width", r.width());
            ini.WriteInteger(section_, "Height", r.height());
        }
    }
    Components(ini, false);
    if (options_ & wpCoolBar) CoolBars(ini, false);
}

void TWndProp::Components(TRegIniFile& Ini, bool Loading) {
    if (!(options_ & (wpControlSizes | wpFonts | wpColors | wpGridSizes))) return;
    std::vector<QWidget*> components;
    CollectComponents(owner_, components);
    for (QWidget* w : components) {
        Control(Ini, w, Loading);
        if (options_ & wpGridSizes) Grid(Ini, w, Loading);
    }
}

void TWndProp::Control(TRegIniFile& Ini, QWidget* W, bool Loading) {
    const std::string section = FormName() + "\\" + W->objectName().toStdString();
    const std::optional<TAlign> align = GetAlign(W);
    if ((options_ & wpControlSizes) && align && !qobject_cast<QSplitter*>(W) && !qobject_cast<QSplitterHandle*>(W)) {
        const bool vertical = *align == TAlign::alTop || *align == TAlign::alBottom;
        const bool horizontal = *align == TAlign::alLeft || *align == TAlign::alRight;
        const char* name = vertical ? "Height" : "Width";
        if (vertical || horizontal) {
            const int current = vertical ? W->height() : W->width();
            if (Loading) SetExtent(W, horizontal, Ini.ReadInteger(section, name, current));
            else Ini.WriteInteger(section, name, current);
        }
    }
    if ((options_ & wpFonts) && W->testAttribute(Qt::WA_SetFont)) {
        if (Loading) {
            QFont font;
            QColor color;
            if (LoadFont(Ini, section, font, color)) {
                W->setFont(font);
                SetRoleColor(W, W->foregroundRole(), color);
            }
        } else {
            SaveFont(Ini, section, W->font(), W->palette().color(W->foregroundRole()));
        }
    }
    if ((options_ & wpColors) && W->testAttribute(Qt::WA_SetPalette)) {
        const int32_t current = ToColorNumber(W->palette().color(W->backgroundRole()));
        QColor c;
        if (!Loading) Ini.WriteInteger(section, "Color", current);
        else if (FromColorNumber(Ini.ReadInteger(section, "Color", current), c)) SetRoleColor(W, W->backgroundRole(), c);
    }
}

void TWndProp::Grid(TRegIniFile& Ini, QWidget* W, bool Loading) {
    auto* grid = qobject_cast<QTableView*>(W);
    QAbstractItemModel* model = grid ? grid->model() : nullptr;
    if (!model) return;
    const std::string section = FormName() + "\\" + W->objectName().toStdString();
    for (int i = 0; i < model->columnCount(); ++i) {
        const std::string field = model->headerData(i, Qt::Horizontal, Qt::DisplayRole).toString().toStdString();
        const std::string columnSection = section + "\\" + field + "\\Column";
        const QVariant fontData = model->headerData(i, Qt::Horizontal, Qt::FontRole);
        const QFont font = fontData.canConvert<QFont>() ? fontData.value<QFont>() : grid->font();
        const QColor fontColor = HeaderColor(model, i, Qt::ForegroundRole, grid->palette().color(QPalette::Text));
        const QColor color = HeaderColor(model, i, Qt::BackgroundRole, grid->palette().color(QPalette::Base));
        if (!Loading) {
            Ini.WriteInteger(section, field, grid->columnWidth(i));
            SaveFont(Ini, columnSection, font, fontColor);
            Ini.WriteInteger(columnSection, "Color", ToColorNumber(color));
            continue;
        }
        grid->setColumnWidth(i, Ini.ReadInteger(section, field, grid->columnWidth(i)));
        QFont loadedFont;
        QColor loadedFontColor, loadedColor;
        if (LoadFont(Ini, columnSection, loadedFont, loadedFontColor)) {
            model->setHeaderData(i, Qt::Horizontal, loadedFont, Qt::FontRole);
            model->setHeaderData(i, Qt::Horizontal, QBrush(loadedFontColor), Qt::ForegroundRole);
        }
        if (FromColorNumber(Ini.ReadInteger(columnSection, "Color", ToColorNumber(color)), loadedColor)) {
            model->setHeaderData(i, Qt::Horizontal, QBrush(loadedColor), Qt::BackgroundRole);
        }
    }
}

void TWndProp::CoolBars(TRegIniFile& Ini, bool Loading) {
    std::vector<QWidget*> components;
    CollectComponents(owner_, components);
    for (QWidget* w : components) {
        auto* bar = dynamic_cast<TCoolBands*>(w);
        if (!bar) continue;
        const std::string section = section_ + "\\" + w->objectName().toStdString();
        for (int i = 0; i < bar->BandCount(); ++i) {
            const std::string band = "Band" + std::to_string(i);
            if (Loading) {
                bar->SetBandWidth(i, Ini.ReadInteger(section, band, bar->BandWidth(i)));
                bar->SetBandBreak(i, Ini.ReadBool(section, band + "Break", bar->BandBreak(i)));
            } else {
                Ini.WriteInteger(section, band, bar->BandWidth(i));
                Ini.WriteBool(section, band + "Break", bar->BandBreak(i));
            }
        }
    }
}
