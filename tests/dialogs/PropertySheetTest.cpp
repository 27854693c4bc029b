#include "PropertySheet.h"

#include <string>
#include <vector>

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include "DialogUnits.h"
#include "Prompt.h"

namespace {

// A page with a day field (1 to 31) that counts its inits and reads.
class CTestPage : public CPropertyPage
{
public:
    explicit CTestPage(int height = 138) : CPropertyPage(QStringLiteral("Page"), 223, height) {}

    int m_nDay = 5;
    int m_nInits = 0;
    int m_nReads = 0;
    QLineEdit* m_pDay = nullptr;

protected:
    void CreateControls(const CDialogUnits& units) override
    {
        m_pDay = new QLineEdit(this);
        m_pDay->setGeometry(units.Rect(7, 7, 40, 12));
    }
    void OnInitDialog() override
    {
        ++m_nInits;
        CPropertyPage::OnInitDialog();
    }
    bool DoDataExchange(bool save) override
    {
        m_nReads += save;
        return ExchangeInt(save, m_pDay, m_nDay, 1, 31);
    }
};

class CPropertySheetTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CPrompt::SetScript([this](CPrompt::Kind, const std::string& text) {
            m_prompts.push_back(text);
            return false;
        });
    }
    void TearDown() override { CPrompt::SetScript(nullptr); }

    static void PressOk(CPropertySheet& sheet)
    {
        QTest::mouseClick(sheet.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
    }

    std::vector<std::string> m_prompts;
};

} // namespace

TEST_F(CPropertySheetTest, OnlyOpenedPagesAreBuiltAndRead)
{
    CTestPage first;
    CTestPage second;
    CTestPage tall(200);
    CPropertySheet sheet(QStringLiteral("Sheet"), nullptr, 1);
    for (CTestPage* page : {&first, &second, &tall})
        sheet.AddPage(page);
    sheet.show();
    EXPECT_EQ(sheet.GetActivePage(), &second);
    EXPECT_FALSE(first.IsCreated());
    ASSERT_TRUE(second.IsCreated());
    EXPECT_EQ(second.m_pDay->text(), QStringLiteral("5"));

    // Every page gets the room of the largest, above the buttons; only OK and Cancel are there.
    const auto* buttons = sheet.findChild<QDialogButtonBox*>();
    EXPECT_EQ(buttons->standardButtons(), QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    const CDialogUnits units(&sheet);
    const QRect onSheet(second.mapTo(&sheet, QPoint(0, 0)), second.size());
    EXPECT_GE(onSheet.width(), units.X(223));
    EXPECT_GE(onSheet.height(), units.Y(200));
    EXPECT_TRUE(sheet.rect().contains(onSheet));
    EXPECT_LE(onSheet.bottom(), buttons->geometry().top());

    second.m_pDay->setText(QStringLiteral("12"));
    first.m_nDay = 40; // never shown, so never checked either
    PressOk(sheet);
    EXPECT_EQ(sheet.result(), QDialog::Accepted);
    EXPECT_TRUE(m_prompts.empty());
    EXPECT_EQ(second.m_nDay, 12);
    EXPECT_EQ(first.m_nDay, 40);
    EXPECT_EQ(first.m_nInits + first.m_nReads + tall.m_nInits + tall.m_nReads, 0);
}

TEST_F(CPropertySheetTest, RangeCheckKeepsTheSheetOpen)
{
    const char* const bounds = "Please enter an integer between 1 and 31.";
    const struct
    {
        const char* text;
        const char* message; // nullptr: accepted
        int value;
    } cases[] = {
        {"32", bounds, 5},
        {"0", bounds, 5},
        {"4294967327", bounds, 5}, // 31 once cut to 32 bits
        {"", "Please enter an integer.", 5},
        {"1x", "Please enter an integer.", 5},
        {"1", nullptr, 1},
        {" 31 ", nullptr, 31},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        m_prompts.clear();
        CTestPage page;
        CPropertySheet sheet(QStringLiteral("Sheet"));
        sheet.AddPage(&page);
        sheet.show();
        page.m_pDay->setText(QString::fromLatin1(c.text));
        PressOk(sheet);
        EXPECT_EQ(page.m_nDay, c.value);
        if (c.message) {
            EXPECT_EQ(m_prompts, std::vector<std::string>{c.message});
            EXPECT_TRUE(sheet.isVisible());
            EXPECT_EQ(sheet.focusWidget(), page.m_pDay);
            EXPECT_EQ(page.m_pDay->selectedText(), page.m_pDay->text());
        } else {
            EXPECT_TRUE(m_prompts.empty());
            EXPECT_EQ(sheet.result(), QDialog::Accepted);
        }
    }
}

TEST_F(CPropertySheetTest, LeavingAPageReadsItAndMayRefuse)
{
    CTestPage first;
    CTestPage second;
    CPropertySheet sheet(QStringLiteral("Sheet"));
    sheet.AddPage(&first);
    sheet.AddPage(&second);
    sheet.show();
    auto* tabs = sheet.findChild<QTabWidget*>();

    first.m_pDay->setText(QStringLiteral("40"));
    tabs->setCurrentIndex(1);
    EXPECT_EQ(m_prompts, std::vector<std::string>{"Please enter an integer between 1 and 31."});
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_TRUE(first.m_pDay->isVisible());
    EXPECT_FALSE(second.IsCreated());

    first.m_pDay->setText(QStringLiteral("7"));
    tabs->setCurrentIndex(1);
    EXPECT_EQ(sheet.GetActiveIndex(), 1);
    EXPECT_EQ(first.m_nDay, 7);
    ASSERT_TRUE(second.IsCreated());
    EXPECT_TRUE(second.m_pDay->isVisible());

    // Coming back writes the fields again from the members.
    first.m_pDay->setText(QStringLiteral("junk"));
    EXPECT_TRUE(sheet.SetActivePage(0));
    EXPECT_EQ(first.m_pDay->text(), QStringLiteral("7"));
    EXPECT_EQ(first.m_nInits, 1);

    // Cancel reads nothing, not even an invalid field.
    const int reads = first.m_nReads;
    first.m_pDay->setText(QStringLiteral("junk"));
    QTest::keyClick(&sheet, Qt::Key_Escape);
    EXPECT_EQ(sheet.result(), QDialog::Rejected);
    EXPECT_EQ(first.m_nReads, reads);
    EXPECT_EQ(m_prompts.size(), 1u);
}
