#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSplitter>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <sys/resource.h>
#include <utility>

#include "AllowanceSettings.h"
#include "Clock.h"
#include "ConnectionLog.h"
#include "FakeSettingsStore.h"
#include "HistoryDoc.h"
#include "HistoryFrame.h"
#include "HistoryPrinter.h"
#include "HistoryTree.h"
#include "LogMonth.h"
#include "Prompt.h"
#include "TestSupport.h"
#include "ThemeColors.h"
#include "UsageChart.h"
#include "UsageChartView.h"

namespace {

using Scale = CUsageChart::Scale;

// Office and Home in April and May 1999, Office once in January 2000.
const char* const kLog = "14/05/1999 09:00:00  14/05/1999 10:02:03  x  Office\r\n"
                         "14/05/1999 11:00:00  14/05/1999 12:00:00  x  Home\r\n"
                         "15/05/1999 13:00:00  15/05/1999 13:30:00  x  Home\r\n"
                         "31/05/1999 22:00:00  31/05/1999 23:00:00  x  Office\r\n"
                         "02/04/1999 08:00:00  02/04/1999 08:30:00  x  Home\r\n"
                         "20/04/1999 08:00:00  20/04/1999 10:00:00  x  Office\r\n"
                         "03/01/2000 08:00:00  03/01/2000 08:10:00  x  Office\r\n";

std::vector<long long> Seconds(const CUsageChart& chart)
{
    std::vector<long long> seconds;
    for (const auto& bar : chart.m_bars)
        seconds.push_back(bar.nSeconds);
    return seconds;
}

QStringList Labels(const CUsageChart& chart)
{
    QStringList labels;
    for (const auto& bar : chart.m_bars)
        labels << bar.strLabel;
    return labels;
}

// Pixels within a small distance of colour: fills keep their colour, only edges are blended.
int CountColour(const QImage& image, const QColor& colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (std::abs(pixel.red() - colour.red()) < 10 && std::abs(pixel.green() - colour.green()) < 10 &&
                std::abs(pixel.blue() - colour.blue()) < 10)
                ++count;
        }
    return count;
}

class UsageChart : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Month abbreviations as the C library names them without a language.
        m_timeLocale = std::setlocale(LC_TIME, nullptr);
        std::setlocale(LC_TIME, "C");
        CScopedClock::Set(CTime(1999, 5, 14, 18, 0, 0).GetTime());
        WriteFile(m_dir.File("Zelmorin.Log"), kLog);
        m_log.Load();
    }
    void TearDown() override
    {
        SetClockHook(nullptr);
        std::setlocale(LC_TIME, m_timeLocale.c_str());
    }

    CScopedTimeZone m_zone{"Europe/Rome"};
    CTempDir m_dir;
    CConnectionLog m_log{m_dir.File("Zelmorin.Log")};
    std::string m_timeLocale;
};

TEST_F(UsageChart, AllowanceIsSpreadEvenlyOverEachBar)
{
    const CUsageChart::SAllowance day{1, 2 * 3600}, week{2, 7 * 3600}, month{3, 31 * 3600};
    // Day bars: the day's allowance as it is, a seventh of the week's, the month's by its days.
    EXPECT_DOUBLE_EQ(CUsageChart::AllowanceForBar(day, Scale::Days, 1999, 5), 7200);
    EXPECT_DOUBLE_EQ(CUsageChart::AllowanceForBar(week, Scale::Days, 1999, 5), 3600);
    EXPECT_DOUBLE_EQ(CUsageChart::AllowanceForBar(month, Scale::Days, 1999, 1), 3600);
    EXPECT_DOUBLE_EQ(CUsageChart::AllowanceForBar(month, Scale::Days, 1999, 4), 31 * 3600 / 30.0);
    EXPECT_DOUBLE_EQ(CUsageChart::AllowanceForBar(month, Scale::Days, 1999, 2), 31 * 3600 / 28.0);
    EXPECT_DOUBLE_EQ(CUsageChart::AllowanceForBar(month, Scale::Days, 2000, 2), 31 * 3600 / 29.0);
    // Month bars: the month's as it is, the week's and the day's times the month's days.
    EXPECT_DOUBLE_EQ(CUsageChart::AllowanceForBar(month, Scale::Months, 1999, 2), 31 * 3600);
    EXPECT_DOUBLE_EQ(CUsageChart::AllowanceForBar(week, Scale::Months, 1999, 12), 31 * 3600);
    EXPECT_DOUBLE_EQ(CUsageChart::AllowanceForBar(week, Scale::Months, 1999, 2), 28 * 3600);
    EXPECT_DOUBLE_EQ(CUsageChart::AllowanceForBar(day, Scale::Months, 2000, 2), 29 * 7200);
    EXPECT_DOUBLE_EQ(CUsageChart::AllowanceForBar(day, Scale::Months, 1999, 6), 30 * 7200);
    // Off.
    EXPECT_LT(CUsageChart::AllowanceForBar({}, Scale::Days, 1999, 5), 0);
    EXPECT_LT(CUsageChart::AllowanceForBar({}, Scale::Months, 1999, 5), 0);
}

TEST_F(UsageChart, MonthLengthsFollowTheGregorianLeapYears)
{
    EXPECT_EQ(CUsageChart::DaysInMonth(1999, 1), 31);
    EXPECT_EQ(CUsageChart::DaysInMonth(1999, 4), 30);
    EXPECT_EQ(CUsageChart::DaysInMonth(1999, 12), 31);
    EXPECT_EQ(CUsageChart::DaysInMonth(1999, 2), 28);
    EXPECT_EQ(CUsageChart::DaysInMonth(2004, 2), 29);
    EXPECT_EQ(CUsageChart::DaysInMonth(2000, 2), 29);
    EXPECT_EQ(CUsageChart::DaysInMonth(2100, 2), 28);
    EXPECT_EQ(CUsageChart::DaysInMonth(1999, 13), 0);
}

TEST_F(UsageChart, AMonthUnderAFilterHasABarForEveryDay)
{
    CUsageChart chart = CUsageChart::Build(m_log, "Office", Scale::Days, 1999, 5, {});
    ASSERT_EQ(chart.m_bars.size(), 31u);
    EXPECT_EQ(Labels(chart).first(), "1");
    EXPECT_EQ(Labels(chart).last(), "31");
    std::vector<long long> expected(31, 0);
    expected[13] = 3723; // Home's hour that day is not counted
    expected[30] = 3600;
    EXPECT_EQ(Seconds(chart), expected);
    // The same total as the tree's label of the month.
    EXPECT_EQ(chart.m_strTotal, "May 1999 = 02:02:03");
    EXPECT_EQ(chart.m_strTotal.toStdString(), m_log.FindMonth(1999, 5)->GetText("Office"));
    EXPECT_TRUE(chart.m_strAllowance.isEmpty());
    EXPECT_EQ(chart.SummaryLines(), QStringList{"May 1999 = 02:02:03"});

    chart = CUsageChart::Build(m_log, "", Scale::Days, 1999, 5, {});
    EXPECT_EQ(chart.m_bars[13].nSeconds, 3723 + 3600);
    EXPECT_EQ(chart.m_bars[14].nSeconds, 1800);
    EXPECT_EQ(chart.m_strTotal.toStdString(), m_log.FindMonth(1999, 5)->GetText(""));

    // A month the log does not have, and February's length.
    chart = CUsageChart::Build(m_log, "", Scale::Days, 2000, 2, {3, 29 * 3600});
    EXPECT_EQ(chart.m_bars.size(), 29u);
    EXPECT_EQ(Seconds(chart), std::vector<long long>(29, 0));
    EXPECT_EQ(chart.m_strTotal, "February 2000 = 00:00:00");
    EXPECT_DOUBLE_EQ(chart.m_bars[0].dAllowance, 3600);
    EXPECT_EQ(chart.m_strAllowance, "Allowance: 29:00:00 a month");
}

TEST_F(UsageChart, AYearUnderAFilterHasABarForEveryMonth)
{
    CUsageChart chart = CUsageChart::Build(m_log, "Home", Scale::Months, 1999, 5, {2, 7 * 3600});
    EXPECT_EQ(Labels(chart),
              QStringList({"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"}));
    std::vector<long long> expected(12, 0);
    expected[3] = 1800;
    expected[4] = 5400;
    EXPECT_EQ(Seconds(chart), expected);
    EXPECT_EQ(chart.m_strTotal, "1999 = 02:00:00");
    EXPECT_DOUBLE_EQ(chart.m_bars[1].dAllowance, 28 * 3600);
    EXPECT_DOUBLE_EQ(chart.m_bars[4].dAllowance, 31 * 3600);
    EXPECT_EQ(chart.m_strAllowance, "Allowance: 07:00:00 a week");
    EXPECT_EQ(chart.m_nYear, 1999);

    chart = CUsageChart::Build(m_log, "Office", Scale::Months, 2000, 1, {});
    EXPECT_EQ(chart.m_bars[0].nSeconds, 600);
    EXPECT_EQ(chart.m_nTotal, 600);
    EXPECT_LT(chart.m_bars[0].dAllowance, 0);
}

TEST_F(UsageChart, AxisStepsKeepAFewLinesOnWholeHours)
{
    EXPECT_EQ(CUsageChart::AxisStep(1), 5 * 60);
    EXPECT_EQ(CUsageChart::AxisStep(20 * 60), 5 * 60);
    EXPECT_EQ(CUsageChart::AxisStep(21 * 60), 10 * 60);
    EXPECT_EQ(CUsageChart::AxisStep(3 * 3600), 3600);
    EXPECT_EQ(CUsageChart::AxisStep(4 * 3600 + 1), 2 * 3600);
    EXPECT_EQ(CUsageChart::AxisStep(23 * 3600), 6 * 3600);
    EXPECT_EQ(CUsageChart::AxisStep(300 * 3600), 120 * 3600);
    // A short plot has room for fewer lines; none at all still gives one.
    EXPECT_EQ(CUsageChart::AxisStep(3 * 3600, 2), 2 * 3600);
    EXPECT_EQ(CUsageChart::AxisStep(3 * 3600, 1), 3 * 3600);
    EXPECT_EQ(CUsageChart::AxisStep(3 * 3600, 0), 3 * 3600);
    // Beyond the table the step stays a whole number of 31-day months.
    const long long step = CUsageChart::AxisStep(20000.0 * 3600);
    EXPECT_EQ(step % (744 * 3600), 0);
    EXPECT_GE(4 * step, 20000LL * 3600);
}

TEST_F(UsageChart, PaintDrawsTheBarsAndTheAllowanceLineInTheirColours)
{
    const CUsageChart::SColors colours = CUsageChart::SColors::Paper();
    auto render = [&](const CUsageChart& chart) {
        QImage image(600, 300, QImage::Format_RGB32);
        image.fill(Qt::green);
        QPainter painter(&image);
        chart.Paint(painter, QRectF(0, 0, 600, 300), QApplication::font(), colours, true);
        return image;
    };
    const QImage withLine = render(CUsageChart::Build(m_log, "", Scale::Days, 1999, 5, {1, 3600}));
    const QImage without = render(CUsageChart::Build(m_log, "", Scale::Days, 1999, 5, {}));
    const QImage empty = render(CUsageChart::Build(m_log, "", Scale::Days, 1999, 6, {}));
    // The whole area is painted.
    EXPECT_EQ(CountColour(without, Qt::green), 0);
    EXPECT_GT(CountColour(withLine, colours.allowance), 200);
    EXPECT_EQ(CountColour(without, colours.allowance), 0);
    EXPECT_GT(CountColour(without, colours.bar), 300);
    EXPECT_LT(CountColour(empty, colours.bar), 300); // only the legend's swatch
    // Three days have connections: three bars, their heights in proportion to their totals
    // (the legend's swatch lies above the rows counted).
    std::vector<int> heights;
    int run = 0;
    for (int x = 0; x < without.width(); ++x) {
        int column = 0;
        for (int y = 60; y < without.height(); ++y)
            column += without.pixelColor(x, y) == colours.bar ? 1 : 0;
        if (column > 0)
            run = std::max(run, column);
        else if (run > 0)
            heights.push_back(std::exchange(run, 0));
    }
    ASSERT_EQ(heights.size(), 3u);
    EXPECT_NEAR(heights[1] / double(heights[0]), 1800.0 / 7323, 0.03);
    EXPECT_NEAR(heights[2] / double(heights[0]), 3600.0 / 7323, 0.03);
}

class UsageChartWindow : public UsageChart
{
protected:
    void TearDown() override
    {
        CPrompt::SetScript(nullptr);
        CUsageChartView::SetDialogRunner(nullptr);
        CHistoryPrinter::SetDialogRunner(nullptr);
        CHistoryFrame::SetStandingInterval(std::chrono::minutes(1));
        UsageChart::TearDown();
    }
    CHistoryFrame* Open()
    {
        auto* frame = new CHistoryFrame(std::make_unique<CHistoryDoc>(m_dir.File("Zelmorin.Log")), m_store,
                                        {"Office", "Home"}, nullptr, nullptr);
        frame->show();
        return frame;
    }
    static QTreeWidgetItem* MonthNode(CHistoryTree* tree, const QString& prefix)
    {
        for (int m = 0; m < tree->topLevelItemCount(); ++m)
            if (tree->topLevelItem(m)->text(0).startsWith(prefix))
                return tree->topLevelItem(m);
        return nullptr;
    }
    void KeepPrompts()
    {
        CPrompt::SetScript([this](CPrompt::Kind kind, const std::string& text) {
            m_prompts.push_back({kind, text});
            return true;
        });
    }

    CFakeStore m_store;
    std::vector<std::pair<CPrompt::Kind, std::string>> m_prompts;
};

TEST_F(UsageChartWindow, FollowsTheTreesSelectionAndTheFilter)
{
    CHistoryFrame* frame = Open();
    CUsageChartView* view = frame->GetChartView();
    ASSERT_NE(view, nullptr);
    // The window opens on today, 14 May.
    EXPECT_EQ(view->GetChart().m_nMonth, 5);
    EXPECT_EQ(view->GetSummary()->text(), "May 1999 = 03:32:03");
    EXPECT_FALSE(view->accessibleName().isEmpty());
    EXPECT_TRUE(view->accessibleDescription().contains("14: 02:02:03")) << view->accessibleDescription().toStdString();

    // The user picks April.
    CHistoryTree* tree = frame->GetTree();
    tree->setCurrentItem(MonthNode(tree, "April"));
    EXPECT_EQ(view->GetChart().m_nMonth, 4);
    EXPECT_EQ(view->GetChart().m_bars.size(), 30u);
    EXPECT_EQ(view->GetSummary()->text(), "April 1999 = 02:30:00");

    // A day of January 2000.
    QTreeWidgetItem* january = MonthNode(tree, "January 2000");
    ASSERT_NE(january, nullptr);
    january->setExpanded(true);
    tree->setCurrentItem(january->child(0));
    EXPECT_EQ(view->GetChart().m_nYear, 2000);
    EXPECT_EQ(view->GetChart().m_bars[2].nSeconds, 600);

    // The filter: the tree is rebuilt on today, so the chart is on May again, Home's hours.
    const std::string home = "Home";
    frame->SelectEntry(&home);
    EXPECT_EQ(view->GetChart().m_nMonth, 5);
    EXPECT_EQ(view->GetSummary()->text(), "May 1999 = 01:30:00");

    // The year, still under the filter.
    view->GetScaleBox()->setCurrentIndex(1);
    emit view->GetScaleBox()->activated(1);
    EXPECT_EQ(view->GetChart().m_bars.size(), 12u);
    EXPECT_EQ(view->GetSummary()->text(), "1999 = 02:00:00");

    // Nothing highlighted: the latest month with connections under the filter.
    const std::string office = "Office";
    frame->SelectEntry(&office);
    tree->clearSelection();
    EXPECT_EQ(view->GetChart().m_nYear, 2000);
    EXPECT_EQ(view->GetSummary()->text(), "2000 = 00:10:00");
    view->SetScale(Scale::Days);
    EXPECT_EQ(view->GetSummary()->text(), "January 2000 = 00:10:00");
    frame->close();
}

TEST_F(UsageChartWindow, TheAllowanceFromTheSettingsIsDrawnAndSummed)
{
    m_store.m_values[{"Allowance", "On"}] = "1";
    m_store.m_values[{"Allowance", "Minutes"}] = "600";
    m_store.m_values[{"Allowance", "Period"}] = "2";
    CHistoryFrame* frame = Open();
    CUsageChartView* view = frame->GetChartView();
    EXPECT_DOUBLE_EQ(view->GetChart().m_bars[0].dAllowance, 36000.0 / 7);
    // The window adds where the current period stands: on Friday 14 May 1999 at 18:00, the week
    // from Sunday holds 02:02:03, and its 138 hours so far project a quarter of the allowance.
    EXPECT_TRUE(view->GetSummary()->text().endsWith(
        "May 1999 = 03:32:03\nAllowance: 10:00:00 a week\nThis period so "
        "far: 02:02:03 used of 10:00:00, 07:57:57 left\nAt this pace 75 % is left at the period's end"))
        << view->GetSummary()->text().toStdString();
    // The page and the PNG draw the summary a line at a time: no line may hold a break.
    EXPECT_EQ(view->GetChart().SummaryLines().mid(2),
              (QStringList{"This period so far: 02:02:03 used of 10:00:00, 07:57:57 left",
                           "At this pace 75 % is left at the period's end"}));
    frame->close();

    // A day later the Saturday's connection counts too.
    CScopedClock::Set(CTime(1999, 5, 15, 18, 0, 0).GetTime());
    frame = Open();
    view = frame->GetChartView();
    EXPECT_TRUE(view->GetSummary()->text().endsWith(
        "This period so far: 02:32:03 used of 10:00:00, 07:27:57 left\nAt this pace 73 % is left at the period's end"))
        << view->GetSummary()->text().toStdString();
    int asked = 0;
    view->SetExtraSummary([&asked] {
        ++asked;
        return QStringLiteral("Pace: 40 % left at the end of the week");
    });
    EXPECT_EQ(view->GetSummary()->text(),
              "May 1999 = 03:32:03\nAllowance: 10:00:00 a week\nPace: 40 % left at the end of the week");
    // The extra line stays through a rebuild.
    frame->GetTree()->setCurrentItem(MonthNode(frame->GetTree(), "April"));
    EXPECT_TRUE(view->GetSummary()->text().endsWith("week\nPace: 40 % left at the end of the week"));
    EXPECT_GE(asked, 2); // asked again at the rebuild, so that it follows the log
    frame->close();

    // Off: no line, whatever amount is stored.
    m_store.m_values[{"Allowance", "On"}] = "0";
    frame = Open();
    EXPECT_LT(frame->GetChartView()->GetChart().m_bars[0].dAllowance, 0);
    EXPECT_EQ(frame->GetChartView()->GetSummary()->text(), "May 1999 = 03:32:03");
    frame->close();
}

TEST_F(UsageChartWindow, ThisPeriodSoFarIsCountedAgainWhileTheWindowIsOpen)
{
    m_store.m_values[{"Allowance", "On"}] = "1";
    m_store.m_values[{"Allowance", "Minutes"}] = "600";
    m_store.m_values[{"Allowance", "Period"}] = "2";
    CHistoryFrame::SetStandingInterval(std::chrono::milliseconds(1));
    CHistoryFrame* frame = Open();
    QLabel* summary = frame->GetChartView()->GetSummary();
    auto shows = [summary](const char* text) { return summary->text().contains(QString::fromLatin1(text)); };
    ASSERT_TRUE(shows("This period so far: 02:02:03 used of 10:00:00")) << summary->text().toStdString();

    // Into the next week, with nothing touched: the new week has nothing used yet.
    CScopedClock::Set(CTime(1999, 5, 16, 10, 0, 0).GetTime());
    EXPECT_TRUE(QTest::qWaitFor([&] { return shows("This period so far: 00:00:00 used of 10:00:00"); }, kPatienceMs))
        << summary->text().toStdString();

    // With the main window's count, its running connection goes on adding.
    CAllowanceSettings settings;
    settings.Load(m_store);
    const CAllowance rule = settings.GetAllowance(0, 1);
    long long elapsed = 0;
    frame->SetPeriodStanding([&] {
        CAllowance::SRunning running{"Office", CTime(1999, 5, 16, 9, 0, 0), elapsed};
        return rule.Compute(*frame->GetDocument().GetLog(), CTime::GetCurrentTime(), &running);
    });
    EXPECT_TRUE(shows("This period so far: 00:00:00 used of 10:00:00")) << summary->text().toStdString();
    elapsed = 3600;
    EXPECT_TRUE(QTest::qWaitFor([&] { return shows("This period so far: 01:00:00 used of 10:00:00"); }, kPatienceMs))
        << summary->text().toStdString();
    frame->SetPeriodStanding(nullptr); // the count lives on this test's stack
    frame->close();
}

TEST_F(UsageChartWindow, BarsAndLineStandOutOnLightAndDarkThemes)
{
    CHistoryFrame* frame = Open();
    CUsageChartView* view = frame->GetChartView();
    QPalette dark = view->palette();
    dark.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
    dark.setColor(QPalette::Text, QColor(0xee, 0xee, 0xee));
    dark.setColor(QPalette::Highlight, QColor(0x1a, 0x3a, 0x6a)); // a dark blue, too dim as it is
    QPalette light = view->palette();
    light.setColor(QPalette::Base, Qt::white);
    light.setColor(QPalette::Highlight, QColor(0x99, 0xcc, 0xff)); // a pale blue, too faint as it is
    for (const QPalette& palette : {dark, light}) {
        view->setPalette(palette);
        const CUsageChart::SColors colours = view->ScreenColors();
        EXPECT_EQ(colours.background, palette.color(QPalette::Base));
        EXPECT_GE(CThemeColors::Contrast(colours.bar, colours.background), 3.0);
        EXPECT_GE(CThemeColors::Contrast(colours.allowance, colours.background), 3.0);
        EXPECT_GE(CThemeColors::Contrast(colours.text, colours.background), 4.5);
        // The line is not lost among the bars.
        EXPECT_NE(colours.allowance, colours.bar);
    }
    frame->close();
}

TEST_F(UsageChartWindow, ThePaneHeightIsKeptUnderItsOwnKey)
{
    CHistoryFrame* frame = Open();
    QSplitter* splitter = frame->GetChartSplitter();
    EXPECT_GE(splitter->sizes().value(1), frame->GetChartView()->minimumSizeHint().height());
    EXPECT_GT(splitter->sizes().value(0), 0);
    splitter->setSizes({100, 120});
    frame->close();
    EXPECT_EQ(m_store.m_values[std::make_pair(std::string("History"), std::string("ChartHeight"))], "120");
    frame = Open();
    EXPECT_EQ(frame->GetChartSplitter()->sizes().value(1), 120);
    // Folded away, and it stays so.
    frame->GetChartSplitter()->setSizes({220, 0});
    frame->close();
    EXPECT_EQ(m_store.m_values[std::make_pair(std::string("History"), std::string("ChartHeight"))], "0");
    frame = Open();
    EXPECT_EQ(frame->GetChartSplitter()->sizes().value(1), 0);
    frame->close();
}

TEST_F(UsageChartWindow, SavesAPngThroughTheDialogAndReportsFailures)
{
    CHistoryFrame* frame = Open();
    CUsageChartView* view = frame->GetChartView();
    KeepPrompts();
    QString title;
    CUsageChartView::SetDialogRunner([&](QFileDialog& dialog) {
        title = dialog.windowTitle();
        EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
        dialog.selectFile(QString::fromStdString(m_dir.File("chart.png")));
        return int(QDialog::Accepted);
    });
    // The pane's button.
    QTest::mouseClick(view->findChild<QPushButton*>("saveChart"), Qt::LeftButton);
    EXPECT_EQ(title, "Save Chart as PNG");
    EXPECT_TRUE(m_prompts.empty());
    QImage saved(QString::fromStdString(m_dir.File("chart.png")), "PNG");
    ASSERT_FALSE(saved.isNull());
    EXPECT_GE(saved.width(), 800);
    EXPECT_GE(saved.height(), 400);
    const CUsageChart::SColors colours = view->ScreenColors();
    EXPECT_GT(CountColour(saved, colours.bar), 300);
    EXPECT_LT(CountColour(saved, colours.background), saved.width() * saved.height());

    // The pane's context menu offers the same; Cancel in the dialog writes nothing.
    int asked = 0;
    CUsageChartView::SetDialogRunner([&](QFileDialog& dialog) {
        ++asked;
        dialog.selectFile(QString::fromStdString(m_dir.File("cancelled.png")));
        return int(QDialog::Rejected);
    });
    QString offered;
    QTimer::singleShot(50, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (QAction* action : menu->actions())
                offered += action->text();
            menu->actions().value(0)->trigger();
            menu->close();
        }
    });
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(400, 60), view->mapToGlobal(QPoint(400, 60)));
    QApplication::sendEvent(view, &menuEvent);
    EXPECT_EQ(offered, "Save Chart as PNG...");
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(FileExists(m_dir.File("cancelled.png")));

    // A folder that is not there, and one that is a file.
    const QString missing = QString::fromStdString(m_dir.File("no such folder/chart.png"));
    EXPECT_FALSE(view->SavePngTo(missing));
    ASSERT_EQ(m_prompts.size(), 1u);
    EXPECT_EQ(m_prompts[0].first, CPrompt::Kind::Stop);
    EXPECT_NE(m_prompts[0].second.find(missing.toStdString()), std::string::npos) << m_prompts[0].second;
    EXPECT_NE(m_prompts[0].second.find("No such file or directory"), std::string::npos) << m_prompts[0].second;
    EXPECT_FALSE(view->SavePngTo(QString::fromStdString(m_dir.File("Zelmorin.Log/chart.png"))));
    EXPECT_EQ(m_prompts.size(), 2u);

    // A write that fails part-way (a file size limit, which also binds root) keeps the old file
    // and leaves no temporary one.
    const std::string target = m_dir.File("kept.png");
    WriteFile(target, "the user's earlier picture");
    rlimit previous{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    rlimit small = previous;
    small.rlim_cur = 1024;
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = view->SavePngTo(QString::fromStdString(target));
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(written);
    ASSERT_EQ(m_prompts.size(), 3u);
    EXPECT_NE(m_prompts[2].second.find("too large"), std::string::npos) << m_prompts[2].second;
    EXPECT_EQ(ReadFile(target), "the user's earlier picture");
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(m_dir.Path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Zelmorin.Log", "chart.png", "kept.png"}));
    frame->close();
}

std::string Output(const std::string& command)
{
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buf[4096];
        std::size_t n;
        while ((n = fread(buf, 1, sizeof buf, pipe)) > 0)
            out.append(buf, n);
        pclose(pipe);
    }
    return out;
}

TEST_F(UsageChart, PrintingCountsTheChartPageAndCanStopBeforeIt)
{
    CHistoryDoc doc(m_dir.File("Zelmorin.Log"));
    const CUsageChart chart = CUsageChart::Build(*doc.GetLog(), "", Scale::Days, 1999, 5, {});
    auto print = [&](const std::string& name, int stopAt, std::vector<std::pair<int, int>>& calls) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(m_dir.File(name)));
        return CHistoryPrinter::PrintHistoryTo(
            doc, printer, false, CTime(1999, 6, 1, 9, 0, 0),
            [&](int page, int pages) {
                calls.emplace_back(page, pages);
                return page != stopAt;
            },
            &chart);
    };
    std::vector<std::pair<int, int>> calls;
    EXPECT_EQ(print("all.pdf", -1, calls), 2);
    EXPECT_EQ(calls, (std::vector<std::pair<int, int>>{{0, 2}, {1, 2}, {2, 2}}));
    EXPECT_TRUE(FileExists(m_dir.File("all.pdf")));
    // Stopped at the chart's page: no part of the printout is left.
    calls.clear();
    EXPECT_EQ(print("stopped.pdf", 1, calls), -2);
    EXPECT_EQ(calls, (std::vector<std::pair<int, int>>{{0, 2}, {1, 2}}));
    EXPECT_FALSE(FileExists(m_dir.File("stopped.pdf")));
}

TEST_F(UsageChartWindow, PrintsTheChartOnAPageAfterTheHistory)
{
    m_store.m_values[{"Allowance", "On"}] = "1";
    m_store.m_values[{"Allowance", "Minutes"}] = "60";
    m_store.m_values[{"Allowance", "Period"}] = "1";
    CHistoryFrame* frame = Open();
    const std::string pdf = m_dir.File("history.pdf");
    CHistoryPrinter::SetDialogRunner([&](QPrintDialog& dialog) {
        dialog.printer()->setOutputFormat(QPrinter::PdfFormat);
        dialog.printer()->setOutputFileName(QString::fromStdString(pdf));
        dialog.printer()->setPageSize(QPageSize(QPageSize::A4));
        return int(QDialog::Accepted);
    });
    frame->OnPrint();
    frame->close();
    ASSERT_TRUE(FileExists(pdf));
    // Seven lines fit on one page; the chart has the second.
    EXPECT_EQ(Output("pdfinfo '" + pdf + "' | sed -n 's/^Pages: *//p'"), "2\n");
    const std::string first = Output("pdftotext -f 1 -l 1 '" + pdf + "' -");
    const std::string second = Output("pdftotext -f 2 -l 2 '" + pdf + "' -");
    EXPECT_NE(first.find("14/05/1999 09:00:00"), std::string::npos) << first;
    EXPECT_EQ(first.find("Connection time"), std::string::npos) << first;
    EXPECT_NE(second.find("Zelmorin 1.0 - History at"), std::string::npos) << second;
    EXPECT_NE(second.find("May 1999 = 03:32:03"), std::string::npos) << second;
    EXPECT_NE(second.find("Allowance: 01:00:00 a day"), std::string::npos) << second;
    EXPECT_NE(second.find("Connection time"), std::string::npos) << second;

    // The page as a reader shows it has the bars and the line in the paper's colours.
    const std::string prefix = m_dir.File("page");
    Output("pdftoppm -f 2 -l 2 -r 40 -png '" + pdf + "' '" + prefix + "'");
    QImage page;
    for (const auto& entry : std::filesystem::directory_iterator(m_dir.Path()))
        if (entry.path().filename().string().rfind("page", 0) == 0)
            page.load(QString::fromStdString(entry.path().string()));
    ASSERT_FALSE(page.isNull());
    EXPECT_GT(CountColour(page, CUsageChart::SColors::Paper().bar), 30);
    EXPECT_GT(CountColour(page, CUsageChart::SColors::Paper().allowance), 30);
}

} // namespace
