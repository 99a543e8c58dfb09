#pragma once
// TWndProp: remembers a form's placement between runs in the registry (HKCU,
// through TRegIniFile): position, size and window state, and on request the
// extents of aligned controls, the bands of cool bars, the columns of data
// grids, and the fonts and colours of the form's controls. It loads once, at
// the form's first show, and saves when the form is destroyed.
//
// How its notions stand on our Qt forms:
// - form: the owner QWidget when it is a window; its name is its objectName
//   (the class name when that is empty). Its components are its descendant
//   widgets with an objectName of their own (Qt's "qt_..." internals and child
//   windows are not), in the order of the children lists, depth first.
// - Left, Top, Width, Height: the owner's normal (restored) geometry(), the
//   client area as setGeometry() takes it. A maximised or minimised form keeps
//   the rectangle saved while it was normal.
// - State: the window state, 0 normal, 1 minimised, 2 maximised (full screen
//   counts as maximised; minimised wins over maximised).
// - screen size for the clamping rules: availableGeometry() of the form's
//   screen; its left and top edges stand where the rules say 0.
// - Align: our forms mark aligned controls with SetAlign(); a control without
//   the mark has no Align property. A QSplitter is a splitter. Restoring an
//   extent fixes it again when the control has a fixed extent, resizes the
//   control's pane when its parent is a QSplitter, and resizes it otherwise.
// - ParentFont False: a font set on the control itself (Qt::WA_SetFont);
//   ParentColor False: a palette set on it (Qt::WA_SetPalette).
// - Color: the palette colour of the control's backgroundRole(); FontColor: of
//   its foregroundRole(). Colours are stored as Windows colour numbers
//   (red in the low byte, blue in the third); the character set is always 1,
//   since Qt fonts carry none. FontStyle: 1 bold, 2 italic, 4 underline, 8 strike-out.
//   A control or column with no font value stored yet keeps its own font and
//   font colour; the font defaults fill in only values missing beside stored ones.
// - cool bar: a component that implements TCoolBands; its bands are what that
//   interface lists.
// - data grid: a QTableView; a column is a horizontal section of its model, its
//   field name the section's header text, its width the view's column width,
//   its font and colours the model's header data (FontRole, ForegroundRole,
//   BackgroundRole).
//
// Ownership: construct it with the form as owner, either as a member of the
// form or first thing in the form's constructor; in both cases it is
// destroyed before the form's controls, as the form's OnDestroy ran while the
// controls still stood. Section defaults to the caption the form has at that
// moment, which is usually none yet: a form whose Section is its caption sets
// it with SetSection.
//
// Where the hive cannot be written, saving leaves the placement as it was,
// silently: the form is going away and nothing could be done about it.
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <optional>
#include <string>

class TRegIniFile;

// The set TWndProperty of the enumeration TWndProperties, as bits.
enum TWndProperties : unsigned {
    wpSize = 1,
    wpPosition = 2,
    wpWndState = 4,
    wpControlSizes = 8,
    wpCoolBar = 16,
    wpGridSizes = 32,
    wpFonts = 64,
    wpColors = 128,
};
using TWndProperty = unsigned;
inline constexpr TWndProperty wpAllProperties = 0xFF;
inline constexpr TWndProperty wpDefaultProperties = wpSize | wpPosition | wpWndState;

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

// Marks a control as aligned, as its Align property did; no mark, no Align property.
void SetAlign(QWidget* Control, TAlign Align);
std::optional<TAlign> GetAlign(const QWidget* Control);

// What a cool bar widget of our forms offers TWndProp: its bands, each with a
// width and a break (the band starts a new row).
class TCoolBands {
public:
    virtual ~TCoolBands() = default;
    virtual int BandCount() const = 0;
    virtual int BandWidth(int Index) const = 0;
    virtual void SetBandWidth(int Index, int Width) = 0;
    virtual bool BandBreak(int Index) const = 0;
    virtual void SetBandBreak(int Index, bool Break) = 0;
};

// The clamping rules: a rectangle that leaves the screen at the left or top
// starts at its edge; one that leaves it at the right or bottom ends at its
// edge when it fits, else starts at the left or top edge. Overflow raises EIntOverflow.
void ClampToScreen(int& Left, int& Top, int Width, int Height, const QRect& Screen);

class TWndProp : public QObject {
    Q_OBJECT

public:
    // With AutoLoad the owner is hooked at once, as a form resource holding
    // AutoLoad True did while it was read.
    explicit TWndProp(QWidget* Owner, bool AutoLoad = true);
    ~TWndProp() override;

    std::string About() const;
    void SetAbout(const std::string& Value) { about_ = Value; }
    const std::string& Key() const { return key_; }
    void SetKey(const std::string& Value) { key_ = Value; }
    const std::string& Section() const { return section_; }
    void SetSection(const std::string& Value) { section_ = Value; }
    TWndProperty Options() const { return options_; }
    void SetOptions(TWndProperty Value) { options_ = Value; }
    bool AutoLoad() const { return autoLoad_; }
    // True hooks the owner (once); False is only stored.
    void SetAutoLoad(bool Value);

    // Both do nothing when the owner is not a form.
    void LoadPlacement();
    void SavePlacement();

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    bool IsForm() const;
    std::string FormName() const;
    void Components(TRegIniFile& Ini, bool Loading);
    void Control(TRegIniFile& Ini, QWidget* W, bool Loading);
    void Grid(TRegIniFile& Ini, QWidget* W, bool Loading);
    void CoolBars(TRegIniFile& Ini, bool Loading);

    QPointer<QWidget> owner_;
    std::string about_;
    std::string key_ = "Software";
    std::string section_;
    TWndProperty options_ = wpDefaultProperties;
    bool autoLoad_ = true;
    bool showHooked_ = false;
    bool destroyHooked_ = false;
    bool loaded_ = false;
};
