// Run on a real X server (xvfb-run in CTest): the second-copy test reads other windows'
// titles through X11.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QTest>
#include <QWidget>

#include "SingleInstance.h"

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
    CSingleInstance instance;
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
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_FALSE(SeesAnotherCopy()); // not yet titled
    // Any program's window with that title counts, the History window's does not.
    window.setWindowTitle(QStringLiteral(" Zelmorin - Week 01:00:00"));
    EXPECT_TRUE(QTest::qWaitFor([] { return SeesAnotherCopy(); }, 5000));
    window.setWindowTitle(QStringLiteral("Zelmorin - History"));
    EXPECT_TRUE(QTest::qWaitFor([] { return !SeesAnotherCopy(); }, 5000));
}

TEST(SingleInstance, LockStandsInWithoutX11)
{
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        GTEST_SKIP() << "the lock is used where windows cannot be listed";
    CSingleInstance first;
    EXPECT_FALSE(first.IsAnotherInstanceRunning());
    CSingleInstance second;
    EXPECT_TRUE(second.IsAnotherInstanceRunning());
}

} // namespace
