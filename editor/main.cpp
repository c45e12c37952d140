// The editor: started by the launcher with the unit's USB bus address and,
// optionally, the number of the bus it is on.

#include "core.h"
#include "kt900style.h"
#include "mylibusb.h"
#include "resources.h"

#include <QApplication>
#include <QString>

int main(int argc, char *argv[])
{
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TOVAK_KT900"));
    kt900InitResources();
    QApplication::setFont(Kt900Style::applicationFont());

    // Without the bus address there is nothing to edit.
    if (argc <= 1)
        return 0;
    bool ok = false;
    quint16 value = QString::fromLocal8Bit(argv[1]).toUShort(&ok, 10);
    if (!ok)
        value = 0;
    const auto address = static_cast<quint8>(value & 0xFF);
    // The bus, when given, narrows the search to it; like the address, a bus
    // number that is not a number matches no device.
    int busNumber = -1;
    if (argc > 2) {
        busNumber = QString::fromLocal8Bit(argv[2]).toInt(&ok, 10);
        if (!ok || busNumber < 0)
            busNumber = 0;
    }

    int result = 0;
    {
        Core core(address, busNumber, nullptr, std::make_unique<MyLibusb>());
        result = app.exec();
    }
    return result;
}
