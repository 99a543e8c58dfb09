#pragma once
// The main window's own pictures: the tool-button glyphs, the eight images of
// the message list and the frames of the seven modem animations, all drawn
// here so that they stay clear at the small sizes the window shows them.
#include <QIcon>
#include <QList>
#include <QObject>
#include <QPixmap>

// A strip of pictures of one size, addressed by index.
class TImageList : public QObject {
public:
    TImageList(const QString& Name, QList<QPixmap> Images, QObject* Owner);
    int Count() const { return static_cast<int>(images_.size()); }
    // Raises ERangeError for an index outside the list.
    const QPixmap& Image(int Index) const;
    QSize ImageSize() const;

private:
    QList<QPixmap> images_;
};

namespace pictures {

enum class Tool { Reload, PlayNew, Play, Release, Erase, ModemSettings, About };
enum class Animation { NotConnected, Search, Download, Upload, Play, Blink, Still };

constexpr int ListImageSize = 16;
constexpr int ToolImageSize = 24;
constexpr int AnimationWidth = 40;
constexpr int AnimationHeight = 28;

// The tool button's picture, with its own disabled rendering.
QIcon ToolPicture(Tool Which);
// A picture as a disabled control shows it: grey, lighter, its shape and its
// outlines kept.
QPixmap DisabledPicture(const QPixmap& Picture);
// Index 0 new voice, 1 new fax, 2 voice, 3 fax, 4 to 7 the same four kinds
// received with an error.
QList<QPixmap> ListImages();
QList<QPixmap> AnimationFrames(Animation Which);
// The application icon: the modem with a message.
QIcon ProgramIcon();

}  // namespace pictures
