#include "StartupShortcut.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

// The folder of the user's autostart entries, or empty when the user has no configuration home.
QString AutostartFolder()
{
    // A relative XDG_CONFIG_HOME is invalid and must be ignored, as if it were not set.
    const QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!configHome.isEmpty() && QDir::isAbsolutePath(configHome))
        return configHome + QStringLiteral("/autostart");
    const QString home = qEnvironmentVariable("HOME");
    if (!home.isEmpty())
        return home + QStringLiteral("/.config/autostart");
    return QString();
}

// Escapes a value as every desktop-entry string must be: backslash and control characters.
QString EscapeValue(const QString& value)
{
    QString escaped;
    escaped.reserve(value.size());
    for (const QChar c : value) {
        if (c == QLatin1Char('\\'))
            escaped += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            escaped += QStringLiteral("\\n");
        else if (c == QLatin1Char('\t'))
            escaped += QStringLiteral("\\t");
        else if (c == QLatin1Char('\r'))
            escaped += QStringLiteral("\\r");
        else
            escaped += c;
    }
    // A leading blank would be trimmed away by readers.
    if (escaped.startsWith(QLatin1Char(' ')))
        escaped.replace(0, 1, QStringLiteral("\\s"));
    return escaped;
}

// The program as the one argument of an Exec line: quoted when it holds a character the
// command line reserves, and with "%" doubled so no part of it reads as a field code.
QString ExecArgument(const QString& program)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool needsQuotes = false;
    for (const QChar c : program) {
        if (reserved.contains(c)) {
            needsQuotes = true;
            break;
        }
    }
    QString argument;
    for (const QChar c : program) {
        if (c == QLatin1Char('%'))
            argument += QStringLiteral("%%");
        else if (needsQuotes &&
                 (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\')))
            argument += QLatin1Char('\\') + QString(c);
        else
            argument += c;
    }
    return needsQuotes ? QLatin1Char('"') + argument + QLatin1Char('"') : argument;
}

} // namespace

QString StartupApplicationName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).fileName();
}

QString GetStartupShortcutPath(const QString& appName)
{
    const QString folder = AutostartFolder();
    const QString stem = appName.section(QLatin1Char('.'), 0, 0);
    if (folder.isEmpty() || stem.isEmpty())
        return QString();
    return folder + QLatin1Char('/') + stem + QStringLiteral(".desktop");
}

QString StartupShortcutEntry(const QString& appName, const QString& currentDir)
{
    QString program = currentDir;
    if (!program.endsWith(QLatin1Char('/')))
        program += QLatin1Char('/');
    program += appName;

    QString entry;
    entry += QStringLiteral("[Desktop Entry]\n");
    entry += QStringLiteral("Type=Application\n");
    entry += QStringLiteral("Name=") + EscapeValue(appName) + QLatin1Char('\n');
    entry += QStringLiteral("Comment=") + EscapeValue(QStringLiteral("Shortcut to ") + appName) + QLatin1Char('\n');
    entry += QStringLiteral("Exec=") + EscapeValue(ExecArgument(program)) + QLatin1Char('\n');
    entry += QStringLiteral("Path=") + EscapeValue(currentDir) + QLatin1Char('\n');
    entry += QStringLiteral("X-GNOME-Autostart-enabled=true\n");
    return entry;
}

bool CreateStartupShortcut(const QString& appName, const QString& currentDir)
{
    const QString path = GetStartupShortcutPath(appName);
    if (path.isEmpty())
        return false;
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(StartupShortcutEntry(appName, currentDir).toUtf8());
    return file.commit();
}

bool RemoveStartupShortcut(const QString& appName)
{
    const QString path = GetStartupShortcutPath(appName);
    if (path.isEmpty())
        return true;
    QFileInfo info(path);
    // A dangling symbolic link is an entry too, though exists() does not see it.
    if (!info.exists() && !info.isSymLink())
        return true;
    return QFile::remove(path);
}

bool StartupShortcutExists(const QString& appName)
{
    const QString path = GetStartupShortcutPath(appName);
    return !path.isEmpty() && QFileInfo(path).isFile();
}
