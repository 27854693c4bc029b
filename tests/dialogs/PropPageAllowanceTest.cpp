#include "PropPageAllowance.h"

#include <string>
#include <vector>

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>

#include <gtest/gtest.h>

#include "Prompt.h"
#include "PropPageHistory.h"
#include "PropertySheet.h"

namespace {

using Page = CPropPageAllowance;

// The page first in a sheet, with another page behind it; message boxes are journalled.
class CPropPageAllowanceTest : public ::testing::Test
{
protected:
    CPropPageAllowanceTest()
    {
        CPrompt::SetScript([this](CPrompt::Kind, const std::string& text) {
            m_vecPrompts.push_back(text);
            return false;
        });
    }
    ~CPropPageAllowanceTest() override { CPrompt::SetScript(nullptr); }

    void Show()
    {
        m_sheet.AddPage(&m_page);
        m_sheet.AddPage(&m_history);
        m_sheet.show();
    }
    template <typename T = QWidget> T* Control(const char* kind, int id)
    {
        return m_page.findChild<T*>(QLatin1String(kind) + QString::number(id));
    }
    QLineEdit* Edit(int id) { return Control<QLineEdit>("edit", id); }
    QComboBox* List(int id) { return Control<QComboBox>("list", id); }
    // 1 for each enabled field: hours, minutes, period, entry, warning share.
    std::string Enabled()
    {
        std::string bits;
        for (QWidget* control :
             std::initializer_list<QWidget*>{Edit(Page::IDC_HOURS), Edit(Page::IDC_MINUTES), List(Page::IDC_PERIOD),
                                             List(Page::IDC_ENTRY), Edit(Page::IDC_WARN)})
            bits += control->isEnabled() ? '1' : '0';
        return bits;
    }

    std::vector<std::string> m_vecPrompts;
    Page m_page{{"Office", "Home"}};
    CPropPageHistory m_history;
    CPropertySheet m_sheet{QStringLiteral("Sheet")};
};

} // namespace

TEST_F(CPropPageAllowanceTest, ShowsTheValuesAndTakesTheChanges)
{
    m_page.m_nMinutes = 25 * 60 + 5;
    m_page.m_nPeriod = 2;
    m_page.m_strEntry = "Office";
    m_page.m_nWarnPercent = 70;
    Show();
    EXPECT_EQ(Edit(Page::IDC_HOURS)->text(), QStringLiteral("25"));
    EXPECT_EQ(Edit(Page::IDC_MINUTES)->text(), QStringLiteral("5"));
    EXPECT_EQ(List(Page::IDC_PERIOD)->currentIndex(), 1);
    EXPECT_EQ(List(Page::IDC_ENTRY)->currentText(), QStringLiteral("Office"));
    EXPECT_EQ(List(Page::IDC_ENTRY)->itemText(0), QStringLiteral(" All connections"));
    EXPECT_EQ(Edit(Page::IDC_WARN)->text(), QStringLiteral("70"));

    // Off: every field is grey; on: every field can be changed.
    EXPECT_EQ(Enabled(), "00000");
    Control<QAbstractButton>("check", Page::IDC_ON)->click();
    EXPECT_EQ(Enabled(), "11111");
    Edit(Page::IDC_HOURS)->setText(QStringLiteral("40"));
    Edit(Page::IDC_MINUTES)->setText(QStringLiteral("30"));
    List(Page::IDC_PERIOD)->setCurrentIndex(2);
    List(Page::IDC_ENTRY)->setCurrentIndex(0);
    Edit(Page::IDC_WARN)->setText(QStringLiteral("90"));
    m_sheet.accept();
    EXPECT_EQ(m_sheet.result(), QDialog::Accepted);
    EXPECT_TRUE(m_vecPrompts.empty());
    EXPECT_TRUE(m_page.m_bOn);
    EXPECT_EQ(m_page.m_nMinutes, 40 * 60 + 30);
    EXPECT_EQ(m_page.m_nPeriod, 3);
    EXPECT_EQ(m_page.m_strEntry, "");
    EXPECT_EQ(m_page.m_nWarnPercent, 90);
}

TEST_F(CPropPageAllowanceTest, RefusesNothingAndMoreThanThePeriodHolds)
{
    m_page.m_bOn = true;
    m_page.m_nPeriod = 1;
    m_page.m_nMinutes = 90;
    Show();
    Edit(Page::IDC_HOURS)->setText(QStringLiteral("0"));
    Edit(Page::IDC_MINUTES)->setText(QStringLiteral("0"));
    m_sheet.accept();
    ASSERT_EQ(m_vecPrompts.size(), 1u);
    EXPECT_EQ(m_vecPrompts.back(), "The allowance must be at least one minute.");
    EXPECT_TRUE(m_sheet.isVisible());

    // 24 hours fit a day, 24:01 does not; a week takes it.
    Edit(Page::IDC_HOURS)->setText(QStringLiteral("24"));
    Edit(Page::IDC_MINUTES)->setText(QStringLiteral("1"));
    m_sheet.findChild<QTabWidget*>()->setCurrentIndex(1);
    ASSERT_EQ(m_vecPrompts.size(), 2u);
    EXPECT_EQ(m_vecPrompts.back(), "The allowance cannot be more than 24 hours, the length of the period.");
    EXPECT_EQ(m_sheet.GetActiveIndex(), 0);
    EXPECT_EQ(m_page.m_nMinutes, 90);
    Edit(Page::IDC_MINUTES)->setText(QStringLiteral("60"));
    m_sheet.accept();
    EXPECT_EQ(m_vecPrompts.back(), "Please enter an integer between 0 and 59.");
    Edit(Page::IDC_MINUTES)->setText(QStringLiteral("1"));
    List(Page::IDC_PERIOD)->setCurrentIndex(1);
    Edit(Page::IDC_WARN)->setText(QStringLiteral("100"));
    m_sheet.accept();
    EXPECT_EQ(m_vecPrompts.back(), "Please enter an integer between 1 and 99.");
    Edit(Page::IDC_WARN)->setText(QStringLiteral("50"));
    m_sheet.accept();
    EXPECT_EQ(m_sheet.result(), QDialog::Accepted);
    EXPECT_EQ(m_page.m_nMinutes, 24 * 60 + 1);
    EXPECT_EQ(m_page.m_nPeriod, 2);
}

TEST_F(CPropPageAllowanceTest, AnAllowanceThatIsOffIsNotChecked)
{
    m_page.m_nMinutes = 90;
    Show();
    Edit(Page::IDC_HOURS)->setText(QStringLiteral("0"));
    Edit(Page::IDC_MINUTES)->setText(QStringLiteral("0"));
    m_sheet.accept();
    EXPECT_TRUE(m_vecPrompts.empty());
    EXPECT_EQ(m_sheet.result(), QDialog::Accepted);
    EXPECT_FALSE(m_page.m_bOn);
    EXPECT_EQ(m_page.m_nMinutes, 90);
}
