#include "AppSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QString>
#include <QStringDecoder>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Like QDir::mkpath, but every folder it creates is private (0700): they hold the connection
// history and the settings. Folders that exist keep their modes.
void MakePrivatePath(const QString& folder)
{
    const std::string path = QFile::encodeName(QDir::cleanPath(folder)).toStdString();
    for (std::string::size_type at = 0; at != std::string::npos;) {
        at = path.find('/', at + 1);
        const std::string part = path.substr(0, at);
        if (mkdir(part.c_str(), S_IRWXU) != 0 && errno != EEXIST)
            return; // silent: the first write into it reports the real problem
    }
}

// The file holds the password: only its owner may read it, from before the first write. An
// existing file is narrowed; a missing one is created empty with that mode when `create` is set,
// and the settings' atomic rewrite keeps the mode of the file it replaces. Silent on purpose: a
// file that cannot be changed is one the program cannot write either.
void MakePrivate(const QString& fileName, bool create)
{
    const QByteArray path = QFile::encodeName(fileName);
    if (chmod(path.constData(), S_IRUSR | S_IWUSR) == 0 || errno != ENOENT || !create)
        return;
    MakePrivatePath(QFileInfo(fileName).absolutePath());
    int fd = open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd >= 0)
        close(fd);
}

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
    MakePrivate(m_pSettings->fileName(), false);
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
    // Text that is not UTF-8 was stored as bytes (see WriteString).
    if (value.metaType() == QMetaType::fromType<QByteArray>())
        return value.toByteArray().toStdString();
    return value.toString().toStdString();
}

void CAppSettings::BeforeWrite()
{
    if (!m_bWritten)
        MakePrivate(m_pSettings->fileName(), true);
    m_bWritten = true;
}

void CAppSettings::WriteInt(const std::string& section, const std::string& key, int value)
{
    BeforeWrite();
    m_pSettings->setValue(KeyOf(section, key), value);
}

void CAppSettings::WriteString(const std::string& section, const std::string& key, const std::string& value)
{
    BeforeWrite();
    // Entry names are bytes as the connection service gives them; one that is not UTF-8 would
    // come back as other bytes through a QString, so it is stored as a byte array.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(QByteArrayView(value.data(), static_cast<qsizetype>(value.size())));
    if (decoder.hasError())
        m_pSettings->setValue(KeyOf(section, key), QByteArray::fromStdString(value));
    else
        m_pSettings->setValue(KeyOf(section, key), text);
}

void CAppSettings::Sync()
{
    // Also when the file was replaced behind the program's back since it started.
    MakePrivate(m_pSettings->fileName(), m_bWritten);
    m_pSettings->sync();
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
        MakePrivatePath(QString::fromStdString(path));
    }
    if (path.back() != '/')
        path += '/';
    return path;
}
