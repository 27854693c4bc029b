#include "StartupShortcut.h"

#include <optional>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Sets an environment variable for one test and puts it back afterwards.
class CScopedEnv
{
public:
    CScopedEnv(const char* name, const QString& value) : m_name(name)
    {
        if (qEnvironmentVariableIsSet(name))
            m_old = qgetenv(name);
        qputenv(name, value.toLocal8Bit());
    }
    ~CScopedEnv()
    {
        if (m_old)
            qputenv(m_name, *m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<QByteArray> m_old;
};

// Each test gets its own configuration home, and the current directory back.
class CStartupShortcutTest : public ::testing::Test
{
protected:
    ~CStartupShortcutTest() override { QDir::setCurrent(m_savedCurrent); }
    QString Autostart() const { return m_config.path() + QStringLiteral("/autostart"); }

    QTemporaryDir m_home;
    QTemporaryDir m_config;
    CScopedEnv m_homeEnv{"HOME", m_home.path()};
    CScopedEnv m_configEnv{"XDG_CONFIG_HOME", m_config.path()};
    QString m_savedCurrent = QDir::currentPath();
};

} // namespace

TEST_F(CStartupShortcutTest, Path)
{
    EXPECT_EQ(GetStartupShortcutPath(QStringLiteral("Zelmorin.new")),
              Autostart() + QStringLiteral("/Zelmorin.desktop"));
    EXPECT_EQ(GetStartupShortcutPath(QStringLiteral("zelmorin")), Autostart() + QStringLiteral("/zelmorin.desktop"));

    // Empty and relative values of XDG_CONFIG_HOME count as not set.
    const QString underHome = m_home.path() + QStringLiteral("/.config/autostart/zelmorin.desktop");
    for (const QString& configHome : {QString(), QStringLiteral("relative/config")}) {
        CScopedEnv env("XDG_CONFIG_HOME", configHome);
        EXPECT_EQ(GetStartupShortcutPath(QStringLiteral("zelmorin")), underHome);
    }

    QTemporaryDir work;
    ASSERT_TRUE(QDir::setCurrent(work.path()));
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("HOME");
    EXPECT_TRUE(GetStartupShortcutPath(QStringLiteral("zelmorin")).isEmpty());
    EXPECT_FALSE(CreateStartupShortcut(QStringLiteral("zelmorin"), QStringLiteral("/opt/zelmorin"), work.path()));
    EXPECT_FALSE(StartupShortcutExists(QStringLiteral("zelmorin"), QStringLiteral("/opt/zelmorin")));
    EXPECT_TRUE(RemoveStartupShortcut(QStringLiteral("zelmorin")));
    EXPECT_TRUE(QDir(work.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

TEST_F(CStartupShortcutTest, CreateExistsRemove)
{
    const QString name = QStringLiteral("Zelmorin.new");
    const QString program = QStringLiteral("/opt/zelmorin/bin/Zelmorin.new");
    const QString path = Autostart() + QStringLiteral("/Zelmorin.desktop");
    EXPECT_FALSE(StartupShortcutExists(name, program));
    ASSERT_TRUE(CreateStartupShortcut(name, program, QStringLiteral("/home/ann/.local/share/Quillmoor/Zelmorin")));
    EXPECT_TRUE(StartupShortcutExists(name, program));
    EXPECT_EQ(ReadAll(path), QByteArray("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=Zelmorin\n"
                                        "Comment=Shortcut to Zelmorin.new\n"
                                        "Icon=zelmorin\n"
                                        "Exec=/opt/zelmorin/bin/Zelmorin.new\n"
                                        "Path=/home/ann/.local/share/Quillmoor/Zelmorin\n"
                                        "X-GNOME-Autostart-enabled=true\n"));

    // A longer older entry is replaced whole, and no temporary file stays behind.
    ASSERT_TRUE(WriteAll(path, QByteArray(4096, 'x')));
    EXPECT_FALSE(StartupShortcutExists(name, program));
    ASSERT_TRUE(CreateStartupShortcut(name, program, QStringLiteral("/")));
    EXPECT_EQ(ReadAll(path), StartupShortcutEntry(name, program, QStringLiteral("/")).toUtf8());
    EXPECT_EQ(QDir(Autostart()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("Zelmorin.desktop")});

    EXPECT_TRUE(RemoveStartupShortcut(name));
    EXPECT_FALSE(StartupShortcutExists(name, program));
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(RemoveStartupShortcut(name));
}

TEST_F(CStartupShortcutTest, EntryStartsTheRunningExecutableWhateverTheCurrentDirectory)
{
    QTemporaryDir work;
    ASSERT_TRUE(QDir::setCurrent(work.path()));
    ASSERT_TRUE(CreateStartupShortcut());
    EXPECT_TRUE(StartupShortcutExists());
    const QByteArray entry = ReadAll(GetStartupShortcutPath());
    const QString program = QCoreApplication::applicationFilePath();
    ASSERT_TRUE(QFileInfo(program).isAbsolute());
    EXPECT_EQ(StartupShortcutProgram(entry), program);
    EXPECT_FALSE(entry.contains(work.path().toUtf8())) << entry.constData();
    EXPECT_TRUE(entry.contains(("\nPath=" + StartupWorkingFolder() + "\n").toUtf8())) << entry.constData();
}

TEST_F(CStartupShortcutTest, ExecIsQuotedAndEscapedAndReadsBack)
{
    const auto exec = [](const char* program) {
        const QString entry = StartupShortcutEntry(QStringLiteral("zel"), QString::fromUtf8(program), QString());
        const qsizetype at = entry.indexOf(QStringLiteral("\nExec="));
        return entry.mid(at + 6, entry.indexOf(QLatin1Char('\n'), at + 1) - at - 6);
    };
    EXPECT_EQ(exec("/home/me/My Apps/zel"), QStringLiteral("\"/home/me/My Apps/zel\""));
    // Quoting puts a backslash before $ and \; then every backslash is doubled as in any value,
    // and % is doubled so that it is no field code.
    EXPECT_EQ(exec("/tmp/a$b\\c%d/zel"), QStringLiteral("\"/tmp/a\\\\$b\\\\\\\\c%%d/zel\""));
    EXPECT_EQ(exec("/tmp/100%/zel"), QStringLiteral("/tmp/100%%/zel"));

    // Whatever the path holds, reading the entry gives it back: that is how the box knows.
    for (const char* program : {"/opt/zel", "/home/me/My Apps/zel", "/tmp/a$b\\c%d/zel", "/tmp/q\"uote`s/zel",
                                "/tmp/100%%/zel", " /lead/zel", "/tmp/\xc3\xa9t\xc3\xa9/zel"}) {
        const QString path = QString::fromUtf8(program);
        EXPECT_EQ(StartupShortcutProgram(StartupShortcutEntry(QStringLiteral("zel"), path, QString()).toUtf8()), path)
            << program;
    }
}

TEST_F(CStartupShortcutTest, BoxIsTickedOnlyForAnEntryThatStartsThisProgram)
{
    const QString name = QStringLiteral("zelmorin");
    const QString path = Autostart() + QStringLiteral("/zelmorin.desktop");
    ASSERT_TRUE(QDir().mkpath(Autostart()));
    const QString program = QCoreApplication::applicationFilePath();
    const auto entryWith = [](const QByteArray& lines) { return "[Desktop Entry]\nType=Application\n" + lines; };

    // An entry made by a start from another folder, or for another copy, names another file.
    ASSERT_TRUE(WriteAll(path, entryWith("Exec=" + m_home.path().toUtf8() + "/zelmorin\n")));
    EXPECT_FALSE(StartupShortcutExists(name, program));
    ASSERT_TRUE(CreateStartupShortcut(name, program, QStringLiteral("/data")));
    EXPECT_TRUE(StartupShortcutExists(name, program));

    // Arguments after the program do not matter; entries the desktop skips do.
    ASSERT_TRUE(WriteAll(path, entryWith("Exec=" + program.toUtf8() + " --quiet %U\n")));
    EXPECT_TRUE(StartupShortcutExists(name, program));
    ASSERT_TRUE(WriteAll(path, entryWith("Exec=" + program.toUtf8() + "\nHidden=true\n")));
    EXPECT_FALSE(StartupShortcutExists(name, program));
    ASSERT_TRUE(WriteAll(path, entryWith("Exec=" + program.toUtf8() + "\nX-GNOME-Autostart-enabled=false\n")));
    EXPECT_FALSE(StartupShortcutExists(name, program));
    // An Exec in another group is not the entry's.
    ASSERT_TRUE(WriteAll(path, "[Desktop Action x]\nExec=" + program.toUtf8() + "\n[Desktop Entry]\nExec=/bin/true\n"));
    EXPECT_FALSE(StartupShortcutExists(name, program));
    ASSERT_TRUE(WriteAll(path, entryWith("Exec=\"" + program.toUtf8() + "\n"))); // quote left open
    EXPECT_FALSE(StartupShortcutExists(name, program));

    // A link to this program, and its bare name found in PATH, start it as well.
    QTemporaryDir bin;
    ASSERT_TRUE(QFile::link(program, bin.path() + QStringLiteral("/zel-link")));
    ASSERT_TRUE(WriteAll(path, entryWith("Exec=" + bin.path().toUtf8() + "/zel-link\n")));
    EXPECT_TRUE(StartupShortcutExists(name, program));
    CScopedEnv pathEnv("PATH", bin.path());
    ASSERT_TRUE(WriteAll(path, entryWith("Exec=zel-link\n")));
    EXPECT_TRUE(StartupShortcutExists(name, program));
}

TEST_F(CStartupShortcutTest, UnwritableFolderFailsQuietly)
{
    // Root ignores permissions, so the way is blocked by a file where the folder should be...
    ASSERT_TRUE(WriteAll(Autostart(), "not a folder"));
    EXPECT_FALSE(CreateStartupShortcut(QStringLiteral("zelmorin"), QStringLiteral("/opt/zelmorin"), QString()));
    EXPECT_FALSE(StartupShortcutExists(QStringLiteral("zelmorin"), QStringLiteral("/opt/zelmorin")));
    EXPECT_EQ(ReadAll(Autostart()), QByteArray("not a folder"));

    // ...and by a folder where the entry should be.
    ASSERT_TRUE(QFile::remove(Autostart()));
    ASSERT_TRUE(QDir().mkpath(Autostart() + QStringLiteral("/zelmorin.desktop")));
    EXPECT_FALSE(CreateStartupShortcut(QStringLiteral("zelmorin"), QStringLiteral("/opt/zelmorin"), QString()));
    EXPECT_FALSE(StartupShortcutExists(QStringLiteral("zelmorin"), QStringLiteral("/opt/zelmorin")));
    EXPECT_TRUE(QDir(Autostart()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}
