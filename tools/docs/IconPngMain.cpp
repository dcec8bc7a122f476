// dabrix-icon-png: renders the program's SVG icon at one pixel size for the icon theme.
//   dabrix-icon-png SIZE INPUT.svg OUTPUT.png
#include "tools/docs/Offscreen.h"

#include <QGuiApplication>
#include <QImage>
#include <QImageReader>

#include <cstdio>

int main(int argc, char** argv)
{
    QTemporaryDir runtime;
    dabrix::tools::UseOffscreenPlatform(runtime);
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    bool ok = false;
    const int size = args.size() == 4 ? args[1].toInt(&ok) : 0;
    if (!ok || size <= 0) {
        std::fputs("usage: dabrix-icon-png SIZE INPUT.svg OUTPUT.png\n", stderr);
        return 2;
    }
    QImageReader reader(args[2]);
    reader.setScaledSize(QSize(size, size));
    const QImage image = reader.read();
    if (image.isNull()) {
        std::fprintf(stderr, "dabrix-icon-png: %s: %s\n", qPrintable(args[2]), qPrintable(reader.errorString()));
        return 1;
    }
    if (!image.convertToFormat(QImage::Format_ARGB32).save(args[3], "PNG")) {
        std::fprintf(stderr, "dabrix-icon-png: cannot write %s\n", qPrintable(args[3]));
        return 1;
    }
    return 0;
}
