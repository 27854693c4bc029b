#include <gtest/gtest.h>

#include <atomic>
#include <functional>

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include "AboutDlg.h"
#include "Clock.h"
#include "ConnectionLog.h"
#include "DesktopServices.h"
#include "ElapsedClock.h"
#include "HelpFile.h"
#include "HistoryFrame.h"
#include "MonitorDlg.h"
#include "MonitorFakes.h"
#include "PasswordDlg.h"
#include "Resource.h"
#include "SessionEnd.h"
#include "TestSupport.h"
#include "TipText.h"
#include "TrayIcon.h"
#include "UsageChartView.h"

namespace {

constexpr int kConnected = CRasProvider::kConnected;

// The boot-time clock, as a test sets it.
std::atomic<std::int64_t> g_elapsedMs{0};
std::int64_t FakeElapsedMs()
{
    return g_elapsedMs.load();
}

class MonitorDlg : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CScopedClock::Set(CTime(1999, 3, 10, 12, 0, 0).GetTime());
        WriteFile(m_dir.File("Zelmorin.Log"), "10/03/1999 09:00:00  10/03/1999 10:02:05  x  Office\r\n"
                                              "08/03/1999 09:00:00  08/03/1999 10:00:00  x  Home\r\n"
                                              "01/01/1999 09:00:00  01/01/1999 10:00:00  x  Home\r\n");
        // Autostart detection looks here; keep it away from the real home.
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(m_dir.File("config")));
        // The offscreen platform has no tray; these tests stand in for a desktop that has one
        // unless they say otherwise.
        CTrayIcon::SetTrayProbe([this] { return m_bTray; });
    }
    void TearDown() override
    {
        CMonitorDlg::SetHistoryOpener(nullptr);
        CMonitorDlg::SetPasswordCheck(nullptr);
        CMonitorDlg::SetPreferencesOpener(nullptr);
        CMonitorDlg::SetAllowanceNotifier(nullptr);
        CTrayIcon::SetTrayProbe(nullptr);
        SetClockHook(nullptr);
        SetElapsedClockHook(nullptr);
        CMonitorDlg::SetRefreshLimit(std::chrono::minutes(1));
    }
    // A main window over the temporary folder, initialised, its posted start applied.
    std::unique_ptr<CMonitorDlg> Start()
    {
        auto provider = std::make_unique<CFakeProvider>();
        m_provider = provider.get();
        auto dialog = std::make_unique<CMonitorDlg>(std::move(provider), m_store, m_dir.Path() + "/");
        dialog->OnInitDialog();
        QCoreApplication::processEvents();
        return dialog;
    }
    std::string Title(const CMonitorDlg& dialog) const { return dialog.windowTitle().toStdString(); }

    CScopedTimeZone m_zone{"Europe/Rome"};
    CTempDir m_dir;
    CFakeStore m_store;
    CFakeProvider* m_provider = nullptr;
    bool m_bTray = true;
};

TEST_F(MonitorDlg, TitleCarriesTheChosenTotal)
{
    auto dialog = Start();
    EXPECT_EQ(Title(*dialog), " Zelmorin ");
    EXPECT_EQ(dialog->GetTray().GetTip(), " Zelmorin ");
    EXPECT_EQ(dialog->GetStatusLabel()->text().toStdString(), "Not connected");

    dialog->OnTotal();
    EXPECT_EQ(Title(*dialog), " Zelmorin - Total 03:02:05");
    const char* expected[] = {" Zelmorin - Total 03:02:05", " Zelmorin - Today 01:02:05", " Zelmorin - Week 02:02:05",
                              " Zelmorin - Month 02:02:05"};
    for (int type = 0; type < 4; ++type) {
        dialog->m_nTotalType = type;
        dialog->UpdateTitle();
        EXPECT_EQ(Title(*dialog), expected[type]);
        EXPECT_EQ(dialog->GetTray().GetTip(), expected[type]);
    }
    dialog->m_strSelectedISP = "Home";
    dialog->m_nTotalType = 0;
    dialog->UpdateTitle();
    EXPECT_EQ(Title(*dialog), " Zelmorin - Total 02:00:00");
}

TEST_F(MonitorDlg, AllowanceLeftInTitleAndTipAndEachWarningOnce)
{
    // Two hours a day, warned at half: the log has 01:02:05 today.
    m_store.m_values = {{{"Allowance", "On"}, "1"},
                        {{"Allowance", "Minutes"}, "120"},
                        {{"Allowance", "Period"}, "1"},
                        {{"Allowance", "WarnPercent"}, "50"},
                        {{"", "Total"}, "1"}};
    std::vector<std::string> given;
    CMonitorDlg::SetAllowanceNotifier([&given](const QString& summary, const QString&) {
        given.push_back(summary.toStdString());
        return true;
    });
    auto dialog = Start();
    // The total keeps its own period (the month); the time left counts the allowance's day.
    EXPECT_EQ(Title(*dialog), " Zelmorin - Total 03:02:05 - Left 00:57:55");
    EXPECT_EQ(dialog->GetTray().GetTip(), " Zelmorin - Total 03:02:05");
    const std::string detail = dialog->GetTray().GetTipDetail().toStdString();
    // 3725 s in 12 hours lasts 2 hours until 23:11:41.
    EXPECT_EQ(detail, "- Left 00:57:55\nAt this pace it runs out on 10/03/1999 23:11:41");
    EXPECT_EQ(given, std::vector<std::string>{"Zelmorin: 51 % of the connection time allowance used"});

    // A running connection counts in the tip's and the title's time left at once; the total
    // waits for its end, and the tip carries it too while connected.
    SetElapsedClockHook(FakeElapsedMs);
    m_provider->Set({{"Office", kConnected}});
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog->IsConnected(); }, kPatienceMs));
    CScopedClock::Set(CTime(1999, 3, 10, 13, 0, 0).GetTime());
    g_elapsedMs += 3600 * 1000;
    ASSERT_TRUE(QTest::qWaitFor([&] { return given.size() == 2; }, kPatienceMs));
    EXPECT_EQ(given.back(), "Zelmorin: the connection time allowance is used up");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return dialog->GetTray().GetTipDetail() ==
                   QStringLiteral("- Total 03:02:05\n- Left 00:00:00\nUsed up, 00:02:05 over");
        },
        kPatienceMs))
        << dialog->GetTray().GetTipDetail().toStdString();
    EXPECT_EQ(Title(*dialog), " Zelmorin - Total 03:02:05 - Left 00:00:00");
    EXPECT_EQ(dialog->GetTray().GetTip().substr(0, 6), "Office");
    dialog->StopPolling();
    dialog.reset();

    // Started again the same day: both warnings were given already.
    auto next = Start();
    EXPECT_EQ(given.size(), 2u);
    EXPECT_EQ((m_store.m_values[{"Allowance", "NotifiedLevel"}]), "2");
}

TEST_F(MonitorDlg, TheRunningConnectionUsesTheAllowanceByItsElapsedTimeNotTheWallClock)
{
    // Three hours a day, warned at 80 %: the log has 01:02:05 today.
    m_store.m_values = {{{"Allowance", "On"}, "1"},
                        {{"Allowance", "Minutes"}, "180"},
                        {{"Allowance", "Period"}, "1"},
                        {{"Allowance", "WarnPercent"}, "80"}};
    std::vector<std::string> given;
    CMonitorDlg::SetAllowanceNotifier([&given](const QString& summary, const QString&) {
        given.push_back(summary.toStdString());
        return true;
    });
    SetElapsedClockHook(FakeElapsedMs);
    auto dialog = Start();
    m_provider->Set({{"Office", kConnected}});
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog->IsConnected(); }, kPatienceMs));
    auto leftShown = [&](const char* left) {
        return QTest::qWaitFor([&] { return dialog->GetTray().GetTipDetail().startsWith(QLatin1String(left)); },
                               kPatienceMs);
    };
    // One minute on line, and the clock corrected eight hours forward meanwhile.
    g_elapsedMs += 60 * 1000;
    CScopedClock::Set(CTime(1999, 3, 10, 20, 0, 0).GetTime());
    EXPECT_TRUE(leftShown("- Left 01:56:55")) << dialog->GetTray().GetTipDetail().toStdString();
    // Then set back before the start: the connection still counts.
    g_elapsedMs += 60 * 1000;
    CScopedClock::Set(CTime(1999, 3, 10, 11, 0, 0).GetTime());
    EXPECT_TRUE(leftShown("- Left 01:55:55")) << dialog->GetTray().GetTipDetail().toStdString();
    EXPECT_TRUE(given.empty());
    // Real use still warns, as it comes.
    g_elapsedMs += 2 * 3600 * 1000;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !given.empty(); }, kPatienceMs));
    EXPECT_EQ(given, std::vector<std::string>{"Zelmorin: the connection time allowance is used up"});
    dialog->StopPolling();
    SetElapsedClockHook(nullptr);
}

TEST_F(MonitorDlg, TheHistoryCountsTheRunningConnectionInThisPeriodSoFar)
{
    m_store.m_values = {{{"Allowance", "On"}, "1"}, {{"Allowance", "Minutes"}, "180"}, {{"Allowance", "Period"}, "1"}};
    SetElapsedClockHook(FakeElapsedMs);
    CHistoryFrame::SetStandingInterval(std::chrono::milliseconds(1));
    auto dialog = Start();
    m_provider->Set({{"Office", kConnected}});
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog->IsConnected(); }, kPatienceMs));
    g_elapsedMs += 60 * 1000;
    dialog->OnHistory();
    CHistoryFrame* frame = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* found = qobject_cast<CHistoryFrame*>(widget); found && found->isVisible())
            frame = found;
    ASSERT_NE(frame, nullptr);
    QLabel* summary = frame->GetChartView()->GetSummary();
    auto shows = [&](const char* used) {
        return QTest::qWaitFor([&] { return summary->text().contains(QLatin1String(used)); }, kPatienceMs);
    };
    // The log's 01:02:05 today and the minute on line; then the window follows the connection.
    EXPECT_TRUE(shows("This period so far: 01:03:05 used of 03:00:00")) << summary->text().toStdString();
    g_elapsedMs += 60 * 1000;
    EXPECT_TRUE(shows("This period so far: 01:04:05 used of 03:00:00")) << summary->text().toStdString();
    frame->close();
    CHistoryFrame::SetStandingInterval(std::chrono::minutes(1));
    dialog->StopPolling();
    SetElapsedClockHook(nullptr);
}

TEST_F(MonitorDlg, TheWholeTitleFitsTheWindowAndAgreesWithTheTip)
{
    m_store.m_values = {{{"Allowance", "On"}, "1"}, {{"Allowance", "Minutes"}, "120"}, {{"Allowance", "Period"}, "1"}};
    CMonitorDlg::SetAllowanceNotifier([](const QString&, const QString&) { return true; });
    SetElapsedClockHook(FakeElapsedMs);
    auto dialog = Start();
    dialog->show();
    const int narrow = dialog->width();
    auto* status = dialog->findChild<QLabel*>(QStringLiteral("status"));
    auto* history = dialog->findChild<QPushButton*>(QStringLiteral("history"));
    ASSERT_TRUE(status && history);
    QFont bold = dialog->font();
    bold.setBold(true);
    auto fits = [&] {
        const QFontMetrics metrics(bold);
        return dialog->width() >= metrics.horizontalAdvance(dialog->windowTitle()) + 2 * metrics.height() &&
               dialog->minimumWidth() == dialog->maximumWidth() && history->geometry().right() < dialog->width() &&
               status->geometry().right() < history->x();
    };
    EXPECT_EQ(Title(*dialog), " Zelmorin ");
    EXPECT_TRUE(fits());
    // Every total, with the time left after it and in a larger font, shows whole.
    for (int type = 0; type < 4; ++type) {
        dialog->m_bShowTotal = true;
        dialog->m_nTotalType = type;
        dialog->UpdateTitle();
        EXPECT_NE(Title(*dialog).find(" - Left 00:57:55"), std::string::npos) << Title(*dialog);
        EXPECT_TRUE(fits()) << Title(*dialog) << " in " << dialog->width();
    }
    EXPECT_GT(dialog->width(), narrow);
    QFont larger = dialog->font();
    larger.setPointSizeF(larger.pointSizeF() * 1.5);
    dialog->setFont(larger);
    bold.setPointSizeF(larger.pointSizeF());
    dialog->UpdateTitle();
    EXPECT_TRUE(fits()) << dialog->width();
    dialog->setFont(QFont());
    // Without the total the window is as narrow as before.
    dialog->m_bShowTotal = false;
    dialog->UpdateTitle();
    EXPECT_EQ(dialog->width(), narrow);

    // Connected, the tip's total and time left are the title's, second by second.
    dialog->m_bShowTotal = true;
    dialog->m_nTotalType = 1;
    dialog->UpdateTitle();
    m_provider->Set({{"Office", kConnected}});
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog->IsConnected(); }, kPatienceMs));
    g_elapsedMs += 1800 * 1000;
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return Title(*dialog) == " Zelmorin - Today 01:02:05 - Left 00:27:55"; }, kPatienceMs))
        << Title(*dialog);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return dialog->GetTray().GetTipDetail().startsWith(QLatin1String("- Today 01:02:05\n- Left 00:27:55\n"));
        },
        5000))
        << dialog->GetTray().GetTipDetail().toStdString();
    dialog->StopPolling();
}

TEST_F(MonitorDlg, TitleAndTipTurnWithThePeriodWhileIdle)
{
    // Today's total and two hours a day: the log has 01:02:05 today.
    m_store.m_values = {{{"Allowance", "On"}, "1"},
                        {{"Allowance", "Minutes"}, "120"},
                        {{"Allowance", "Period"}, "1"},
                        {{"", "Total"}, "1"},
                        {{"", "TotalType"}, "1"}};
    CMonitorDlg::SetAllowanceNotifier([](const QString&, const QString&) { return true; });
    CMonitorDlg::SetRefreshLimit(std::chrono::milliseconds(20));
    auto dialog = Start();
    EXPECT_EQ(Title(*dialog), " Zelmorin - Today 01:02:05 - Left 00:57:55");
    EXPECT_EQ(dialog->GetTray().GetTip(), " Zelmorin - Today 01:02:05");
    // The pace moves with the clock, logged or not: 3725 s in 12:05 hours run out later.
    CScopedClock::Set(CTime(1999, 3, 10, 12, 5, 0).GetTime());
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return dialog->GetTray().GetTipDetail().endsWith(QLatin1String("runs out on 10/03/1999 23:21:21")); },
        5000))
        << dialog->GetTray().GetTipDetail().toStdString();
    // After midnight nothing of yesterday is left, with no connection to set it off.
    CScopedClock::Set(CTime(1999, 3, 11, 0, 0, 30).GetTime());
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return Title(*dialog) == " Zelmorin - Today 00:00:00 - Left 02:00:00"; }, kPatienceMs))
        << Title(*dialog);
    EXPECT_EQ(dialog->GetTray().GetTip(), " Zelmorin - Today 00:00:00");
    EXPECT_TRUE(dialog->GetTray().GetTipDetail().startsWith(QLatin1String("- Left 02:00:00\n")))
        << dialog->GetTray().GetTipDetail().toStdString();
    dialog->StopPolling();
}

TEST_F(MonitorDlg, AllowanceWarningWithoutNotificationsOrTrayIsAWindowThatLetsPollingGoOn)
{
    m_store.m_values = {{{"Allowance", "On"}, "1"}, {{"Allowance", "Minutes"}, "60"}, {{"Allowance", "Period"}, "1"}};
    CMonitorDlg::SetAllowanceNotifier([](const QString&, const QString&) { return false; }); // no service
    m_bTray = false;
    auto dialog = Start();
    ASSERT_FALSE(dialog->GetTray().IsShown());
    QMessageBox* box = nullptr;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return (box = dialog->findChild<QMessageBox*>(QStringLiteral("allowanceWarning"))) != nullptr; },
        kPatienceMs));
    EXPECT_EQ(box->text(), "Zelmorin: the connection time allowance is used up");
    EXPECT_TRUE(box->informativeText().contains("used of 01:00:00"));
    EXPECT_TRUE(box->isVisible());
    // Not modal to the loop: a connection is still noticed while the box stands.
    m_provider->Set({{"Office", kConnected}});
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog->IsConnected(); }, kPatienceMs));
    EXPECT_EQ((m_store.m_values[{"Allowance", "NotifiedLevel"}]), "2");
}

TEST_F(MonitorDlg, AllowanceOffChangesNothing)
{
    m_store.m_values = {{{"Allowance", "Minutes"}, "1"}};
    int given = 0;
    CMonitorDlg::SetAllowanceNotifier([&given](const QString&, const QString&) { return ++given, true; });
    auto dialog = Start();
    dialog->OnTotal();
    EXPECT_EQ(Title(*dialog), " Zelmorin - Total 03:02:05");
    EXPECT_TRUE(dialog->GetTray().GetTipDetail().isEmpty());
    EXPECT_EQ(given, 0);
}

TEST_F(MonitorDlg, PopupMenuShowsTheCurrentStates)
{
    auto dialog = Start();
    dialog->m_bOnTop = true;
    dialog->SetHistoryOpen(true);
    std::unique_ptr<QMenu> menu(dialog->BuildPopupMenu(dialog.get()));
    QStringList texts;
    for (QAction* action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(texts.join('|').toStdString(),
              "Hide|Always on top|Total|History...|Help...|-|Preferences..|-|About Zelmorin|E&xit");
    auto action = [&](int command) {
        for (QAction* a : menu->actions())
            if (a->data().toInt() == command)
                return a;
        return static_cast<QAction*>(nullptr);
    };
    EXPECT_FALSE(action(Resource::ID_HIDE)->isChecked());
    EXPECT_TRUE(action(Resource::ID_ALWAYS_ON_TOP)->isChecked());
    EXPECT_FALSE(action(Resource::ID_TOTAL)->isChecked());
    EXPECT_FALSE(action(Resource::ID_HISTORY)->isEnabled());

    // Choosing "Total" from the menu switches the total on.
    action(Resource::ID_TOTAL)->trigger();
    EXPECT_TRUE(dialog->m_bShowTotal);
}

TEST_F(MonitorDlg, HiddenWindowShowsWhileConnected)
{
    m_store.m_values = {{{"", "Hidden"}, "1"}, {{"", "AutoShow"}, "1"}};
    auto dialog = Start();
    EXPECT_FALSE(dialog->isVisible());
    m_provider->Set({{"Office", kConnected}});
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog->IsConnected(); }, kPatienceMs));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->GetTray().GetPicture(), Resource::IDI_CONNECTED);
    EXPECT_EQ(dialog->GetStatusLabel()->text().toStdString(), "Office 00:00:00");
    EXPECT_EQ(dialog->GetTray().GetTip(), "Office 00:00:00");

    m_provider->Set({});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog->IsConnected(); }, kPatienceMs));
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->GetTray().GetPicture(), Resource::IDI_IDLE);
    // The status keeps the last running display; the log has the connection.
    EXPECT_EQ(dialog->GetStatusLabel()->text().toStdString(), "Office 00:00:00");
    EXPECT_EQ(dialog->GetLog().GetConnectionCount(), 4);
}

TEST_F(MonitorDlg, CloseBoxHidesAndOnlyExitEnds)
{
    auto dialog = Start();
    EXPECT_TRUE(dialog->isVisible());
    bool finished = false;
    QObject::connect(dialog.get(), &QDialog::finished, [&] { finished = true; });
    dialog->close();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(dialog->m_bHidden);
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    EXPECT_FALSE(finished);

    // A click on the tray icon shows it again.
    dialog->OnTrayNotify(Resource::ID_TRAY, Resource::WM_LBUTTONDOWN);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->m_bHidden);
    // Enter finds the default OK button hidden: it neither ends the program nor hides it.
    QTest::keyClick(dialog.get(), Qt::Key_Return);
    QTest::keyClick(dialog.get(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_FALSE(finished);
    EXPECT_TRUE(dialog->isVisible());

    // Exit guarded by a password: a wrong one changes nothing, the right one ends.
    dialog->m_bProtect = true;
    int asked = 0;
    bool right = false;
    CMonitorDlg::SetPasswordCheck([&](QWidget*) {
        ++asked;
        return right;
    });
    dialog->OnExit();
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(finished);
    right = true;
    dialog->OnExit();
    EXPECT_TRUE(finished);
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
}

TEST_F(MonitorDlg, StoredPositionIsUsedOnlyWhenTheWindowFits)
{
    QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    {
        m_store.m_values = {{{"", "PosX"}, "40"}, {{"", "PosY"}, "30"}};
        auto dialog = Start();
        EXPECT_EQ(dialog->pos(), QPoint(40, 30));
    }
    {
        auto probe = Start();
        // Before the window is mapped its frame is unknown: the rule uses its own width.
        int width = probe->width();
        probe.reset();
        // x + width equal to the screen width reaches the edge: ignored.
        m_store.m_values = {{{"", "PosX"}, std::to_string(screen.width() - width)}, {{"", "PosY"}, "30"}};
        auto dialog = Start();
        EXPECT_NE(dialog->pos(), QPoint(screen.width() - width, 30));
    }
    {
        m_store.m_values = {{{"", "PosX"}, "-5"}, {{"", "PosY"}, "30"}};
        auto dialog = Start();
        EXPECT_NE(dialog->pos().x(), -5);
    }
}

TEST_F(MonitorDlg, TrayDoubleClickOpensTheHistoryOnce)
{
    int opened = 0;
    CMonitorDlg::SetHistoryOpener([&](CMonitorDlg& dialog) {
        ++opened;
        dialog.SetHistoryOpen(true);
    });
    auto dialog = Start();
    dialog->OnTrayNotify(Resource::ID_TRAY, Resource::WM_LBUTTONDBLCLK);
    dialog->OnTrayNotify(Resource::ID_TRAY, Resource::WM_LBUTTONDBLCLK);
    EXPECT_EQ(opened, 1);
    dialog->OnHistoryClosed();
    EXPECT_FALSE(dialog->IsHistoryOpen());

    // Guarded History View: a cancelled password opens nothing.
    dialog->m_bProtect = true;
    dialog->m_bProtectHistory = true;
    CMonitorDlg::SetPasswordCheck([](QWidget*) { return false; });
    dialog->OnHistory();
    EXPECT_EQ(opened, 1);

    // The right click's menu shows "History..." greyed while the History is open.
    dialog->SetHistoryOpen(true);
    bool greyed = false, shown = false;
    QTimer::singleShot(50, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu) {
            shown = true;
            for (QAction* a : menu->actions())
                if (a->text() == QLatin1String("History..."))
                    greyed = !a->isEnabled();
            menu->close();
        }
    });
    dialog->OnTrayNotify(Resource::ID_TRAY, Resource::WM_RBUTTONUP);
    EXPECT_TRUE(shown);
    EXPECT_TRUE(greyed);
}

// The status field is narrow: a long name gives way so that the running time shows whole.
TEST_F(MonitorDlg, StatusShowsTheTimeWholeAndElidesTheName)
{
    auto dialog = Start();
    QLabel* status = dialog->GetStatusLabel();
    auto fits = [&] {
        return status->fontMetrics().horizontalAdvance(status->text()) <= status->contentsRect().width();
    };
    dialog->SetRunningStatus("Office", " 25:03:04");
    EXPECT_EQ(status->text().toStdString(), "Office 25:03:04");
    EXPECT_TRUE(status->toolTip().isEmpty());

    const std::string name = "A very long connection name that cannot fit";
    dialog->SetRunningStatus(name, " 25:03:04");
    EXPECT_TRUE(status->text().endsWith(QStringLiteral(" 25:03:04"))) << status->text().toStdString();
    EXPECT_TRUE(status->text().startsWith(QStringLiteral("A ")));
    EXPECT_TRUE(fits());
    EXPECT_EQ(ShownTipText(status->toolTip()).toStdString(), name + " 25:03:04");

    // Through the running connection itself, a day long: its time is measured on the elapsed
    // clock, made to follow the test's wall clock here.
    SetElapsedClockHook([] { return ClockNow() * 1000; });
    CScopedClock::Set(CTime(1999, 3, 10, 12, 0, 0).GetTime());
    m_provider->Set({{name, kConnected}});
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog->IsConnected(); }, kPatienceMs));
    CScopedClock::Set(CTime(1999, 3, 11, 13, 3, 4).GetTime());
    ASSERT_TRUE(QTest::qWaitFor([&] { return status->text().endsWith(QStringLiteral(" 25:03:04")); }, kPatienceMs))
        << status->text().toStdString();
    EXPECT_TRUE(fits());
    EXPECT_TRUE(QString::fromStdString(dialog->GetTray().GetTip()).endsWith(QStringLiteral(" 25:03:04")));
    dialog->StopPolling();
    SetElapsedClockHook(nullptr);
}

TEST_F(MonitorDlg, TheWindowSaysWhichServiceIsWatched)
{
    const struct
    {
        const char* service;
        bool installed;
        const char* status;
        const char* tip;
    } cases[] = {
        {"NetworkManager", true, "Not connected", "Watching NetworkManager"},
        {"pppd", true, "Not connected", "Watching pppd"},
        {"simulator", true, "Not connected", "Watching the simulator"},
        {"pppd", false, "No connection service",
         "No connection service was found: neither NetworkManager nor pppd. To choose one, start Zelmorin with "
         "ZELMORIN_RAS set to nm (NetworkManager), pppd, or sim:FILE (the simulator)."},
    };
    for (const auto& c : cases) {
        auto provider = std::make_unique<CFakeProvider>();
        provider->m_strService = c.service;
        provider->m_bInstalled = c.installed;
        CMonitorDlg dialog(std::move(provider), m_store, m_dir.Path() + "/");
        dialog.OnInitDialog();
        QLabel* status = dialog.GetStatusLabel();
        EXPECT_EQ(status->text().toStdString(), c.status) << c.service;
        EXPECT_LE(status->fontMetrics().horizontalAdvance(status->text()), status->contentsRect().width());
        // The label passes a tip it has not got on to the window, which carries the service.
        EXPECT_TRUE(status->toolTip().isEmpty());
        EXPECT_EQ(dialog.toolTip().toStdString(), c.tip);
        dialog.StopPolling();
    }
}

// The session manager's quit reaches the application as a Quit event: a message box over the
// About box is cancelled, then the About box, and the main dialog ends, after the settings were
// saved.
TEST_F(MonitorDlg, SessionQuitCancelsNestedDialogsAndEnds)
{
    auto dialog = Start();
    int saved = 0;
    CSessionEnd ending(
        *dialog, [&] { ++saved; }, false);
    bool finished = false;
    QObject::connect(dialog.get(), &QDialog::finished, [&] { finished = true; });
    int boxResult = -1;
    QTimer::singleShot(0, [&] {
        QTimer::singleShot(0, [] { QCoreApplication::postEvent(qApp, new QEvent(QEvent::Quit)); });
        QMessageBox box(QMessageBox::Question, QStringLiteral("Zelmorin"), QStringLiteral("Continue?"),
                        QMessageBox::Yes | QMessageBox::No, dialog.get());
        boxResult = box.exec();
    });
    CAboutDlg about(dialog.get());
    EXPECT_EQ(about.exec(), QDialog::Rejected);
    EXPECT_NE(boxResult, QMessageBox::Yes);
    EXPECT_NE(boxResult, -1);
    EXPECT_EQ(saved, 1);
    EXPECT_TRUE(finished);
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_TRUE(ending.IsEnding());
}

TEST_F(MonitorDlg, EndOfSessionSavesSettingsAndLeavesTheConnectionInTheCheckpoint)
{
    auto dialog = Start();
    m_provider->Set({{"Office", kConnected}});
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog->IsConnected(); }, kPatienceMs));
    dialog->m_bOnTop = true;
    dialog->OnEndSession(true);
    EXPECT_EQ((m_store.m_values[{"", "OnTop"}]), "1");
    dialog->StopPolling();
    dialog.reset();
    EXPECT_TRUE(FileExists(m_dir.File("~$ZMCUR.$$$")));
    EXPECT_EQ(CConnectionLog(m_dir.File("Zelmorin.Log")).GetConnectionCount(), 3);
    // The next start logs it, ending at its last checkpoint.
    auto next = Start();
    EXPECT_EQ(next->GetLog().GetConnectionCount(), 4);
    EXPECT_FALSE(FileExists(m_dir.File("~$ZMCUR.$$$")));
}

TEST_F(MonitorDlg, WithoutATrayHidingMinimisesAndRestoringShows)
{
    m_bTray = false;
    m_store.m_values = {{{"", "Hidden"}, "1"}};
    auto dialog = Start();
    EXPECT_FALSE(dialog->GetTray().HasTray());
    // "Hide the main window" starts it minimised, as an ordinary window a panel can list.
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->isMinimized());
    EXPECT_FALSE(dialog->windowFlags().testFlag(Qt::Tool));

    dialog->OnShowRequest();
    EXPECT_TRUE(dialog->isVisible() && !dialog->isMinimized());
    EXPECT_FALSE(dialog->m_bHidden);
    // Escape, the close box and Hide minimise it again; none withdraws it.
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    EXPECT_TRUE(dialog->isVisible() && dialog->isMinimized());
    EXPECT_TRUE(dialog->m_bHidden);
    dialog->OnShowRequest();
    dialog->close();
    EXPECT_TRUE(dialog->isVisible() && dialog->isMinimized());
    dialog->OnShowRequest();
    dialog->OnHide();
    EXPECT_TRUE(dialog->isVisible() && dialog->isMinimized());

    // The user restores it from the panel (the window system reports the new state): it is
    // shown, no longer hidden.
    dialog->windowHandle()->setWindowState(Qt::WindowNoState);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dialog->isMinimized(); }, kPatienceMs));
    EXPECT_FALSE(dialog->m_bHidden);
}

TEST_F(MonitorDlg, AMenuKeptByAPanelFollowsTheWindowsLaterState)
{
    auto dialog = Start();
    // Built once, as the menu exported with a StatusNotifier icon is, then brought up to date.
    std::unique_ptr<QMenu> menu(dialog->BuildPopupMenu(nullptr));
    auto state = [&](int command) {
        for (QAction* a : menu->actions())
            if (a->data().toInt() == command)
                return std::string(a->isChecked() ? "on" : "off") + (a->isEnabled() ? "" : ",grey");
        return std::string("missing");
    };
    const struct
    {
        const char* step;
        std::function<void()> change;
        int command;
        const char* expected;
    } steps[] = {
        {"hide", [&] { dialog->OnHide(); }, Resource::ID_HIDE, "on"},
        {"show again", [&] { dialog->OnShowRequest(); }, Resource::ID_HIDE, "off"},
        {"on top", [&] { dialog->OnAlwaysOnTop(); }, Resource::ID_ALWAYS_ON_TOP, "on"},
        {"not on top", [&] { dialog->OnAlwaysOnTop(); }, Resource::ID_ALWAYS_ON_TOP, "off"},
        {"total", [&] { dialog->OnTotal(); }, Resource::ID_TOTAL, "on"},
        {"History open", [&] { dialog->SetHistoryOpen(true); }, Resource::ID_HISTORY, "off,grey"},
        {"History closed", [&] { dialog->SetHistoryOpen(false); }, Resource::ID_HISTORY, "off"},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.step);
        s.change();
        dialog->UpdateMenuStates(menu.get());
        EXPECT_EQ(state(s.command), s.expected);
    }
}

TEST_F(MonitorDlg, ATrayThatComesLaterGetsTheIconAndOneThatGoesLeavesTheWindowReachable)
{
    m_bTray = false;
    m_store.m_values = {{{"", "Hidden"}, "1"}};
    auto dialog = Start();
    CTrayIcon& tray = dialog->GetTray();
    EXPECT_FALSE(tray.IsShown());
    ASSERT_TRUE(dialog->isMinimized());

    // The panel starts: the watch finds its tray within a few seconds, the icon goes there and
    // the hidden window with it.
    m_bTray = true;
    EXPECT_TRUE(QTest::qWaitFor([&] { return tray.HasTray(); }, kPatienceMs));
    EXPECT_TRUE(tray.IsShown());
    EXPECT_EQ(tray.GetPicture(), Resource::IDI_IDLE);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(dialog->windowFlags().testFlag(Qt::Tool));

    // The panel goes away: nothing could bring a withdrawn window back, so it waits minimised.
    m_bTray = false;
    tray.CheckTray();
    EXPECT_FALSE(tray.IsShown());
    EXPECT_TRUE(dialog->isVisible() && dialog->isMinimized());
    // A shown window stays shown through all of it.
    dialog->OnShowRequest();
    m_bTray = true;
    tray.CheckTray();
    EXPECT_TRUE(dialog->isVisible() && !dialog->isMinimized());
}

// Names come from strangers (a network's name becomes a profile name): tips show them as text.
TEST_F(MonitorDlg, TipsShowHostileNamesAsText)
{
    auto dialog = Start();
    QLabel* status = dialog->GetStatusLabel();
    const std::string padding = " and a long tail so that the name is elided";
    for (const std::string name :
         {"<font color=red>Red</font>", "<img src=\"/etc/hostname\">", "a &amp; <b>b</b>", "<qt>x</qt>"}) {
        dialog->SetRunningStatus(name + padding, " 00:01:02");
        EXPECT_EQ(ShownTipText(status->toolTip()).toStdString(), name + padding + " 00:01:02")
            << status->toolTip().toStdString();
        CTrayIcon& tray = dialog->GetTray();
        tray.TraySetTip(Resource::ID_TRAY, name);
        EXPECT_EQ(ShownTipText(tray.ShownTip()).toStdString(), name);
    }
}

TEST_F(MonitorDlg, ASecondStartShowsTheHiddenWindow)
{
    m_store.m_values = {{{"", "Hidden"}, "1"}};
    auto dialog = Start();
    EXPECT_FALSE(dialog->isVisible());
    dialog->OnShowRequest();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->m_bHidden);
}

} // namespace

namespace {

TEST(TrayIcon, TipIsCutAt63Characters)
{
    CTrayIcon tray;
    tray.TrayAdd(Resource::ID_TRAY, Resource::IDI_IDLE, std::string(70, 'x'));
    EXPECT_EQ(tray.GetTip(), std::string(63, 'x'));
    // "é" is two bytes in UTF-8 but one character.
    std::string accented = std::string(62, 'a') + "\xC3\xA9" + "bc";
    tray.TraySetTip(Resource::ID_TRAY, accented);
    EXPECT_EQ(tray.GetTip(), std::string(62, 'a') + "\xC3\xA9");
    tray.TraySetTip(Resource::ID_TRAY, "");
    EXPECT_EQ(tray.GetTip(), "");
    EXPECT_TRUE(CTrayIcon::Picture(Resource::IDI_CONNECTED).availableSizes().size() >= 2);
}

TEST(HelpFile, HelpOpensAtItsContentsPage)
{
    QUrl opened;
    CDesktopServices::SetOpener([&](const QUrl& url) {
        opened = url;
        return true;
    });
    EXPECT_TRUE(OpenHelpContents());
    CDesktopServices::SetOpener(nullptr);
    EXPECT_TRUE(opened.isLocalFile());
    EXPECT_TRUE(opened.toLocalFile().endsWith(QStringLiteral("help/index.html")));
    EXPECT_TRUE(QFileInfo::exists(opened.toLocalFile()));
}

} // namespace

namespace {

// Without a test's hook the guard asks through the real password dialog: a wrong password and
// Cancel both leave the program running, the stored one (typed in any case) ends it.
TEST_F(MonitorDlg, ExitAsksThroughThePasswordDialog)
{
    auto dialog = Start();
    dialog->m_bProtect = true;
    dialog->m_strPassword = "SECRET";
    bool finished = false;
    QObject::connect(dialog.get(), &QDialog::finished, [&] { finished = true; });
    auto answer = [](const QString& typed, bool ok) {
        QTimer::singleShot(0, [typed, ok] {
            auto* asked = qobject_cast<CPasswordDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(asked, nullptr) << "no password question";
            auto* field = asked->findChild<QLineEdit*>(QStringLiteral("edit1032"));
            for (const QChar c : typed)
                QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(c), Qt::NoModifier);
            if (ok)
                QTest::keyClick(field, Qt::Key_Return);
            else
                asked->reject();
        });
    };
    answer(QStringLiteral("wrong"), true);
    dialog->OnExit();
    EXPECT_FALSE(finished);
    answer(QStringLiteral("secret"), false);
    dialog->OnExit();
    EXPECT_FALSE(finished);
    answer(QStringLiteral("secret"), true);
    dialog->OnExit();
    EXPECT_TRUE(finished);
}

TEST_F(MonitorDlg, PreferencesAskForThePasswordWhenGuarded)
{
    int opened = 0;
    CMonitorDlg::SetPreferencesOpener([&](CMonitorDlg&) { ++opened; });
    auto dialog = Start();
    dialog->OnPreferences(); // protection off: nothing asked
    EXPECT_EQ(opened, 1);
    dialog->m_bProtect = true; // Preferences are guarded by default
    int asked = 0;
    bool right = false;
    CMonitorDlg::SetPasswordCheck([&](QWidget*) {
        ++asked;
        return right;
    });
    dialog->OnPreferences();
    EXPECT_EQ(opened, 1);
    right = true;
    dialog->OnPreferences();
    EXPECT_EQ(opened, 2);
    EXPECT_EQ(asked, 2);
}

TEST_F(MonitorDlg, PreferencesAreStoredWhenConfirmedNotOnlyOnTheWayOut)
{
    auto dialog = Start();
    m_store.m_values.clear();
    // The real sheet, cancelled and then confirmed.
    auto answer = [](bool ok) {
        QTimer::singleShot(0, [ok] {
            auto* sheet = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(sheet, nullptr);
            auto* buttons = sheet->findChild<QDialogButtonBox*>();
            ASSERT_NE(buttons, nullptr);
            buttons->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
        });
    };
    answer(false);
    dialog->OnPreferences();
    EXPECT_TRUE(m_store.m_values.empty());
    answer(true);
    dialog->OnPreferences();
    EXPECT_EQ(m_store.m_values.count({"", "WeekStart"}), 1u);
    EXPECT_EQ(m_store.m_values.count({"", "Flags"}), 1u);
    EXPECT_EQ(m_store.m_values.count({"Allowance", "On"}), 1u);
    EXPECT_EQ(m_store.m_values.count({"Allowance", "Minutes"}), 1u);
}

TEST_F(MonitorDlg, HistoryOpensReadOnlyByDefaultAndDisablesTheWindow)
{
    auto dialog = Start();
    dialog->OnHistory();
    CHistoryFrame* frame = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* found = qobject_cast<CHistoryFrame*>(widget); found && found->isVisible())
            frame = found;
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->m_bEditEnabled, 0);
    EXPECT_TRUE(dialog->IsHistoryOpen());
    EXPECT_FALSE(dialog->isEnabled());
    std::unique_ptr<QMenu> menu(dialog->BuildPopupMenu(dialog.get()));
    for (QAction* action : menu->actions()) {
        if (action->data().toInt() == Resource::ID_HISTORY) {
            EXPECT_FALSE(action->isEnabled());
        }
    }
    frame->close();
    EXPECT_TRUE(dialog->isEnabled());
    EXPECT_FALSE(dialog->IsHistoryOpen());
}

} // namespace
