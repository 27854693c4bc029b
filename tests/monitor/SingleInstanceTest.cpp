// Run on a real X server (xvfb-run in CTest): the second-copy test reads other windows'
// titles through X11.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "SingleInstance.h"
#include "TestSupport.h"

namespace {

TEST(SingleInstance, TitlePrefixRule)
{
    EXPECT_TRUE(CSingleInstance::IsOurTitle(" Zelmorin "));
    EXPECT_TRUE(CSingleInstance::IsOurTitle(" Zelmorin - Total 01:00:00"));
    EXPECT_FALSE(CSingleInstance::IsOurTitle(" Zelmorin")); // shorter than ten characters
    EXPECT_FALSE(CSingleInstance::IsOurTitle("Zelmorin - History"));
    EXPECT_FALSE(CSingleInstance::IsOurTitle(" zelmorin "));
    EXPECT_FALSE(CSingleInstance::IsOurTitle("DIZ Urovada"));
}

bool SeesAnotherCopy()
{
    // A folder of its own each time, so only the window titles can tell.
    QTemporaryDir folder;
    CSingleInstance instance(folder.path());
    return instance.IsAnotherInstanceRunning();
}

TEST(SingleInstance, FindsAWindowWhoseTitleBeginsWithTheName)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs an X server; CTest runs this under xvfb-run";
    EXPECT_FALSE(SeesAnotherCopy());
    QWidget window;
    window.setWindowTitle(QStringLiteral("DIZ Urovada"));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window, kPatienceMs));
    EXPECT_FALSE(SeesAnotherCopy()); // not yet titled
    // Any program's window with that title counts, the History window's does not.
    window.setWindowTitle(QStringLiteral(" Zelmorin - Week 01:00:00"));
    EXPECT_TRUE(QTest::qWaitFor([] { return SeesAnotherCopy(); }, kPatienceMs));
    window.setWindowTitle(QStringLiteral("Zelmorin - History"));
    EXPECT_TRUE(QTest::qWaitFor([] { return !SeesAnotherCopy(); }, kPatienceMs));
}

// The lock and the socket, in a folder of the test's own.
class SingleInstanceLock : public ::testing::Test
{
protected:
    QTemporaryDir m_folder;
};

TEST_F(SingleInstanceLock, SecondCopyIsRefusedAndAsksTheFirstToShowItsWindow)
{
    CSingleInstance first(m_folder.path());
    QSignalSpy shown(&first, &CSingleInstance::ShowRequested);
    ASSERT_FALSE(first.IsAnotherInstanceRunning());
    EXPECT_EQ(QFileInfo(first.SocketPath()).permissions() &
                  (QFile::ReadOther | QFile::WriteOther | QFile::ReadGroup | QFile::WriteGroup),
              QFile::Permissions());
    {
        CSingleInstance second(m_folder.path());
        EXPECT_TRUE(second.IsAnotherInstanceRunning());
    }
    EXPECT_TRUE(shown.wait(5000));
    EXPECT_EQ(shown.count(), 1);
}

TEST_F(SingleInstanceLock, TheLaunchersActivationTokenReachesTheFirstCopyWhenItIsOne)
{
    const QByteArray gnome = "gnome-shell/Zelmorin/4242-7-host_TIME77";
    const struct
    {
        const char* what;
        QByteArray environment;
        QByteArray received;
    } cases[] = {
        {"none", QByteArray(), QByteArray()},
        {"a compositor's token", gnome, gnome},
        {"the longest", QByteArray(CSingleInstance::kMaxTokenBytes, 'k'),
         QByteArray(CSingleInstance::kMaxTokenBytes, 'k')},
        {"too long", QByteArray(CSingleInstance::kMaxTokenBytes + 1, 'k'), QByteArray()},
        {"with a space", "one two", QByteArray()},
        {"with a line end", "one\nshow two", QByteArray()},
        {"not ASCII", "caf\xc3\xa9", QByteArray()},
    };
    CSingleInstance first(m_folder.path());
    QSignalSpy shown(&first, &CSingleInstance::ShowRequested);
    ASSERT_FALSE(first.IsAnotherInstanceRunning());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.environment.isNull())
            qunsetenv("XDG_ACTIVATION_TOKEN");
        else
            qputenv("XDG_ACTIVATION_TOKEN", c.environment);
        shown.clear();
        CSingleInstance second(m_folder.path());
        EXPECT_TRUE(second.IsAnotherInstanceRunning());
        ASSERT_TRUE(shown.wait(5000));
        EXPECT_EQ(shown.at(0).at(0).toByteArray(), c.received);
        // Handed over, never presented again by this copy's own box.
        EXPECT_FALSE(qEnvironmentVariableIsSet("XDG_ACTIVATION_TOKEN"));
    }
    qunsetenv("XDG_ACTIVATION_TOKEN");
}

TEST_F(SingleInstanceLock, ACopyThatConnectsAndSaysNothingStillCountsAsARequest)
{
    CSingleInstance first(m_folder.path());
    QSignalSpy shown(&first, &CSingleInstance::ShowRequested);
    ASSERT_FALSE(first.IsAnotherInstanceRunning());
    // Connected, silent, never gone: the first copy answers after its wait, not never.
    QLocalSocket silent;
    silent.connectToServer(first.SocketPath());
    ASSERT_TRUE(silent.waitForConnected(5000));
    EXPECT_TRUE(shown.wait(15000));
    EXPECT_EQ(shown.count(), 1);
    // A line cut short by the end of the connection is read as far as it goes.
    QLocalSocket cut;
    cut.connectToServer(first.SocketPath());
    ASSERT_TRUE(cut.waitForConnected(5000));
    cut.write("show token-1");
    cut.waitForBytesWritten(5000);
    cut.disconnectFromServer();
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown.count() == 2; }, kPatienceMs));
    EXPECT_EQ(shown.at(1).at(0).toByteArray(), QByteArray("token-1"));
}

TEST_F(SingleInstanceLock, ACrashedCopysLockAndSocketDoNotBlock)
{
    CSingleInstance probe(m_folder.path());
    // The lock names a process that has ended; its socket file is still there.
    pid_t child = fork();
    if (child == 0)
        _exit(0);
    ASSERT_GT(child, 0);
    waitpid(child, nullptr, 0);
    QFile lock(probe.LockPath());
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.write(QByteArray::number(child) + "\nzelmorin\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    lock.close();
    QFile socket(probe.SocketPath());
    ASSERT_TRUE(socket.open(QIODevice::WriteOnly));
    socket.close();

    CSingleInstance first(m_folder.path());
    QSignalSpy shown(&first, &CSingleInstance::ShowRequested);
    EXPECT_FALSE(first.IsAnotherInstanceRunning());
    CSingleInstance second(m_folder.path());
    EXPECT_TRUE(second.IsAnotherInstanceRunning());
    EXPECT_TRUE(shown.wait(5000));
}

TEST_F(SingleInstanceLock, AnEmptyLockNamesNobodyAndIsTakenOver)
{
    CSingleInstance probe(m_folder.path());
    QFile lock(probe.LockPath());
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly)); // its maker died before writing it
    lock.close();
    CSingleInstance first(m_folder.path());
    EXPECT_FALSE(first.IsAnotherInstanceRunning());
    // And the copy that took it over is seen by the next one.
    CSingleInstance second(m_folder.path());
    EXPECT_TRUE(second.IsAnotherInstanceRunning());
}

// Without a runtime folder another user of the machine must not be able to keep the program
// from starting by creating its lock first in a shared folder. The user is kOtherUser, run
// in a child process; the other user is this test's root.
TEST(SingleInstanceFolder, WithoutARuntimeFolderTheLockIsInAPrivateFolder)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to run part of the test as a second user";
    QTemporaryDir root;
    const QByteArray shared = QFile::encodeName(root.path() + QStringLiteral("/tmp"));
    const QByteArray home = QFile::encodeName(root.path() + QStringLiteral("/home"));
    ASSERT_EQ(chmod(QFile::encodeName(root.path()).constData(), 0755), 0);
    ASSERT_EQ(mkdir(shared.constData(), 0777), 0);
    ASSERT_EQ(chmod(shared.constData(), 01777), 0);
    ASSERT_EQ(mkdir(home.constData(), 0700), 0);
    ASSERT_EQ(chown(home.constData(), 65534, 65534), 0);
    // What the other user plants: the runtime folder Qt would fall back to, and empty locks
    // under every name the victim might use in the shared folder.
    ASSERT_EQ(mkdir((shared + "/runtime-nobody").constData(), 0700), 0);
    for (const char* name : {"/zelmorin-65534.lock", "/zelmorin-runtime"}) {
        QFile planted(QFile::decodeName(shared + name));
        ASSERT_TRUE(planted.open(QIODevice::WriteOnly));
    }

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)
            _exit(3);
        unsetenv("XDG_RUNTIME_DIR");
        unsetenv("XDG_CACHE_HOME");
        setenv("TMPDIR", shared.constData(), 1);
        setenv("HOME", home.constData(), 1);
        CSingleInstance instance;
        if (instance.LockPath().startsWith(QFile::decodeName(shared)))
            _exit(4);
        struct stat st
        {
        };
        const QByteArray folder = QFile::encodeName(QFileInfo(instance.LockPath()).path());
        if (lstat(folder.constData(), &st) != 0 || st.st_uid != 65534 || (st.st_mode & 0777) != 0700)
            _exit(5);
        _exit(instance.IsAnotherInstanceRunning() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: refused to start, 4: lock in the shared folder, 5: folder not private";
}

TEST_F(SingleInstanceLock, TheLockGoesWithTheCopy)
{
    {
        CSingleInstance first(m_folder.path());
        ASSERT_FALSE(first.IsAnotherInstanceRunning());
    }
    CSingleInstance next(m_folder.path());
    EXPECT_FALSE(next.IsAnotherInstanceRunning());
}

} // namespace
