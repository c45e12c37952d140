// Tovak Studio For KT900: finds the unit, starts the editor for it, or offers
// a firmware update when the unit waits in its loader.

#include "libusbdevice.h"
#include "qtplatform.h"
#include "startup.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tovak Studio For KT900"));
    QApplication::setQuitOnLastWindowClosed(true);
    QtPlatform::applyLook(app);

    // Everything the launcher uses lies beside it, whatever the current
    // directory: TOVAK_KT900/, Firmware/ and img/.
    const QString dir = QCoreApplication::applicationDirPath();
    MyLibusb usb;
    LibusbDevice device(usb);
    QtPlatform platform(dir);
    return Launcher::run(device, platform, dir);
}
