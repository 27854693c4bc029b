#include "StartupShortcut.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include "AppSettings.h"

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

// Undoes the escapes of a desktop-entry string value.
QString UnescapeValue(const QString& value)
{
    QString plain;
    plain.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            plain += c;
            continue;
        }
        const QChar next = value[++i];
        if (next == QLatin1Char('s'))
            plain += QLatin1Char(' ');
        else if (next == QLatin1Char('n'))
            plain += QLatin1Char('\n');
        else if (next == QLatin1Char('t'))
            plain += QLatin1Char('\t');
        else if (next == QLatin1Char('r'))
            plain += QLatin1Char('\r');
        else if (next == QLatin1Char('\\'))
            plain += next;
        else
            plain += QString(c) + next; // not an escape: kept as written
    }
    return plain;
}

// The first argument of an Exec command line; empty when a quote is left open.
QString FirstExecArgument(const QString& command)
{
    qsizetype i = 0;
    while (i < command.size() && command[i].isSpace())
        ++i;
    QString argument;
    if (i < command.size() && command[i] == QLatin1Char('"')) {
        static const QString escapable = QStringLiteral("\"`$\\");
        for (++i; i < command.size() && command[i] != QLatin1Char('"'); ++i) {
            if (command[i] == QLatin1Char('\\') && i + 1 < command.size() && escapable.contains(command[i + 1]))
                ++i;
            argument += command[i];
        }
        if (i == command.size())
            return QString();
    } else {
        while (i < command.size() && !command[i].isSpace())
            argument += command[i++];
    }
    return argument.replace(QStringLiteral("%%"), QStringLiteral("%"));
}

bool SameFile(const QString& a, const QString& b)
{
    const QString canonicalA = QFileInfo(a).canonicalFilePath();
    const QString canonicalB = QFileInfo(b).canonicalFilePath();
    if (!canonicalA.isEmpty() && !canonicalB.isEmpty())
        return canonicalA == canonicalB;
    return QDir::cleanPath(a) == QDir::cleanPath(b);
}

} // namespace

QString StartupApplicationName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).fileName();
}

QString StartupProgramPath()
{
    return QCoreApplication::applicationFilePath();
}

QString StartupWorkingFolder()
{
    return QString::fromStdString(CAppSettings::GetDataFolder());
}

QString GetStartupShortcutPath(const QString& appName)
{
    const QString folder = AutostartFolder();
    const QString stem = appName.section(QLatin1Char('.'), 0, 0);
    if (folder.isEmpty() || stem.isEmpty())
        return QString();
    return folder + QLatin1Char('/') + stem + QStringLiteral(".desktop");
}

QString StartupShortcutEntry(const QString& appName, const QString& program, const QString& workingFolder)
{
    QString entry;
    entry += QStringLiteral("[Desktop Entry]\n");
    entry += QStringLiteral("Type=Application\n");
    entry += QStringLiteral("Name=Zelmorin\n");
    entry += QStringLiteral("Comment=") + EscapeValue(QStringLiteral("Shortcut to ") + appName) + QLatin1Char('\n');
    entry += QStringLiteral("Icon=zelmorin\n");
    entry += QStringLiteral("Exec=") + EscapeValue(ExecArgument(program)) + QLatin1Char('\n');
    if (!workingFolder.isEmpty())
        entry += QStringLiteral("Path=") + EscapeValue(workingFolder) + QLatin1Char('\n');
    entry += QStringLiteral("X-GNOME-Autostart-enabled=true\n");
    return entry;
}

QString StartupShortcutProgram(const QByteArray& entry)
{
    QString exec;
    bool inMainGroup = false;
    for (const QByteArray& rawLine : entry.split('\n')) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inMainGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (!inMainGroup || equals < 0)
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == QLatin1String("Exec"))
            exec = value;
        else if (key == QLatin1String("Hidden") && value == QLatin1String("true"))
            return QString(); // the desktop's way of saying the entry was removed
        else if (key == QLatin1String("X-GNOME-Autostart-enabled") && value == QLatin1String("false"))
            return QString();
    }
    return FirstExecArgument(UnescapeValue(exec));
}

bool CreateStartupShortcut(const QString& appName, const QString& program, const QString& workingFolder)
{
    const QString path = GetStartupShortcutPath(appName);
    if (path.isEmpty())
        return false;
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(StartupShortcutEntry(appName, program, workingFolder).toUtf8());
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

bool StartupShortcutExists(const QString& appName, const QString& program)
{
    const QString path = GetStartupShortcutPath(appName);
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false; // an entry nobody can read starts nothing
    QString started = StartupShortcutProgram(file.read(1 << 16));
    if (!started.isEmpty() && !started.contains(QLatin1Char('/')))
        started = QStandardPaths::findExecutable(started); // a bare name is looked up in PATH
    return !started.isEmpty() && SameFile(started, program);
}
