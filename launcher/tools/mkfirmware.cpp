// Writes the synthetic sample firmware file:
//   kt900_mkfirmware <output file>

#include "samplefirmware.h"

#include <QSaveFile>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output file>\n", argv[0]);
        return 2;
    }
    QSaveFile out(QString::fromLocal8Bit(argv[1]));
    const QByteArray image = Firmware::sampleImage();
    if (!out.open(QIODevice::WriteOnly) || out.write(image) != image.size() || !out.commit()) {
        std::fprintf(stderr, "cannot write %s: %s\n", argv[1], qPrintable(out.errorString()));
        return 1;
    }
    return 0;
}
