#include "appconfig.h"

#include <QCoreApplication>
#include <QMutexLocker>
#include <QSettings>

namespace {
QMutex g_instanceMutex;
}

AppConfig &AppConfig::instance()
{
    static AppConfig *config = nullptr;
    QMutexLocker lock(&g_instanceMutex);
    if (!config)
        config = new AppConfig;   // lives for the whole process
    return *config;
}

AppConfig::AppConfig()
    : m_settings(std::make_unique<QSettings>(defaultFileName(), QSettings::IniFormat))
{
}

AppConfig::~AppConfig() = default;

QString AppConfig::defaultFileName()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/Config.ini");
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
    m_settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
}
