// The windows under an Italian desktop: run by italian.sh with LANG=it_IT.UTF-8 and the
// program's own translations loaded the way the program loads them.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <clocale>
#include <string>

#include "Clock.h"
#include "HistoryDoc.h"
#include "HistoryFrame.h"
#include "HistoryList.h"
#include "HistoryTree.h"
#include "LogMonth.h"
#include "MonitorDlg.h"
#include "MonitorFakes.h"
#include "Prompt.h"
#include "TestSupport.h"
#include "TimeTexts.h"
#include "Translations.h"

namespace {

class Italian : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        ASSERT_STREQ(std::setlocale(LC_TIME, nullptr), "it_IT.UTF-8") << "run through italian.sh";
        ASSERT_TRUE(LoadTranslations(*qApp, QStringLiteral(ZELMORIN_QM_DIR)));
    }
    void SetUp() override
    {
        CScopedClock::Set(CTime(1999, 3, 10, 12, 0, 0).GetTime());
        WriteFile(m_dir.File("Zelmorin.Log"), "05/03/1999 09:00:00  05/03/1999 10:02:05  x  Office\r\n"
                                              "01/02/1999 09:00:00  01/02/1999 10:00:00  x  Home\r\n");
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(m_dir.File("config")));
    }
    void TearDown() override
    {
        DayDateFormat = m_previousDayFormat;
        SetClockHook(nullptr);
    }
    static QStringList Texts(const QList<QAction*>& actions)
    {
        QStringList texts;
        for (QAction* action : actions)
            if (!action->isSeparator())
                texts << action->text();
        return texts;
    }

    CScopedTimeZone m_zone{"Europe/Rome"};
    CTempDir m_dir;
    CFakeStore m_store;
    std::string m_previousDayFormat = DayDateFormat;
};

TEST_F(Italian, MainWindowAndItsMenu)
{
    CMonitorDlg dialog(std::make_unique<CFakeProvider>(), m_store, m_dir.Path() + "/");
    dialog.OnInitDialog();
    QCoreApplication::processEvents();
    EXPECT_EQ(dialog.GetStatusLabel()->text(), QStringLiteral("Non connesso"));
    auto* history = dialog.findChild<QPushButton*>(QStringLiteral("history"));
    ASSERT_TRUE(history);
    EXPECT_EQ(history->text(), QStringLiteral("Storico..."));

    std::unique_ptr<QMenu> menu(dialog.BuildPopupMenu(&dialog));
    EXPECT_EQ(Texts(menu->actions()), QStringList({"Nascondi", "Sempre in primo piano", "Totale", "Storico...",
                                                   "Guida...", "Preferenze..", "Informazioni su Zelmorin", "&Esci"}));
    // The title keeps the prefix by which a second copy finds the first.
    dialog.OnTotal();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral(" Zelmorin - Totale 02:02:05"));
    dialog.StopPolling();
    dialog.OnDestroy();
}

TEST_F(Italian, ALogProblemIsToldInTheDesktopsLanguage)
{
    // A damaged checkpoint in a folder whose name holds "%2": the message's own places are
    // filled, the folder's name is left alone.
    const std::string folder = m_dir.File("a%2b");
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(folder)));
    const std::string checkpoint = folder + "/~$ZMCUR.$$$";
    WriteFile(checkpoint, "not a checkpoint");
    CMonitorDlg dialog(std::make_unique<CFakeProvider>(), m_store, folder + "/");
    dialog.OnInitDialog();
    QCoreApplication::processEvents();
    EXPECT_EQ(dialog.GetStatusLabel()->text().toStdString(),
              checkpoint + " era danneggiato; è stato conservato come " + checkpoint + ".damaged.");
    dialog.StopPolling();
    dialog.OnDestroy();
}

TEST_F(Italian, HistoryNamesMonthsAndDaysInOneLanguage)
{
    DayDateFormat = "%a, %d %b %Y";
    // The frame deletes itself when it closes.
    QPointer<CHistoryFrame> owned = new CHistoryFrame(std::make_unique<CHistoryDoc>(m_dir.File("Zelmorin.Log")),
                                                      m_store, {"Office", "Home"}, nullptr, nullptr);
    CHistoryFrame& frame = *owned;
    frame.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(frame.windowTitle(), QStringLiteral("Zelmorin - Storico"));

    CHistoryTree* tree = frame.GetTree();
    ASSERT_EQ(tree->topLevelItemCount(), 2);
    QStringList months;
    for (int m = 0; m < tree->topLevelItemCount(); ++m)
        months << tree->topLevelItem(m)->text(0);
    EXPECT_TRUE(months.contains(QStringLiteral("marzo 1999 = 01:02:05"))) << months.join('|').toStdString();
    EXPECT_TRUE(months.contains(QStringLiteral("febbraio 1999 = 01:00:00"))) << months.join('|').toStdString();
    for (int m = 0; m < tree->topLevelItemCount(); ++m) {
        QTreeWidgetItem* month = tree->topLevelItem(m);
        if (month->text(0).startsWith(QStringLiteral("marzo"))) {
            ASSERT_EQ(month->childCount(), 1);
            EXPECT_EQ(month->child(0)->text(0), QStringLiteral("ven, 05 mar 1999 = 01:02:05"));
        }
    }

    QTreeWidgetItem* header = frame.GetList()->headerItem();
    EXPECT_EQ(header->text(0), QStringLiteral("Inizio"));
    EXPECT_EQ(header->text(3), QStringLiteral("Connessione"));
    QStringList buttons;
    for (const char* name : {"configure", "print", "export", "close"}) {
        auto* button = frame.findChild<QPushButton*>(QString::fromLatin1(name));
        ASSERT_TRUE(button) << name;
        buttons << button->text();
    }
    EXPECT_EQ(buttons, QStringList({"Configura...", "Stampa...", "Esporta...", "Chiudi"}));
    frame.close();
    QCoreApplication::processEvents();
    delete owned;
}

TEST_F(Italian, MonthNamesFromTheCLibraryOnlyOutsideEnglish)
{
    EXPECT_EQ(CLogMonth::LocalMonthName(3), "marzo");
    EXPECT_EQ(CLogMonth::LocalMonthName(12), "dicembre");
    EXPECT_EQ(CLogMonth::LocalMonthName(0), "");
    EXPECT_EQ(CLogMonth::LocalMonthName(13), "");
    // The report and every caller that asks for nothing else keep the English names.
    CLogMonth month(3, 1999);
    EXPECT_EQ(month.GetText(""), "March 1999 = 00:00:00");
    EXPECT_EQ(month.GetText("", true), "marzo 1999 = 00:00:00");
}

TEST_F(Italian, QtStandardButtonsAndTheProgramsQuestion)
{
    // A real message box: Qt's own translation names its Yes and No.
    QStringList seen;
    QTimer::singleShot(0, [&seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        for (QAbstractButton* button : box->buttons())
            seen << button->text();
        seen << box->text();
        box->button(QMessageBox::No)->click();
    });
    EXPECT_FALSE(CPrompt::Ask(nullptr, "?"));
    EXPECT_EQ(seen, QStringList({"&Sì", "&No", "?"}));
}

} // namespace
