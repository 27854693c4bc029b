#include "StartupShortcut.h"

#include <optional>

#include <QFile>
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
    EXPECT_FALSE(CreateStartupShortcut(QStringLiteral("zelmorin"), QStringLiteral("/opt")));
    EXPECT_FALSE(StartupShortcutExists(QStringLiteral("zelmorin")));
    EXPECT_TRUE(RemoveStartupShortcut(QStringLiteral("zelmorin")));
    EXPECT_TRUE(QDir(work.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

TEST_F(CStartupShortcutTest, CreateExistsRemove)
{
    const QString name = QStringLiteral("Zelmorin.new");
    const QString path = Autostart() + QStringLiteral("/Zelmorin.desktop");
    EXPECT_FALSE(StartupShortcutExists(name));
    ASSERT_TRUE(CreateStartupShortcut(name, QStringLiteral("/opt/zelmorin")));
    EXPECT_TRUE(StartupShortcutExists(name));
    EXPECT_EQ(ReadAll(path), QByteArray("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=Zelmorin.new\n"
                                        "Comment=Shortcut to Zelmorin.new\n"
                                        "Exec=/opt/zelmorin/Zelmorin.new\n"
                                        "Path=/opt/zelmorin\n"
                                        "X-GNOME-Autostart-enabled=true\n"));

    // A longer older entry is replaced whole, and no temporary file stays behind.
    ASSERT_TRUE(WriteAll(path, QByteArray(4096, 'x')));
    ASSERT_TRUE(CreateStartupShortcut(name, QStringLiteral("/")));
    EXPECT_EQ(ReadAll(path), StartupShortcutEntry(name, QStringLiteral("/")).toUtf8());
    EXPECT_TRUE(ReadAll(path).contains("\nExec=/Zelmorin.new\nPath=/\n"));
    EXPECT_EQ(QDir(Autostart()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("Zelmorin.desktop")});

    EXPECT_TRUE(RemoveStartupShortcut(name));
    EXPECT_FALSE(StartupShortcutExists(name));
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(RemoveStartupShortcut(name));
}

TEST_F(CStartupShortcutTest, TargetFollowsTheCurrentDirectory)
{
    QTemporaryDir work;
    ASSERT_TRUE(QDir::setCurrent(work.path()));
    const QString current = QDir::currentPath();
    ASSERT_TRUE(CreateStartupShortcut());
    EXPECT_TRUE(StartupShortcutExists());
    const QByteArray entry = ReadAll(GetStartupShortcutPath());
    const QString expected = "\nExec=" + current + "/" + StartupApplicationName() + "\nPath=" + current + "\n";
    EXPECT_TRUE(entry.contains(expected.toUtf8())) << entry.constData();
}

TEST_F(CStartupShortcutTest, ExecIsQuotedAndEscaped)
{
    const auto entry = [](const char* dir) {
        return StartupShortcutEntry(QStringLiteral("zel"), QString::fromUtf8(dir));
    };
    EXPECT_TRUE(entry("/home/me/My Apps").contains(QStringLiteral("\nExec=\"/home/me/My Apps/zel\"\n")));
    // Quoting puts a backslash before $ and \; then every backslash is doubled as in any value,
    // and % is doubled so that it is no field code.
    EXPECT_TRUE(entry("/tmp/a$b\\c%d")
                    .contains(QStringLiteral("\nExec=\"/tmp/a\\\\$b\\\\\\\\c%%d/zel\"\nPath=/tmp/a$b\\\\c%d\n")));
    EXPECT_TRUE(entry("/tmp/100%").contains(QStringLiteral("\nExec=/tmp/100%%/zel\n")));
}

TEST_F(CStartupShortcutTest, UnwritableFolderFailsQuietly)
{
    // Root ignores permissions, so the way is blocked by a file where the folder should be...
    ASSERT_TRUE(WriteAll(Autostart(), "not a folder"));
    EXPECT_FALSE(CreateStartupShortcut(QStringLiteral("zelmorin"), QStringLiteral("/opt")));
    EXPECT_FALSE(StartupShortcutExists(QStringLiteral("zelmorin")));
    EXPECT_EQ(ReadAll(Autostart()), QByteArray("not a folder"));

    // ...and by a folder where the entry should be.
    ASSERT_TRUE(QFile::remove(Autostart()));
    ASSERT_TRUE(QDir().mkpath(Autostart() + QStringLiteral("/zelmorin.desktop")));
    EXPECT_FALSE(CreateStartupShortcut(QStringLiteral("zelmorin"), QStringLiteral("/opt")));
    EXPECT_FALSE(StartupShortcutExists(QStringLiteral("zelmorin")));
    EXPECT_TRUE(QDir(Autostart()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}
