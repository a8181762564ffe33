// Writes the program's icon as the files an installed program brings for the desktop's icon
// theme: PNG images at the theme's usual sizes and one scalable drawing, all painted by the
// code that paints the windows' icon.
//
//   make_icons OUTPUT_FOLDER
//
// makes OUTPUT_FOLDER/<size>x<size>/<name>.png for each size and OUTPUT_FOLDER/scalable/<name>.svg.

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>

#include <array>
#include <cstdio>

#include "platform/gui/program_icon.h"
#include "platform/program_identity.h"

namespace {

constexpr std::array<int, 8> Sizes{16, 22, 24, 32, 48, 64, 128, 256};
constexpr int DrawingSize = 256;

bool WritePng(const QString& folder, int size) {
    const QString sized = QStringLiteral("%1/%2x%2").arg(folder).arg(size);
    if (!QDir().mkpath(sized)) return false;
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    gui::PaintProgramIcon(painter, size);
    painter.end();
    return image.save(sized + "/" + QString::fromLatin1(platform::ApplicationId) + ".png");
}

bool WriteSvg(const QString& folder) {
    const QString scalable = folder + QStringLiteral("/scalable");
    if (!QDir().mkpath(scalable)) return false;
    QSvgGenerator drawing;
    drawing.setFileName(scalable + "/" + QString::fromLatin1(platform::ApplicationId) + ".svg");
    drawing.setSize(QSize(DrawingSize, DrawingSize));
    drawing.setViewBox(QRect(0, 0, DrawingSize, DrawingSize));
    drawing.setTitle(QString::fromLatin1(platform::ProgramName));
    QPainter painter;
    if (!painter.begin(&drawing)) return false;
    gui::PaintProgramIcon(painter, DrawingSize);
    return painter.end();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    for (const int size : Sizes) {
        if (!WritePng(folder, size)) return 1;
    }
    return WriteSvg(folder) ? 0 : 1;
}
