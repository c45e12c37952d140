#include "qtplatform.h"

#include "launcherwindow.h"
#include "skin.h"

#include <QAbstractButton>
#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QPalette>
#include <QProcess>
#include <QStyleFactory>

QtPlatform::QtPlatform(QString launcherDir)
    : m_launcherDir(std::move(launcherDir))
{
}

void QtPlatform::showMessage(const QString &text, const QString &caption, Icon icon)
{
    QMessageBox::Icon qicon = QMessageBox::NoIcon;
    if (icon == Icon::Warning)
        qicon = QMessageBox::Warning;
    else if (icon == Icon::Error)
        qicon = QMessageBox::Critical;
    QMessageBox box(qicon, caption, text, QMessageBox::Ok);
    box.setObjectName(QStringLiteral("launcherMessage"));
    if (QAbstractButton *ok = box.button(QMessageBox::Ok))
        ok->setIcon(QIcon()); // text only, like every other button of the look
    box.exec();
}

bool QtPlatform::startEditor(const Launcher::EditorLaunch &launch)
{
    return QProcess::startDetached(launch.program, launch.arguments, launch.workingDirectory);
}

int QtPlatform::runUpdateWindow(Launcher::Device &device)
{
    UpdateSession::Config config;
    config.firmwareDir = Launcher::firmwareDir(m_launcherDir);
    config.expectedName = Launcher::kExpectedName;
    config.reportedName = device.reportedModelName();
    LauncherWindow window(device.transport(), config, Launcher::imageDir(m_launcherDir));
    window.show();
    return QApplication::exec();
}

void QtPlatform::applyLook(QApplication &app)
{
    app.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette pal;
    pal.setColor(QPalette::Window, Skin::kPanel);
    pal.setColor(QPalette::WindowText, Skin::kTextPrimary);
    pal.setColor(QPalette::Base, Skin::kRaised);
    pal.setColor(QPalette::AlternateBase, Skin::kPanel);
    pal.setColor(QPalette::Text, Skin::kTextPrimary);
    pal.setColor(QPalette::Button, Skin::kTrack);
    pal.setColor(QPalette::ButtonText, Skin::kTextPrimary);
    pal.setColor(QPalette::Highlight, Skin::kValue);
    pal.setColor(QPalette::HighlightedText, Skin::kPanel);
    pal.setColor(QPalette::ToolTipBase, Skin::kRaised);
    pal.setColor(QPalette::ToolTipText, Skin::kTextPrimary);
    pal.setColor(QPalette::Disabled, QPalette::WindowText, Skin::kTextDisabled);
    pal.setColor(QPalette::Disabled, QPalette::Text, Skin::kTextDisabled);
    pal.setColor(QPalette::Disabled, QPalette::ButtonText, Skin::kTextDisabled);
    app.setPalette(pal);
}
