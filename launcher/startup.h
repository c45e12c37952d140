#pragma once

// The launcher's start-up decision: find the unit, then start the editor,
// refuse an unexpected firmware version, or open the update window. The USB
// side and the window system are behind two small interfaces so the decision
// runs the same against the real unit, the virtual unit or a test double.

#include "identity.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class UnitTransport;

namespace Launcher {

using Identity::kExpectedName;     // "TOVAK_KT900"
using Identity::kRequiredVersion;  // "V1.1.0"
using Identity::versionAccepted;

// What start-up needs from the USB connection.
class Device
{
public:
    virtual ~Device() = default;
    // findAndOpen with auto match: 0 nothing, 1 mode "B" (loader), 2 mode "A".
    virtual int findAndOpen(const QByteArray &expectedName) = 0;
    // After a findAndOpen that found nothing: true when the unit is there but
    // another program holds it.
    virtual bool unitInUse() const { return false; }
    virtual QByteArray reportedModelName() const = 0;
    virtual QByteArray reportedVersion() const = 0;
    // Bus address of the open unit, -1 when none is open.
    virtual int deviceAddress() const = 0;
    // Number of the bus the open unit is on, -1 when unknown.
    virtual int busNumber() const { return -1; }
    virtual void closeDevice() = 0;
    // The transport the updater uses on the open unit.
    virtual UnitTransport &transport() = 0;
};

// How to start the editor.
struct EditorLaunch
{
    QString program;          // <launcher dir>/TOVAK_KT900/TOVAK_KT900
    QString workingDirectory; // <launcher dir>/TOVAK_KT900
    QStringList arguments;    // the bus address in decimal, then the bus number when known

    // The command line as a Windows backend passes it: " %d".
    QString commandLine() const;
};

EditorLaunch editorLaunch(const QString &launcherDir, int busAddress, int busNumber = -1);

// Where the launcher keeps its files, all relative to its own directory.
QString firmwareDir(const QString &launcherDir);
QString imageDir(const QString &launcherDir);

// The window system, as start-up sees it.
class Platform
{
public:
    enum class Icon { None, Warning, Error };
    virtual ~Platform() = default;
    virtual void showMessage(const QString &text, const QString &caption, Icon icon) = 0;
    // Starts the editor detached; false when it could not be started.
    virtual bool startEditor(const EditorLaunch &launch) = 0;
    // Shows the update window and runs until it is closed; returns the exit code.
    virtual int runUpdateWindow(Device &device) = 0;
};

// The whole start-up; returns the process exit code.
int run(Device &device, Platform &platform, const QString &launcherDir);

} // namespace Launcher
