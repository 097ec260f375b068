// Build-time tool: renders the application's SVG icon to one square PNG of the hicolor theme.
//   renderIcon ICON.svg SIZE OUT.png
// Raster painting into a QImage needs no application object, so the tool runs without a display.
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char** argv) {
    bool sizeOk = false;
    const int size = argc == 4 ? QString::fromLocal8Bit(argv[2]).toInt(&sizeOk) : 0;
    if (!sizeOk || size < 1) {
        std::fputs("usage: renderIcon ICON.svg SIZE OUT.png\n", stderr);
        return 1;
    }
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "renderIcon: cannot read %s\n", argv[1]);
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    if (!image.save(QString::fromLocal8Bit(argv[3]), "PNG")) {
        std::fprintf(stderr, "renderIcon: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
