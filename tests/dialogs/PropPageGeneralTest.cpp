#include "PropPageGeneral.h"

#include <string>
#include <vector>

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include "Prompt.h"
#include "PropPageHistory.h"
#include "PropertySheet.h"

namespace {

using Page = CPropPageGeneral;

// The page first in a sheet, with the History page behind it; message boxes are journalled.
class CPropPageGeneralTest : public ::testing::Test
{
protected:
    CPropPageGeneralTest()
    {
        CPrompt::SetScript([this](CPrompt::Kind, const std::string& text) {
            m_vecPrompts.push_back(text);
            return false;
        });
    }
    ~CPropPageGeneralTest() override { CPrompt::SetScript(nullptr); }

    void Show()
    {
        m_sheet.AddPage(&m_page);
        m_sheet.AddPage(&m_history);
        m_sheet.show();
    }
    template <typename T = QAbstractButton> T* Control(const char* name, int id = 0)
    {
        return m_page.findChild<T*>(QLatin1String(name) + (id ? QString::number(id) : QString()));
    }
    QLineEdit* StartDay() { return Control<QLineEdit>("edit", Page::IDC_MONTH_START); }

    // 1 for each enabled control: entry list, first period button, week text and list, start-day
    // text, field and the two halves of its spin button.
    std::string Enabled()
    {
        std::string bits;
        for (const char* name :
             {"list1028", "radio1022", "text1074", "list1021", "text1073", "edit1071", "spin1072Up", "spin1072Down"})
            bits += m_page.findChild<QWidget*>(QLatin1String(name))->isEnabled() ? '1' : '0';
        return bits;
    }

    std::vector<std::string> m_vecPrompts;
    Page m_page{{"beta", "Office", "Alpha", "Office", " Spaced"}};
    CPropPageHistory m_history;
    CPropertySheet m_sheet{QStringLiteral("Sheet")};
};

} // namespace

TEST_F(CPropPageGeneralTest, ControlsFollowTheTotalAndThePeriod)
{
    m_page.m_bAutoShow = true;
    m_page.m_nTotalType = 2;
    Show();
    QAbstractButton* autoShow = Control("check", Page::IDC_AUTO_SHOW);
    EXPECT_FALSE(autoShow->isEnabled());
    EXPECT_EQ(Enabled(), "00000000");
    Control("check", Page::IDC_TOTAL)->click();
    EXPECT_EQ(Enabled(), "11110000");
    Control("radio", Page::IDC_THIS_MONTH)->click();
    EXPECT_EQ(Enabled(), "11001111");
    Control("radio", Page::IDC_TODAY)->click();
    EXPECT_EQ(Enabled(), "11000000");
    Control("radio", Page::IDC_THIS_MONTH)->click();
    Control("check", Page::IDC_TOTAL)->click();
    EXPECT_EQ(Enabled(), "00000000");
    Control("check", Page::IDC_HIDE)->click();
    EXPECT_TRUE(autoShow->isEnabled());
    Control("check", Page::IDC_HIDE)->click();
    EXPECT_FALSE(autoShow->isEnabled());

    // Disabled controls keep their values, which are read all the same.
    m_sheet.accept();
    EXPECT_EQ(m_sheet.result(), QDialog::Accepted);
    EXPECT_TRUE(m_page.m_bAutoShow);
    EXPECT_FALSE(m_page.m_bTotal);
    EXPECT_EQ(m_page.m_nTotalType, 3);
}

TEST_F(CPropPageGeneralTest, EntriesSortAfterAllConnectionsAndMatchExactly)
{
    m_page.m_strEntry = "Office";
    Show();
    auto* list = Control<QComboBox>("list", Page::IDC_ENTRY);
    QStringList rows;
    for (int row = 0; row < list->count(); ++row)
        rows << list->itemText(row);
    EXPECT_EQ(rows, (QStringList{" All connections", " Spaced", "Alpha", "beta", "Office"}));
    EXPECT_EQ(list->currentIndex(), 4);
    // The first row is every entry; a name that begins with a space is still a name.
    for (const auto& [row, entry] : {std::pair<int, std::string>{0, ""}, {1, " Spaced"}, {3, "beta"}}) {
        list->setCurrentIndex(row);
        ASSERT_TRUE(m_page.UpdateData(true));
        EXPECT_EQ(m_page.m_strEntry, entry);
    }
    m_page.m_strEntry = "office";
    m_page.UpdateData(false);
    EXPECT_EQ(list->currentIndex(), 0);
}

TEST_F(CPropPageGeneralTest, StartDayIsCheckedOnLeavingOnOkAndOnClicks)
{
    m_page.m_bTotal = true;
    m_page.m_nTotalType = 3;
    m_page.m_nMonthStart = 12;
    Show();
    StartDay()->setText(QStringLiteral("32"));
    m_sheet.findChild<QTabWidget*>()->setCurrentIndex(1);
    EXPECT_EQ(m_vecPrompts, std::vector<std::string>{"Please enter an integer between 1 and 31."});
    EXPECT_EQ(m_sheet.GetActiveIndex(), 0);
    EXPECT_EQ(m_sheet.focusWidget(), StartDay());
    // A click reports it too, and the controls still follow.
    StartDay()->setText(QStringLiteral("0"));
    Control("radio", Page::IDC_THIS_WEEK)->click();
    EXPECT_EQ(m_vecPrompts.size(), 2u);
    EXPECT_EQ(Enabled(), "11110000");
    Control("radio", Page::IDC_THIS_MONTH)->click();
    StartDay()->clear();
    m_sheet.accept();
    EXPECT_EQ(m_vecPrompts.size(), 4u);
    EXPECT_TRUE(m_sheet.isVisible());
    EXPECT_EQ(m_page.m_nMonthStart, 12);

    // Digits only; the spin button stops at 1 and 31.
    QTest::keyClicks(StartDay(), QStringLiteral("3x0"));
    Control("spin1072Up")->click();
    Control("spin1072Up")->click();
    EXPECT_EQ(StartDay()->text(), QStringLiteral("31"));
    StartDay()->setText(QStringLiteral("1"));
    Control("spin1072Down")->click();
    m_sheet.accept();
    EXPECT_EQ(m_sheet.result(), QDialog::Accepted);
    EXPECT_EQ(m_page.m_nMonthStart, 1);
}
