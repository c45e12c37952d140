#include "startup.h"

#include "logging.h"

#include <QCoreApplication>
#include <QDir>

#include <chrono>
#include <thread>

namespace Launcher {

QString EditorLaunch::commandLine() const
{
    return QLatin1Char(' ') + arguments.join(QLatin1Char(' '));
}

EditorLaunch editorLaunch(const QString &launcherDir, int busAddress, int busNumber)
{
    const QDir dir(launcherDir);
    const QString name = QString::fromLatin1(kExpectedName);
    EditorLaunch launch;
    launch.workingDirectory = dir.filePath(name);
    launch.program = QDir(launch.workingDirectory).filePath(name);
    launch.arguments = QStringList{QString::number(busAddress & 0xFF)};
    // The address alone may name another device on another bus.
    if (busNumber >= 0)
        launch.arguments << QString::number(busNumber);
    return launch;
}

QString firmwareDir(const QString &launcherDir)
{
    return QDir(launcherDir).filePath(QStringLiteral("Firmware"));
}

QString imageDir(const QString &launcherDir)
{
    return QDir(launcherDir).filePath(QStringLiteral("img"));
}

int run(Device &device, Platform &platform, const QString &launcherDir)
{
    const QString notice = QCoreApplication::translate("Launcher", "Notice");
    std::this_thread::sleep_for(std::chrono::milliseconds(1));

    const int found = device.findAndOpen(kExpectedName);
    if (found == 0 && device.unitInUse()) {
        qCInfo(lcLauncher) << "the unit is in use by another program";
        platform.showMessage(QCoreApplication::translate("Launcher", "The unit is in use by another program."),
                             notice, Platform::Icon::None);
        return 1;
    }
    if (found == 0) {
        qCInfo(lcLauncher) << "no unit found";
        platform.showMessage(QCoreApplication::translate("Launcher", "No device detected!!!"),
                             notice, Platform::Icon::None);
        return 1;
    }

    if (found == 2) {
        const QByteArray version = device.reportedVersion();
        if (!versionAccepted(version)) {
            qCInfo(lcLauncher) << "unit firmware" << version << "is not" << kRequiredVersion;
            device.closeDevice();
            platform.showMessage(
                QCoreApplication::translate(
                    "Launcher", "Equipment version is too low, Please update the firmware!"),
                notice, Platform::Icon::None);
            return 1;
        }
        const EditorLaunch launch = editorLaunch(launcherDir, device.deviceAddress(), device.busNumber());
        // The editor opens the unit itself: let go of it first, or its claim
        // of the interface can fail while this process is still exiting.
        device.closeDevice();
        qCInfo(lcLauncher) << "starting" << launch.program << launch.arguments;
        if (!platform.startEditor(launch)) {
            qCWarning(lcLauncher) << "cannot start" << launch.program;
            platform.showMessage(
                QCoreApplication::translate("Launcher", "The editor could not be started:\n%1")
                    .arg(QDir::toNativeSeparators(launch.program)),
                notice, Platform::Icon::Error);
            return 1;
        }
        return 0;
    }

    // Mode "B": the unit waits for firmware.
    qCInfo(lcLauncher) << "unit in firmware-update mode";
    return platform.runUpdateWindow(device);
}

} // namespace Launcher
