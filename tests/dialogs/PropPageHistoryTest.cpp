#include "PropPageHistory.h"

#include <clocale>
#include <functional>
#include <string>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QTabWidget>
#include <QTimer>

#include <gtest/gtest.h>

#include "DateFormats.h"
#include "PropertySheet.h"
#include "TestSupport.h"
#include "TimeTexts.h"

namespace {

// Day and month names as the C library writes them without a locale; the patterns come back
// afterwards.
class CPropPageHistoryTest : public ::testing::Test
{
protected:
    void SetUp() override { std::setlocale(LC_TIME, "C"); }
    void TearDown() override
    {
        std::setlocale(LC_TIME, m_strLocale.c_str());
        DayDateFormat = m_strDay;
        ConnectionDateFormat = m_strConnection;
    }

    static QStringList Items(const QComboBox* list)
    {
        QStringList items;
        for (int i = 0; i < list->count(); ++i)
            items << list->itemText(i);
        return items;
    }

    // Runs the History window's Configure with act playing the user inside the sheet.
    static bool RunWith(const std::function<void(CPropertySheet&)>& act)
    {
        QTimer::singleShot(0, [&act] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* sheet = qobject_cast<CPropertySheet*>(widget);
                if (sheet && sheet->isVisible()) {
                    act(*sheet);
                    return;
                }
            }
            ADD_FAILURE() << "no sheet showed";
        });
        return RunHistoryProperties(nullptr);
    }

    std::string m_strLocale = std::setlocale(LC_TIME, nullptr);
    std::string m_strDay = DayDateFormat;
    std::string m_strConnection = ConnectionDateFormat;
};

const QStringList kDaySamples = {
    "23/01/1998",        "01/23/1998", "23/01",       "01/23",        "23",
    "Fri, 23",           "23, Fri",    "23 Jan 1998", "Jan 23, 1998", "Fri, 23 Jan 1998",
    "Fri, Jan 23, 1998", "Friday, 23", "23, Friday",
};

} // namespace

TEST_F(CPropPageHistoryTest, PatternsOutsideTheOfferKeepTheChoice)
{
    CPropPageHistory page;
    EXPECT_EQ(page.GetDayDateFormat(), "%d/%m/%Y");
    EXPECT_EQ(page.GetConnectionDateFormat(), "");

    for (int row = 0; row < kDateFormatCount; ++row) {
        page.SetDayDateFormat(DateFormats[row]);
        EXPECT_EQ(page.GetDayDateFormat(), DateFormats[row]);
        page.SetConnectionDateFormat(DateFormats[row]);
        EXPECT_EQ(page.GetConnectionDateFormat(), DateFormats[row < kConnectionDateFormatCount ? row : 8]);
    }

    page.SetDayDateFormat("%d %b %Y");
    page.SetConnectionDateFormat("%m/%d");
    for (const char* other : {"", "%D/%m/%Y", "%d/%m/%Y ", "%Y-%m-%d", "None"}) {
        page.SetDayDateFormat(other);
        page.SetConnectionDateFormat(other);
    }
    EXPECT_EQ(page.GetDayDateFormat(), "%d %b %Y");
    EXPECT_EQ(page.GetConnectionDateFormat(), "%m/%d");
}

TEST_F(CPropPageHistoryTest, ListsShowOneFixedDateWhateverTheDayAndZone)
{
    CScopedClock clock(1900000000); // 2030
    for (const char* zone : {"UTC0", "HST10", "LINT-14"}) {
        SCOPED_TRACE(zone);
        CScopedTimeZone timeZone(zone);
        CPropPageHistory page;
        CPropertySheet sheet(QStringLiteral("Sheet"));
        sheet.AddPage(&page);
        sheet.show();
        const auto* days = page.findChild<QComboBox*>(QStringLiteral("list1022"));
        const auto* connections = page.findChild<QComboBox*>(QStringLiteral("list1023"));
        ASSERT_TRUE(days && connections);
        EXPECT_EQ(Items(days), kDaySamples);
        EXPECT_EQ(Items(connections), QStringList{"None"} + kDaySamples.mid(0, 9));
    }
}

TEST_F(CPropPageHistoryTest, ConfigureStoresThePatternsOnOkOnly)
{
    DayDateFormat = "%A, %d";
    ConnectionDateFormat = "%b %d, %Y";
    EXPECT_FALSE(RunWith([](CPropertySheet& sheet) {
        EXPECT_EQ(sheet.windowTitle(), QStringLiteral("Zelmorin - History properties"));
        const auto* tabs = sheet.findChild<QTabWidget*>();
        EXPECT_EQ(tabs->count(), 1);
        EXPECT_EQ(tabs->tabText(0), QStringLiteral("History"));
        auto* days = sheet.findChild<QComboBox*>(QStringLiteral("list1022"));
        EXPECT_EQ(days->currentIndex(), 11);
        EXPECT_EQ(sheet.findChild<QComboBox*>(QStringLiteral("list1023"))->currentIndex(), 9);
        days->setCurrentIndex(3);
        sheet.reject();
    }));
    EXPECT_EQ(DayDateFormat, "%A, %d");
    EXPECT_EQ(ConnectionDateFormat, "%b %d, %Y");

    EXPECT_TRUE(RunWith([](CPropertySheet& sheet) {
        sheet.findChild<QComboBox*>(QStringLiteral("list1022"))->setCurrentIndex(4);
        sheet.findChild<QComboBox*>(QStringLiteral("list1023"))->setCurrentIndex(3);
        sheet.accept();
    }));
    EXPECT_EQ(DayDateFormat, "%d");
    EXPECT_EQ(ConnectionDateFormat, "%d/%m");

    // Patterns that are not offered open as row 0 and "None" (row 9 is not offered for
    // connections), and OK with the lists untouched stores what they showed.
    DayDateFormat = "%Y";
    ConnectionDateFormat = "%a, %d %b %Y";
    EXPECT_TRUE(RunWith([](CPropertySheet& sheet) { sheet.accept(); }));
    EXPECT_EQ(DayDateFormat, "%d/%m/%Y");
    EXPECT_EQ(ConnectionDateFormat, "");
}

TEST_F(CPropPageHistoryTest, TextsAboveTheirListsBesideAnEmptyPicture)
{
    CPropPageHistory page;
    CPropertySheet sheet(QStringLiteral("Sheet"));
    sheet.AddPage(&page);
    sheet.show();
    const auto* picture = page.findChild<QLabel*>(QStringLiteral("picture145"));
    ASSERT_NE(picture, nullptr);
    EXPECT_TRUE(picture->pixmap().isNull()); // the test binary carries no pictures

    const QList<QLabel*> labels = page.findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 3);
    const QList<QWidget*> column = {labels[1], page.findChild<QComboBox*>(QStringLiteral("list1022")), labels[2],
                                    page.findChild<QComboBox*>(QStringLiteral("list1023"))};
    EXPECT_EQ(labels[1]->text(), QStringLiteral("Day date format in tree view"));
    EXPECT_EQ(labels[2]->text(), QStringLiteral("Details date format in list view"));
    for (int i = 0; i < column.size(); ++i) {
        EXPECT_TRUE(page.rect().contains(column[i]->geometry()));
        EXPECT_GT(column[i]->x(), picture->geometry().right());
        EXPECT_GE(column[i]->width(), column[i]->sizeHint().width());
        EXPECT_TRUE(i == 0 || column[i]->y() > column[i - 1]->geometry().bottom());
    }
}
