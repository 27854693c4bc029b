#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QSplitter>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

#include "Clock.h"
#include "ConnectionLog.h"
#include "HistoryCommands.h"
#include "HistoryDoc.h"
#include "HistoryFrame.h"
#include "HistoryList.h"
#include "HistoryPrinter.h"
#include "HistoryTree.h"
#include "LogMonth.h"
#include "Prompt.h"
#include "SettingsStore.h"
#include "TestSupport.h"
#include "TipText.h"
#include "UsageChartView.h"

namespace {

class CMemoryStore : public CSettingsStore
{
public:
    int GetInt(const std::string& section, const std::string& key, int defaultValue) const override
    {
        auto found = m_values.find(section + "/" + key);
        return found == m_values.end() ? defaultValue : std::stoi(found->second);
    }
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& defaultValue) const override
    {
        auto found = m_values.find(section + "/" + key);
        return found == m_values.end() ? defaultValue : found->second;
    }
    void WriteInt(const std::string& section, const std::string& key, int value) override
    {
        m_values[section + "/" + key] = std::to_string(value);
    }
    void WriteString(const std::string& section, const std::string& key, const std::string& value) override
    {
        m_values[section + "/" + key] = value;
    }
    std::map<std::string, std::string> m_values;
};

const char* const kLog = "14/05/1999 09:00:00  14/05/1999 10:02:03  x  Office\r\n"
                         "14/05/1999 11:00:00  14/05/1999 12:00:00  x  Home\r\n"
                         "14/05/1999 13:00:00  14/05/1999 13:00:00  x  Office\r\n"
                         "15/05/1999 13:00:00  15/05/1999 13:00:00  x  Office\r\n"
                         "02/04/1999 08:00:00  02/04/1999 08:30:00  x  Home\r\n";

class HistoryWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CScopedClock::Set(CTime(1999, 5, 14, 18, 0, 0).GetTime());
        WriteFile(Log(), kLog);
    }
    void TearDown() override
    {
        CPrompt::SetScript(nullptr);
        SetClockHook(nullptr);
    }
    std::string Log() const { return m_dir.File("Zelmorin.Log"); }
    CHistoryFrame* Open(QWidget* owner = nullptr, std::function<void()> closed = nullptr)
    {
        auto* frame = new CHistoryFrame(std::make_unique<CHistoryDoc>(Log()), m_store, {"Office", "Home", "Backup"},
                                        owner, std::move(closed));
        frame->show();
        return frame;
    }
    // A first window's: as tall as the screen leaves room for, 40 pixels above its foot.
    static int DefaultHeight()
    {
        const int room = QGuiApplication::primaryScreen()->availableGeometry().bottom() - 140;
        return std::max(300, std::min(CHistoryFrame::kDefaultHeight, room));
    }
    static QStringList TreeTexts(CHistoryTree* tree)
    {
        QStringList texts;
        for (int m = 0; m < tree->topLevelItemCount(); ++m) {
            QTreeWidgetItem* month = tree->topLevelItem(m);
            texts << month->text(0);
            for (int d = 0; d < month->childCount(); ++d)
                texts << "  " + month->child(d)->text(0);
        }
        return texts;
    }
    static QStringList ListRows(CHistoryList* list)
    {
        QStringList rows;
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            QStringList cells;
            for (int c = 0; c < 4; ++c)
                cells << list->topLevelItem(i)->text(c);
            rows << cells.join('|');
        }
        return rows;
    }
    // Answers every question with `answer` and keeps what was asked.
    void Answer(bool answer)
    {
        CPrompt::SetScript([this, answer](CPrompt::Kind kind, const std::string& text) {
            m_asked.push_back(text);
            m_kinds.push_back(kind);
            return answer;
        });
    }

    CScopedTimeZone m_zone{"Europe/Rome"};
    CTempDir m_dir;
    CMemoryStore m_store;
    std::vector<std::string> m_asked;
    std::vector<CPrompt::Kind> m_kinds;
};

TEST_F(HistoryWindow, OpensOnTodayWithTheDefaultLayout)
{
    CHistoryFrame* frame = Open();
    EXPECT_EQ(frame->windowTitle().toStdString(), "Zelmorin - History");
    // The outer rectangle: the first run's place, as wide as the tree and the columns need.
    const QRect outer = frame->frameGeometry();
    EXPECT_EQ(outer.topLeft(), QPoint(40, 100));
    EXPECT_EQ(outer.height(), DefaultHeight());
    int columns = 0;
    for (int i = 0; i < 4; ++i)
        columns += frame->GetList()->columnWidth(i);
    EXPECT_GE(outer.width(), frame->GetSplitter()->sizes().value(0) + columns);
    EXPECT_EQ(frame->GetFilterBox()->itemText(0).toStdString(), " All connections");
    EXPECT_EQ(frame->GetFilterBox()->count(), 4);

    // Zero-length connections count nowhere: 15 May has no node.
    EXPECT_EQ(TreeTexts(frame->GetTree()).join('\n').toStdString(),
              "April 1999 = 00:30:00\n  02/04/1999 = 00:30:00\nMay 1999 = 02:02:03\n  14/05/1999 = 02:02:03");
    QTreeWidgetItem* current = frame->GetTree()->currentItem();
    ASSERT_NE(current, nullptr);
    EXPECT_EQ(current->text(0).toStdString(), "14/05/1999 = 02:02:03");
    EXPECT_FALSE(frame->GetTree()->topLevelItem(0)->isExpanded()); // only today's month opens
    EXPECT_TRUE(frame->GetTree()->topLevelItem(1)->isExpanded());
    EXPECT_EQ(ListRows(frame->GetList()).join('\n').toStdString(),
              "14/05/1999 09:00:00|14/05/1999 10:02:03|01:02:03|Office\n"
              "14/05/1999 11:00:00|14/05/1999 12:00:00|01:00:00|Home\n"
              "14/05/1999 13:00:00|14/05/1999 13:00:00|00:00:00|Office");
    // The period Selection prints is the highlighted day.
    EXPECT_EQ(frame->GetDocument().m_timeFrom, CTime(1999, 5, 14, 0, 0, 0));
    EXPECT_EQ(frame->GetDocument().m_timeTo, CTime(1999, 5, 15, 0, 0, 0));
    frame->close();
}

// Names come from strangers: the list's tips show them as text, never as markup.
TEST_F(HistoryWindow, HostileNamesShowAsTextInTheListsTips)
{
    const std::vector<std::string> names = {"<font color=red>Red</font>", "<img src=\"/etc/hostname\">",
                                            "<b>a</b> &amp; b"};
    std::string text;
    for (const std::string& name : names)
        text += "14/05/1999 09:00:00  14/05/1999 10:00:00  x  " + name + "\r\n";
    WriteFile(Log(), text);
    CHistoryFrame* frame = Open();
    CHistoryList* list = frame->GetList();
    ASSERT_EQ(list->topLevelItemCount(), int(names.size()));
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        EXPECT_EQ(ShownTipText(list->topLevelItem(i)->toolTip(3)).toStdString(), names[std::size_t(i)]);
    frame->close();
}

TEST_F(HistoryWindow, EntryFilter)
{
    CHistoryFrame* frame = Open();
    std::string home = "Home";
    frame->SelectEntry(&home);
    EXPECT_EQ(frame->GetFilterBox()->currentText().toStdString(), "Home");
    EXPECT_EQ(TreeTexts(frame->GetTree()).join('\n').toStdString(),
              "April 1999 = 00:30:00\n  02/04/1999 = 00:30:00\nMay 1999 = 01:00:00\n  14/05/1999 = 01:00:00");
    EXPECT_EQ(ListRows(frame->GetList()).size(), 1);

    // A name the box does not hold, or holds only in another case, still filters.
    for (std::string name : {"Elsewhere", "office"}) {
        frame->SelectEntry(&name);
        EXPECT_EQ(frame->GetFilterBox()->currentIndex(), 0) << name;
        EXPECT_EQ(frame->GetDocument().m_strFilter, name);
        EXPECT_EQ(frame->GetTree()->topLevelItemCount(), 0) << name;
    }
    std::string all;
    frame->SelectEntry(&all);
    EXPECT_EQ(frame->GetFilterBox()->currentIndex(), 0);
    EXPECT_EQ(frame->GetTree()->topLevelItemCount(), 2);
    frame->close();
}

TEST_F(HistoryWindow, UserSelectionsSetThePeriodAndTheList)
{
    CHistoryFrame* frame = Open();
    CHistoryTree* tree = frame->GetTree();
    tree->setFocus();
    tree->setCurrentItem(tree->topLevelItem(0)); // April
    EXPECT_EQ(frame->GetDocument().m_timeFrom, CTime(1999, 4, 1, 0, 0, 0));
    EXPECT_EQ(frame->GetDocument().m_timeTo, CTime(1999, 5, 1, 0, 0, 0));
    EXPECT_TRUE(ListRows(frame->GetList()).isEmpty());

    // With a month chosen, a refresh comes back to today, not to the month, and so does the
    // period.
    frame->GetDocument().SetFilter("");
    EXPECT_EQ(tree->currentItem()->text(0).toStdString(), "14/05/1999 = 02:02:03");
    EXPECT_EQ(frame->GetDocument().m_timeFrom, CTime(1999, 5, 14, 0, 0, 0));

    tree->topLevelItem(0)->setExpanded(true);
    QTest::keyClick(tree, Qt::Key_Up); // the arrow keys are a user's choice too
    EXPECT_EQ(frame->GetDocument().m_timeFrom, CTime(1999, 5, 1, 0, 0, 0));
    frame->close();
}

TEST_F(HistoryWindow, DeletingADayAsksFirstAndKeepsTheLines)
{
    CHistoryFrame* frame = Open();
    frame->EnableEditing(1);
    CHistoryTree* tree = frame->GetTree();

    Answer(false);
    QTest::keyClick(tree, Qt::Key_Delete);
    ASSERT_EQ(m_asked.size(), 1u);
    EXPECT_EQ(m_asked[0], "You selected to delete an entire day's history.\n"
                          "If you proceed with this operation, you will permanently loose these data.\n\n"
                          "Are you sure to delete the \"14/05/1999 = 02:02:03\" connections?");
    EXPECT_EQ(ReadFile(Log()), kLog);

    // Meanwhile the main window logs a connection: the delete must not lose it.
    CConnectionLog monitor(Log());
    monitor.Append(CTime(1999, 5, 14, 17, 0, 0), CTime(1999, 5, 14, 17, 10, 0), "Late");

    Answer(true);
    frame->GetTree()->DeletePeriod();
    std::string text = ReadFile(Log());
    EXPECT_NE(text.find("*14/05/1999 09:00:00"), std::string::npos);
    EXPECT_NE(text.find("*14/05/1999 11:00:00"), std::string::npos); // every entry, not only the filtered
    EXPECT_NE(text.find("\r\n14/05/1999 17:00:00  14/05/1999 17:10:00  00:10:00  Late\r\n"), std::string::npos);
    // The remembered day comes back with what is left of it.
    EXPECT_EQ(TreeTexts(tree).join('\n').toStdString(),
              "April 1999 = 00:30:00\n  02/04/1999 = 00:30:00\nMay 1999 = 00:10:00\n  14/05/1999 = 00:10:00");
    frame->close();
}

TEST_F(HistoryWindow, EditingOffMeansNoMenuAndNoDelete)
{
    CHistoryFrame* frame = Open();
    Answer(true);
    frame->GetList()->selectAll();
    QTest::keyClick(frame->GetList(), Qt::Key_Delete);
    QTest::keyClick(frame->GetTree(), Qt::Key_Delete);
    EXPECT_TRUE(m_asked.empty());
    QTest::mouseClick(frame->GetList()->viewport(), Qt::LeftButton);
    // A menu would be up by the time the timer comes, whether it blocked or not.
    bool shown = false, looked = false;
    QTimer::singleShot(50, [&] {
        if (QApplication::activePopupWidget()) {
            shown = true;
            QApplication::activePopupWidget()->close();
        }
        looked = true;
    });
    frame->OnContextMenu(QPoint(100, 100));
    ASSERT_TRUE(QTest::qWaitFor([&] { return looked; }, kPatienceMs));
    EXPECT_FALSE(shown);
    EXPECT_EQ(ReadFile(Log()), kLog);
    frame->close();
}

TEST_F(HistoryWindow, ListDeleteQuestionAndMenuStates)
{
    CHistoryFrame* frame = Open();
    frame->EnableEditing(1);
    CHistoryList* list = frame->GetList();
    auto menuStates = [&] {
        QString states;
        QTimer::singleShot(50, [&] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                for (QAction* a : menu->actions())
                    states += a->text() + (a->isEnabled() ? "+" : "-") + " ";
                menu->close();
            }
        });
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          list->visualItemRect(list->topLevelItem(2)).center());
        list->topLevelItem(2)->setSelected(false);
        frame->OnContextMenu(list->viewport()->mapToGlobal(QPoint(5, 5)));
        return states.trimmed().toStdString();
    };
    list->clearSelection();
    EXPECT_EQ(menuStates(), "Delete...- Edit...- Add...+");
    list->topLevelItem(0)->setSelected(true);
    list->topLevelItem(1)->setSelected(true);
    EXPECT_EQ(menuStates(), "Delete...+ Edit...- Add...+");

    Answer(false);
    list->DeleteSelected();
    list->clearSelection();
    list->topLevelItem(0)->setSelected(true);
    list->DeleteSelected();
    ASSERT_EQ(m_asked.size(), 2u);
    EXPECT_EQ(m_asked[0].substr(0, m_asked[0].find('\n')), "You selected to delete 2 connections.");
    EXPECT_EQ(m_asked[1], "You selected to delete 1 connection.\n"
                          "If you continue with this operation, you will permanently loose these data.\n\n"
                          "Are you sure to proceed?");
    EXPECT_EQ(m_kinds[1], CPrompt::Kind::Question);

    Answer(true);
    list->DeleteSelected();
    EXPECT_NE(ReadFile(Log()).find("\r\n*14/05/1999 09:00:00"), std::string::npos);
    EXPECT_EQ(ListRows(list).size(), 2); // the rest of the remembered day
    frame->close();
}

TEST_F(HistoryWindow, AFileErrorIsShownAndTheWindowStays)
{
    CHistoryFrame* frame = Open();
    frame->EnableEditing(1);
    // The log turned into a folder: it can be neither read back nor replaced.
    std::remove(Log().c_str());
    mkdir(Log().c_str(), 0755);
    Answer(true);
    frame->GetList()->topLevelItem(0)->setSelected(true);
    frame->GetList()->DeleteSelected();
    ASSERT_EQ(m_asked.size(), 2u);
    EXPECT_EQ(m_kinds[1], CPrompt::Kind::Stop);
    EXPECT_NE(m_asked[1].find(Log()), std::string::npos) << m_asked[1];
    // The change is kept in memory and the views were not refreshed from a failed read.
    EXPECT_EQ(frame->GetDocument().GetLog()->GetConnection(1)->m_bDeleted, 1);
    EXPECT_EQ(ListRows(frame->GetList()).size(), 3);
    EXPECT_TRUE(frame->isVisible());
    rmdir(Log().c_str());
    frame->close();
}

TEST_F(HistoryWindow, ClosingSavesTheLayoutAndFreesTheOwner)
{
    QWidget owner;
    int closed = 0;
    CHistoryFrame* frame = Open(&owner, [&] { ++closed; });
    EXPECT_FALSE(owner.isEnabled());
    frame->GetSplitter()->setSizes({200, 300});
    frame->GetList()->setColumnWidth(3, 99);
    const int width = frame->frameGeometry().width();
    frame->close();
    EXPECT_TRUE(owner.isEnabled());
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(m_store.m_values["History/PosX"], "40");
    EXPECT_EQ(m_store.m_values["History/TreeWidth"], "200");
    EXPECT_EQ(m_store.m_values["History/ColWidth3"], "99");
    EXPECT_EQ(m_store.m_values["History/Width"], std::to_string(width));

    // A stored rectangle that fits comes back; one reaching the screen's edge does not.
    m_store.m_values["History/PosX"] = "-50";
    m_store.m_values["History/Width"] = "500";
    m_store.m_values["History/Height"] = "200";
    frame = Open();
    EXPECT_EQ(frame->frameGeometry(), QRect(-50, 100, 500, 200));
    frame->close();
    m_store.m_values["History/PosX"] = "300"; // 300 + 500 = the offscreen screen's 800
    frame = Open();
    EXPECT_EQ(frame->frameGeometry().topLeft(), QPoint(40, 100));
    EXPECT_EQ(frame->frameGeometry().height(), DefaultHeight());
    frame->close();
}

TEST_F(HistoryWindow, WithoutAStoredLayoutEveryTextFits)
{
    CHistoryFrame* frame = Open();
    CHistoryTree* tree = frame->GetTree();
    CHistoryList* list = frame->GetList();
    tree->expandAll();
    const QFontMetrics treeFont(tree->font());
    const int treeWidth = frame->GetSplitter()->sizes().value(0);
    for (QTreeWidgetItem* item : tree->findItems(QStringLiteral("*"), Qt::MatchWildcard | Qt::MatchRecursive)) {
        const int level = item->parent() ? 2 : 1;
        EXPECT_LT(treeFont.horizontalAdvance(item->text(0)) + level * tree->indentation(), treeWidth)
            << item->text(0).toStdString();
    }
    const QFontMetrics listFont(list->font());
    for (int row = 0; row < list->topLevelItemCount(); ++row)
        for (int c = 0; c < 4; ++c)
            EXPECT_LT(listFont.horizontalAdvance(list->topLevelItem(row)->text(c)), list->columnWidth(c))
                << list->topLevelItem(row)->text(c).toStdString();
    frame->close();

    // Stored widths win, however narrow.
    m_store.m_values.clear();
    m_store.m_values["History/TreeWidth"] = "90";
    m_store.m_values["History/ColWidth0"] = "70";
    frame = Open();
    EXPECT_EQ(frame->GetSplitter()->sizes().value(0), 90);
    EXPECT_EQ(frame->GetList()->columnWidth(0), 70);
    EXPECT_GT(frame->GetList()->columnWidth(1), 70); // not stored: fitted
    frame->close();
}

TEST_F(HistoryWindow, TheTreeDrawsItsLines)
{
    CHistoryFrame* frame = Open();
    CHistoryTree* tree = frame->GetTree();
    tree->topLevelItem(0)->setExpanded(true);
    QTreeWidgetItem* day = tree->topLevelItem(0)->child(0); // April's, not highlighted
    const QRect row = tree->visualItemRect(day);
    const QImage image = tree->viewport()->grab().toImage();
    const QColor base = image.pixelColor(1, image.height() - 2); // below the last row
    // The month's line runs down beside the day; the branch runs across to the day's label.
    int marked = 0;
    for (int x = row.left() - tree->indentation(); x < row.left(); ++x)
        if (image.pixelColor(x, row.top() + row.height() / 2) != base)
            ++marked;
    EXPECT_GE(marked, 3);
    frame->close();
}

TEST_F(HistoryWindow, FocusAloneChoosesNothing)
{
    CHistoryFrame* frame = Open();
    frame->EnableEditing(1);
    CHistoryTree* tree = frame->GetTree();
    // The selected day is deleted: May has no node left and nothing is highlighted.
    Answer(true);
    for (QTreeWidgetItem* item : {tree->topLevelItem(0), tree->topLevelItem(1)->child(0)}) // as the user picks
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, tree->visualItemRect(item).center());
    ASSERT_EQ(frame->GetDocument().m_timeFrom, CTime(1999, 5, 14, 0, 0, 0));
    tree->DeletePeriod();
    ASSERT_EQ(TreeTexts(tree).join('\n').toStdString(), "April 1999 = 00:30:00\n  02/04/1999 = 00:30:00");
    ASSERT_TRUE(tree->selectedItems().isEmpty());
    m_asked.clear();

    // Tab brings the focus back to the tree; Qt gives its first item the focus.
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
    frame->GetList()->setFocus(Qt::OtherFocusReason);
    for (int i = 0; i < 10 && !tree->hasFocus(); ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_TRUE(tree->hasFocus());
    ASSERT_NE(tree->currentItem(), nullptr);
    EXPECT_TRUE(tree->selectedItems().isEmpty());
    QTest::keyClick(tree, Qt::Key_Delete);
    EXPECT_TRUE(m_asked.empty());
    EXPECT_TRUE(CHistoryPrinter::BodyLines(frame->GetDocument(), true).empty());
    EXPECT_EQ(ReadFile(Log()).substr(0, 21), "02/04/1999 08:00:00  "); // April untouched

    // Print, Selection through the real dialog prints nothing.
    CHistoryPrinter::SetDialogRunner([this](QPrintDialog& dialog) {
        dialog.printer()->setOutputFormat(QPrinter::PdfFormat);
        dialog.printer()->setOutputFileName(QString::fromStdString(m_dir.File("selection.pdf")));
        dialog.setPrintRange(QAbstractPrintDialog::Selection);
        return int(QDialog::Accepted);
    });
    frame->OnPrint();
    CHistoryPrinter::SetDialogRunner(nullptr);
    EXPECT_FALSE(FileExists(m_dir.File("selection.pdf")));
    frame->close();
}

TEST_F(HistoryWindow, CtrlClickOffTheDayLeavesNothingToDelete)
{
    CHistoryFrame* frame = Open();
    frame->EnableEditing(1);
    CHistoryTree* tree = frame->GetTree();
    const QPoint april = tree->visualItemRect(tree->topLevelItem(0)).center();
    const QPoint at = tree->visualItemRect(tree->topLevelItem(1)->child(0)).center();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, april);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    ASSERT_EQ(frame->GetDocument().m_timeFrom, CTime(1999, 5, 14, 0, 0, 0));
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::ControlModifier, at);
    ASSERT_TRUE(tree->selectedItems().isEmpty());

    Answer(true);
    QTest::keyClick(tree, Qt::Key_Delete);
    EXPECT_TRUE(m_asked.empty());
    EXPECT_EQ(ReadFile(Log()), kLog);
    EXPECT_TRUE(CHistoryPrinter::BodyLines(frame->GetDocument(), true).empty());
    EXPECT_TRUE(ListRows(frame->GetList()).isEmpty());
    frame->close();
}

TEST_F(HistoryWindow, TheFirstWindowGivesTheListsMostOfItsHeightAndShowsToday)
{
    // Two connections a day from 1 March: today, 14 May, is the 75th day, at the tree's foot.
    std::string log;
    for (CTime day(1999, 3, 1, 12, 0, 0); day <= CTime(1999, 5, 14, 23, 0, 0); day = day + CTimeSpan(86400))
        for (const std::string time : {"09:00:00  ", "20:00:00  "}) {
            const std::string date = day.Format("%d/%m/%Y ");
            log += date + time + date + time.substr(0, 3) + "30:00  x  Office\r\n";
        }
    WriteFile(Log(), log);
    CHistoryFrame* frame = Open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
    CHistoryTree* tree = frame->GetTree();
    ASSERT_NE(tree->currentItem(), nullptr);
    ASSERT_EQ(tree->currentItem()->text(0).toStdString(), "14/05/1999 = 01:00:00");
    const QList<int> heights = frame->GetChartSplitter()->sizes();
    EXPECT_GT(heights.value(0), frame->height() / 2);
    EXPECT_GT(heights.value(0), 2 * heights.value(1));
    EXPECT_GT(frame->GetChartView()->height(), 0); // the chart is still there
    // Today's day is in view in the tree, and so are its connections in the list.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return tree->viewport()->rect().contains(tree->visualItemRect(tree->currentItem())); }, kPatienceMs))
        << tree->visualItemRect(tree->currentItem()).y() << " in " << tree->viewport()->height();
    EXPECT_EQ(ListRows(frame->GetList()).size(), 2);
    frame->close();
}

TEST_F(HistoryWindow, SelectionIsWhatIsHighlightedAfterTheFilterChanges)
{
    // 2 April also holds a zero-length Office connection: under Office the day has no node.
    WriteFile(Log(), std::string(kLog) + "02/04/1999 09:00:00  02/04/1999 09:00:00  x  Office\r\n");
    CHistoryFrame* frame = Open();
    CHistoryTree* tree = frame->GetTree();
    QComboBox* filter = frame->GetFilterBox();
    auto click = [tree](QTreeWidgetItem* item) {
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, tree->visualItemRect(item).center());
    };
    auto choose = [filter](const char* name) {
        filter->setCurrentIndex(filter->findText(QString::fromLatin1(name)));
        emit filter->activated(filter->currentIndex());
    };
    auto printed = [frame] { return CHistoryPrinter::BodyLines(frame->GetDocument(), true); };
    auto highlighted = [tree] {
        return tree->selectedItems().isEmpty() ? std::string() : tree->selectedItems().front()->text(0).toStdString();
    };

    // Opening highlights today, and Selection prints today.
    EXPECT_EQ(highlighted(), "14/05/1999 = 02:02:03");
    EXPECT_EQ(printed().size(), 3u);

    // A month chosen, then the filter changed twice: today comes back highlighted, and printed.
    click(tree->topLevelItem(0));
    ASSERT_EQ(highlighted(), "April 1999 = 00:30:00");
    choose("Home");
    choose(" All connections");
    EXPECT_EQ(highlighted(), "14/05/1999 = 02:02:03");
    std::vector<std::string> lines = printed();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines.front().substr(0, 19), "14/05/1999 09:00:00");

    // Under a filter the text follows it, as the tree and the chart do.
    choose("Home");
    EXPECT_EQ(highlighted(), "14/05/1999 = 01:00:00");
    lines = printed();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines.front().substr(0, 19), "14/05/1999 11:00:00");

    // A day chosen, then a filter under which it has no node: nothing is highlighted, nothing
    // is printed, through the real Print command too.
    choose(" All connections");
    tree->topLevelItem(0)->setExpanded(true);
    click(tree->topLevelItem(0)->child(0));
    ASSERT_EQ(highlighted(), "02/04/1999 = 00:30:00");
    ASSERT_EQ(printed().size(), 2u);
    choose("Office");
    EXPECT_EQ(highlighted(), "");
    EXPECT_TRUE(printed().empty());
    const QAbstractPrintDialog::PrintRange ranges[] = {QAbstractPrintDialog::AllPages, QAbstractPrintDialog::Selection};
    for (auto range : ranges) {
        const std::string pdf = m_dir.File(range == QAbstractPrintDialog::Selection ? "selection.pdf" : "all.pdf");
        CHistoryPrinter::SetDialogRunner([&](QPrintDialog& dialog) {
            dialog.printer()->setOutputFormat(QPrinter::PdfFormat);
            dialog.printer()->setOutputFileName(QString::fromStdString(pdf));
            dialog.setPrintRange(range);
            return int(QDialog::Accepted);
        });
        frame->OnPrint();
        EXPECT_EQ(FileExists(pdf), range == QAbstractPrintDialog::AllPages) << pdf;
    }
    CHistoryPrinter::SetDialogRunner(nullptr);
    frame->close();
}

} // namespace

namespace {

// Runs `step` on the editor once it is shown; it must close it.
void WithEditor(std::function<void(QDialog*)> step)
{
    QTimer::singleShot(50, [step] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        step(dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
}

void Retype(QDialog* dialog, const char* name, const char* text)
{
    auto* edit = dialog->findChild<QLineEdit*>(QString::fromLatin1(name));
    ASSERT_NE(edit, nullptr) << name;
    edit->selectAll();
    QTest::keyClicks(edit, QString::fromLatin1(text));
}

TEST_F(HistoryWindow, DeletingAMonthMarksEveryEntry)
{
    CHistoryFrame* frame = Open();
    frame->EnableEditing(1);
    std::string home = "Home";
    frame->SelectEntry(&home);
    CHistoryTree* tree = frame->GetTree();
    tree->setCurrentItem(tree->topLevelItem(1)); // May, as the user picks it
    Answer(true);
    tree->DeletePeriod();
    EXPECT_EQ(m_asked.front().substr(0, m_asked.front().find('\n')),
              "You selected to delete an entire month's history.");
    std::string text = ReadFile(Log());
    EXPECT_EQ(std::count(text.begin(), text.end(), '*'), 4); // Office's too, zero-length ones too
    std::string all;
    frame->SelectEntry(&all);
    EXPECT_EQ(TreeTexts(tree).join('\n').toStdString(), "April 1999 = 00:30:00\n  02/04/1999 = 00:30:00");
    frame->close();
}

TEST_F(HistoryWindow, EditMovesAConnectionToAnotherDay)
{
    CHistoryFrame* frame = Open();
    frame->EnableEditing(1);
    CHistoryList* list = frame->GetList();
    list->topLevelItem(1)->setSelected(true); // Home, 11:00-12:00
    WithEditor([](QDialog* dialog) { dialog->reject(); });
    list->EditSelected();
    EXPECT_EQ(ReadFile(Log()), kLog);

    WithEditor([](QDialog* dialog) {
        Retype(dialog, "edit1061", "16");
        Retype(dialog, "edit1063", "16");
        dialog->accept();
    });
    list->EditSelected();
    EXPECT_NE(ReadFile(Log()).find("16/05/1999 11:00:00  16/05/1999 12:00:00  01:00:00  Home"), std::string::npos)
        << ReadFile(Log());
    // The remembered day no longer lists it; the tree has the new day.
    EXPECT_EQ(ListRows(list).size(), 2);
    EXPECT_TRUE(TreeTexts(frame->GetTree()).contains("  16/05/1999 = 01:00:00"));
    frame->close();
}

TEST_F(HistoryWindow, AddWithOkAndCancel)
{
    CHistoryFrame* frame = Open();
    frame->EnableEditing(1);
    WithEditor([](QDialog* dialog) { dialog->reject(); });
    frame->GetTree()->AddManualConnection();
    EXPECT_EQ(ReadFile(Log()), kLog);

    // Now is 14/05/1999 18:00; the new connection lasts ten minutes, in a month with no node.
    WithEditor([](QDialog* dialog) {
        Retype(dialog, "edit1039", "2001");
        Retype(dialog, "edit1040", "2001");
        Retype(dialog, "edit1057", "10");
        dialog->accept();
    });
    frame->GetList()->AddManualConnection();
    std::string text = ReadFile(Log());
    EXPECT_NE(text.find("14/05/2001 18:00:00  14/05/2001 18:10:00  00:10:00  Unknown\r\n"), std::string::npos) << text;
    EXPECT_TRUE(TreeTexts(frame->GetTree()).contains("May 2001 = 00:10:00"));
    // The tree still comes back to the remembered day.
    EXPECT_EQ(frame->GetTree()->currentItem()->text(0).toStdString(), "14/05/1999 = 02:02:03");
    frame->close();
}

// The log's folder takes no new file while the log itself stays writable: an append works and
// a rewrite does not. Root passes every permission, so a test run as root acts as "nobody"
// meanwhile, whose log it then is (another user's log is never written).
class CFolderRefusingNewFiles
{
public:
    CFolderRefusingNewFiles(const std::string& folder, const std::string& log) : m_folder(folder)
    {
        chmod(log.c_str(), 0666);
        chmod(folder.c_str(), 0555);
        if (geteuid() == 0 && chown(log.c_str(), 65534, 65534) == 0 && seteuid(65534) == 0)
            m_wasRoot = true;
    }
    ~CFolderRefusingNewFiles()
    {
        if (m_wasRoot && seteuid(0) != 0)
            ADD_FAILURE() << "cannot become root again";
        chmod(m_folder.c_str(), 0700);
    }
    void MakeWritable()
    {
        if (m_wasRoot && seteuid(0) != 0)
            ADD_FAILURE() << "cannot become root again";
        chmod(m_folder.c_str(), 0777);
        if (m_wasRoot && seteuid(65534) != 0)
            ADD_FAILURE() << "cannot act as nobody again";
    }

private:
    std::string m_folder;
    bool m_wasRoot = false;
};

TEST_F(HistoryWindow, AKeptChangeSurvivesAnAdd)
{
    CHistoryFrame* frame = Open();
    frame->EnableEditing(1);
    CHistoryList* list = frame->GetList();
    CFolderRefusingNewFiles folder(m_dir.Path(), Log());
    Answer(true);
    list->topLevelItem(0)->setSelected(true); // Office, 09:00
    list->DeleteSelected();
    ASSERT_EQ(m_kinds.back(), CPrompt::Kind::Stop) << m_asked.back();
    ASSERT_EQ(ReadFile(Log()), kLog);

    // Add while the folder still refuses: both changes are kept, nothing reaches the file.
    WithEditor([](QDialog* dialog) {
        Retype(dialog, "edit1057", "10");
        dialog->accept();
    });
    list->AddManualConnection();
    EXPECT_EQ(m_kinds.back(), CPrompt::Kind::Stop);
    EXPECT_EQ(ReadFile(Log()), kLog);
    EXPECT_EQ(frame->GetDocument().GetLog()->GetConnection(1)->m_bDeleted, 1);

    // The folder takes files again: the next change writes all three.
    folder.MakeWritable();
    m_asked.clear();
    WithEditor([](QDialog* dialog) {
        Retype(dialog, "edit1057", "20");
        dialog->accept();
    });
    frame->GetTree()->AddManualConnection();
    EXPECT_TRUE(m_asked.empty()) << m_asked.front();
    std::string text = ReadFile(Log());
    EXPECT_NE(text.find("*14/05/1999 09:00:00  14/05/1999 10:02:03"), std::string::npos) << text;
    EXPECT_NE(text.find("14/05/1999 18:00:00  14/05/1999 18:10:00  00:10:00  Unknown\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("14/05/1999 18:00:00  14/05/1999 18:20:00  00:20:00  Unknown\r\n"), std::string::npos) << text;
    EXPECT_EQ(ListRows(list).size(), 4); // the rest of the day and the two new ones
    frame->close();
}

TEST_F(HistoryWindow, MessagesNameTheLogByItsFullPath)
{
    const std::string previous = std::filesystem::current_path().string();
    std::filesystem::current_path(m_dir.Path());
    auto* frame = new CHistoryFrame(std::make_unique<CHistoryDoc>("Zelmorin.Log"), m_store, {}, nullptr, nullptr);
    std::filesystem::current_path(previous);
    frame->show();
    frame->EnableEditing(1);
    std::remove(Log().c_str());
    mkdir(Log().c_str(), 0755);
    Answer(true);
    frame->GetList()->topLevelItem(0)->setSelected(true);
    frame->GetList()->DeleteSelected();
    ASSERT_EQ(m_asked.size(), 2u);
    EXPECT_NE(m_asked[1].find("the log file " + Log() + ":"), std::string::npos) << m_asked[1];
    rmdir(Log().c_str());
    frame->close();
}

} // namespace
