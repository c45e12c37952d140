// Writes the launcher's skin images into a folder:
//   kt900_makeskin <dir>      (the build's kt900_launcher_skin target uses launcher/img)
// Run on the offscreen platform; the outputs are committed with the sources.

#include "skin.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <dir>\n", argv[0]);
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    const QImage images[] = {Skin::background(), Skin::button(), Skin::buttonPressed(),
                             Skin::closeHighlight()};
    for (int n = 0; n < 4; ++n) {
        const QString path = dir.filePath(Skin::fileName(n));
        if (!images[n].save(path, nullptr, n == 0 ? 95 : -1)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
