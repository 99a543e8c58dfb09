// Writes the desktop files that come from the programs' own code into the
// folder given: each program's icon as pictures of the hicolor theme's sizes
// (icons/hicolor/<n>x<n>/apps/<program>.png), and the MIME packages of the
// extensions whose associations the programs register (mime/packages/).
#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <fstream>
#include <iostream>
#include <string>

#include "echolet/EcholetPictures.h"
#include "mainapp/MainPictures.h"
#include "murmel/MurmelPictures.h"
#include "platform/XdgMime.h"
#include "viewer/ViewerPictures.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: pellow_desktop_files <folder>\n";
        return 2;
    }
    QApplication app(argc, argv);
    const QString out = QString::fromLocal8Bit(argv[1]);
    const struct {
        const char* name;
        QIcon icon;
    } programs[] = {{"pellow", pictures::ProgramIcon()},
                    {"leafor", viewerpictures::ProgramIcon()},
                    {"murmel", murmel::ProgramIcon()},
                    {"echolet", echolet::EcholetIcon()}};
    for (const int size : {16, 32, 48}) {
        const QString dir = out + QString("/icons/hicolor/%1x%1/apps").arg(size);
        if (!QDir().mkpath(dir)) return 1;
        for (const auto& p : programs) {
            // The theme's pictures are square: a picture of another shape is
            // scaled to fit and centred on a clear square.
            QImage picture = p.icon.pixmap(size, size).toImage();
            if (picture.width() != size && picture.height() != size)
                picture = picture.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            QImage image(size, size, QImage::Format_ARGB32);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            painter.drawImage((size - picture.width()) / 2, (size - picture.height()) / 2, picture);
            painter.end();
            if (picture.isNull() || !image.save(dir + "/" + p.name + ".png")) {
                std::cerr << "cannot write the icon of " << p.name << "\n";
                return 1;
            }
        }
    }
    const std::string packages = out.toStdString() + "/mime/packages";
    if (!QDir().mkpath(QString::fromStdString(packages))) return 1;
    for (const xdgmime::TMimeExtension& ext : xdgmime::MimeExtensions()) {
        std::string name = ext.mimeType;
        for (char& c : name)
            if (c == '/') c = '-';
        std::ofstream file(packages + "/pellow-" + name + ".xml", std::ios::trunc);
        file << xdgmime::PackageText(ext);
        if (!file.flush()) return 1;
    }
    return 0;
}
