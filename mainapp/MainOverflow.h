#pragma once
// The overflow of the main window's cool bar. When the window is too narrow
// for every menu and tool button, the buttons that do not fit are taken out
// from the end and the mark "»" opens them as a menu, each in the state its
// button has; a menu's Alt key opens that menu also while its button is
// hidden. Where everything fits the mark is hidden.
#include <QObject>
#include <QPointer>
#include <vector>

class QAction;
class QMenu;
class QShortcut;
class QToolBar;
class QToolButton;
class QWidget;

class TToolBarOverflow : public QObject {
public:
    // Bar holds the tool bars in a row (its own layout); Mark is a button in
    // that row, after the bars. Every button of the bars takes part, in
    // their order; the menu buttons' Alt keys work in Window.
    TToolBarOverflow(QWidget* Bar, std::vector<QToolBar*> Bars, QToolButton* Mark, QWidget* Window);

    // The bar's width that shows every button as its text is now.
    int FullWidth();
    // Fits the buttons to the bar's width; runs at every resize of the bar.
    void Update();
    // After the buttons' texts changed: the Alt keys and the fit follow.
    void TextsChanged();
    // The buttons now taken out, in bar order.
    std::vector<QToolButton*> Hidden() const;
    // The mark's menu as it is built when it opens.
    void FillMenu();

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    struct Item {
        QToolBar* bar;
        QAction* action;       // the bar's action of the button or separator
        QToolButton* button;   // null for a separator
        QShortcut* shortcut;   // a menu button's Alt key while it is hidden
    };
    int WidthFor(std::size_t Count);
    int BarWidth(QToolBar* Bar, std::size_t Count);
    bool Shown(std::size_t Index, std::size_t Count) const;
    void SyncShortcuts();
    void OpenHiddenMenu(QToolButton* Button);

    QPointer<QWidget> bar_;
    std::vector<QToolBar*> bars_;
    QToolButton* mark_;
    QMenu* menu_;
    std::vector<Item> items_;
    bool updating_ = false;
};
