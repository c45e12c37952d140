#pragma once

// AppConfig: the editor's settings store, an INI file "Config.ini" beside the
// program or in the user's configuration folder (UserFiles decides). Values
// are kept under the key "<group>/<key>". Only the colour group is used
// ("Color": "paraColor", "presetListSelectColor", "presetListHoverColor"):
// the main window reads it, the settings dialog writes it.
//
// One object per process, created on first use under a mutex.

#include <QMutex>
#include <QString>
#include <QVariant>

#include <memory>

class QSettings;

class AppConfig
{
public:
    static AppConfig &instance();

    QVariant value(const QString &group, const QString &key, const QVariant &defaultValue = QVariant()) const;
    void setValue(const QString &group, const QString &key, const QVariant &value);

    QString fileName() const;
    // Uses another file from now on (tests, tools). Values are written at once.
    void setFileName(const QString &path);
    // Where Config.ini lies for this program (UserFiles::configFile()).
    static QString defaultFileName();

    AppConfig(const AppConfig &) = delete;
    AppConfig &operator=(const AppConfig &) = delete;
    ~AppConfig();

private:
    AppConfig();

    mutable QMutex m_mutex;
    std::unique_ptr<QSettings> m_settings;
};
