#include "appconfig.h"

#include "userfiles.h"

#include <QMutexLocker>
#include <QSettings>

namespace {
QMutex g_instanceMutex;

std::unique_ptr<QSettings> makeSettings(const QString &path)
{
    auto settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
    // A Config.ini kept beside a program in a read-only directory cannot be
    // replaced through a temporary file; it is then written in place.
    settings->setAtomicSyncRequired(false);
    return settings;
}
} // namespace

AppConfig &AppConfig::instance()
{
    static AppConfig *config = nullptr;
    QMutexLocker lock(&g_instanceMutex);
    if (!config)
        config = new AppConfig;   // lives for the whole process
    return *config;
}

AppConfig::AppConfig()
    : m_settings(makeSettings(defaultFileName()))
{
}

AppConfig::~AppConfig() = default;

QString AppConfig::defaultFileName()
{
    return UserFiles::configFile();
}

QVariant AppConfig::value(const QString &group, const QString &key, const QVariant &defaultValue) const
{
    QMutexLocker lock(&m_mutex);
    return m_settings->value(QStringLiteral("%1/%2").arg(group, key), defaultValue);
}

void AppConfig::setValue(const QString &group, const QString &key, const QVariant &value)
{
    QMutexLocker lock(&m_mutex);
    m_settings->setValue(QStringLiteral("%1/%2").arg(group, key), value);
    m_settings->sync();
}

QString AppConfig::fileName() const
{
    QMutexLocker lock(&m_mutex);
    return m_settings->fileName();
}

void AppConfig::setFileName(const QString &path)
{
    QMutexLocker lock(&m_mutex);
    m_settings = makeSettings(path);
}
