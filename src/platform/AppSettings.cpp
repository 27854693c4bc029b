#include "AppSettings.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QString>

namespace {

QString KeyOf(const std::string& section, const std::string& key)
{
    QString name = QString::fromStdString(key);
    return section.empty() ? name : QString::fromStdString(section) + QLatin1Char('/') + name;
}

} // namespace

CAppSettings::CAppSettings()
    : m_pSettings(
          std::make_unique<QSettings>(QSettings::UserScope, QStringLiteral("Quillmoor"), QStringLiteral("Zelmorin")))
{
}

CAppSettings::~CAppSettings()
{
    Sync();
}

int CAppSettings::GetInt(const std::string& section, const std::string& key, int defaultValue) const
{
    QVariant value = m_pSettings->value(KeyOf(section, key));
    bool ok = false;
    int number = value.toInt(&ok);
    return ok ? number : defaultValue;
}

std::string CAppSettings::GetString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue) const
{
    QVariant value = m_pSettings->value(KeyOf(section, key));
    if (!value.isValid())
        return defaultValue;
    return value.toString().toStdString();
}

void CAppSettings::WriteInt(const std::string& section, const std::string& key, int value)
{
    m_pSettings->setValue(KeyOf(section, key), value);
}

void CAppSettings::WriteString(const std::string& section, const std::string& key, const std::string& value)
{
    m_pSettings->setValue(KeyOf(section, key), QString::fromStdString(value));
}

void CAppSettings::Sync()
{
    m_pSettings->sync();
    // The file holds the password: only its owner may read it. Silent on purpose: a file that
    // cannot be changed is one the program did not write either.
    if (QFile::exists(m_pSettings->fileName()))
        QFile::setPermissions(m_pSettings->fileName(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

std::string CAppSettings::GetAppPath()
{
    QSettings system(QSettings::SystemScope, QStringLiteral("Quillmoor"), QStringLiteral("Zelmorin"));
    return system.value(QStringLiteral("App Paths/Path")).toString().toStdString();
}

std::string CAppSettings::GetDataFolder()
{
    std::string path = GetAppPath();
    if (!path.empty())
        return path;
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation).toStdString();
}

std::string CAppSettings::GetDataPrefix()
{
    std::string path = GetDataFolder();
    if (path.empty())
        return path; // no home at all: the current directory is all that is left
    if (GetAppPath().empty()) {
        // Silent on purpose: a folder that cannot be made makes the log's first write fail, and
        // that failure reaches the user.
        QDir().mkpath(QString::fromStdString(path));
    }
    if (path.back() != '/')
        path += '/';
    return path;
}
