#pragma once

// The window-system side of start-up on Qt: message boxes, starting the editor
// detached and running the update window.

#include "startup.h"

class QApplication;

class QtPlatform : public Launcher::Platform
{
public:
    explicit QtPlatform(QString launcherDir);

    void showMessage(const QString &text, const QString &caption, Icon icon) override;
    bool startEditor(const Launcher::EditorLaunch &launch) override;
    int runUpdateWindow(Launcher::Device &device) override;

    // The dark look for the whole program (message boxes included).
    static void applyLook(QApplication &app);

private:
    QString m_launcherDir;
};
