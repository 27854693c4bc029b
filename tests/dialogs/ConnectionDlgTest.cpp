#include "ConnectionDlg.h"

#include <cstdlib>

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include "DialogUnits.h"
#include "Prompt.h"
#include "TestSupport.h"

namespace {

using Dlg = CConnectionDlg;
using Fields = std::vector<int>;

// Every test runs in Rome, whose clocks change twice a year, and journals the message boxes.
class CConnectionDlgTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CPrompt::SetScript([this](CPrompt::Kind, const std::string& text) {
            m_vecPrompts.push_back(text);
            return false;
        });
    }
    void TearDown() override { CPrompt::SetScript(nullptr); }

    static QLineEdit* Edit(Dlg& dlg, int id) { return dlg.findChild<QLineEdit*>(QStringLiteral("edit%1").arg(id)); }
    static QComboBox* Combo(Dlg& dlg, int id) { return dlg.findChild<QComboBox*>(QStringLiteral("combo%1").arg(id)); }
    static int Int(Dlg& dlg, int id) { return Edit(dlg, id)->text().toInt(); }
    static QString Message(Dlg& dlg) { return dlg.findChild<QLabel*>(QStringLiteral("message"))->text(); }
    static void Spin(Dlg& dlg, int spinId, int delta)
    {
        dlg.findChild<QToolButton*>(QStringLiteral("spin%1%2").arg(spinId).arg(delta > 0 ? "Up" : "Down"))->click();
    }
    // As a user types: select the field's text, then one key at a time.
    static void Type(Dlg& dlg, int id, const char* text)
    {
        Edit(dlg, id)->selectAll();
        QTest::keyClicks(Edit(dlg, id), QString::fromLatin1(text));
    }
    static Fields Length(Dlg& dlg)
    {
        return {Int(dlg, Dlg::IDC_LENGTH_HOURS), Int(dlg, Dlg::IDC_LENGTH_MINUTES), Int(dlg, Dlg::IDC_LENGTH_SECONDS)};
    }
    // day, month 1-12, year, hours, minutes, seconds of the start or the end row.
    static Fields Row(Dlg& dlg, bool start)
    {
        const int end = start ? 0 : 1;
        return {Int(dlg, Dlg::IDC_START_DAY + 2 * end),     Combo(dlg, Dlg::IDC_START_MONTH + end)->currentIndex() + 1,
                Int(dlg, Dlg::IDC_START_YEAR + end),        Int(dlg, Dlg::IDC_START_HOURS + 6 * end),
                Int(dlg, Dlg::IDC_START_MINUTES + 6 * end), Int(dlg, Dlg::IDC_START_SECONDS + 6 * end)};
    }
    static QString Items(QComboBox* combo)
    {
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        return items.join(QLatin1Char(','));
    }
    static void ClickOk(Dlg& dlg) { dlg.findChild<QPushButton*>(QStringLiteral("okButton"))->click(); }

    CScopedTimeZone m_zone{"Europe/Rome"};
    std::vector<std::string> m_vecPrompts;
};

} // namespace

TEST_F(CConnectionDlgTest, LaidOutInDialogUnits)
{
    CConnection record(CTime(2023, 5, 17, 10, 0, 0), CTime(2023, 5, 17, 10, 0, 0), "Office");
    Dlg dlg(record, {});
    dlg.show();
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Connection"));
    const CDialogUnits units(&dlg);
    EXPECT_EQ(dlg.size(), QSize(units.X(265), units.Y(138)));
    QStringList texts;
    for (const QLabel* label : dlg.findChildren<QLabel*>())
        texts << label->text();
    for (const char* text : {"Start date/time", "End date/time", "Hours", "Mins", "Secs", "ISP", "Length"})
        EXPECT_TRUE(texts.contains(QString::fromLatin1(text))) << text;

    // Inside the dialog, clear of each other, and wide enough for the widest values.
    const QList<QWidget*> controls = dlg.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (const QWidget* control : controls) {
        EXPECT_TRUE(dlg.rect().contains(control->geometry())) << control->objectName().toStdString();
        for (const QWidget* other : controls)
            EXPECT_TRUE(other == control || !control->geometry().intersects(other->geometry()));
    }
    EXPECT_EQ(dlg.findChildren<QToolButton*>().size(), 2 * 13);
    for (const auto& [id, text] : {std::pair{Dlg::IDC_START_YEAR, "2037"},
                                   {Dlg::IDC_END_HOURS, "-1"},
                                   {Dlg::IDC_LENGTH_HOURS, "-16382"},
                                   {Dlg::IDC_LENGTH_SECONDS, "-60"}}) {
        QLineEdit* edit = Edit(dlg, id);
        EXPECT_LE(edit->fontMetrics().horizontalAdvance(QString::fromLatin1(text)), edit->width() - 8) << id;
    }
    for (int id : {Dlg::IDC_START_MONTH, Dlg::IDC_END_MONTH}) {
        QComboBox* month = Combo(dlg, id);
        EXPECT_FALSE(month->isEditable());
        EXPECT_EQ(Items(month), QStringLiteral("January,February,March,April,May,June,July,August,September,"
                                               "October,November,December"));
        EXPECT_LE(month->sizeHint().width(), month->width()); // "September" fits
    }
    EXPECT_TRUE(Combo(dlg, Dlg::IDC_ENTRY)->isEditable());
    EXPECT_TRUE(dlg.findChild<QPushButton*>(QStringLiteral("okButton"))->isDefault());
}

TEST_F(CConnectionDlgTest, OpeningLoadsTheRecordAndFillsTheEntryList)
{
    CConnection record(CTime(1999, 3, 5, 10, 0, 0), CTime(1999, 3, 5, 11, 30, 15), "office");
    Dlg dlg(record, {"Office", "home", "Zeta", "alpha"});
    record.SetEnd(CTime(1999, 3, 6, 2, 15, 30)); // read when the dialog opens, not before
    dlg.show();
    EXPECT_EQ(Row(dlg, true), (Fields{5, 3, 1999, 10, 0, 0}));
    EXPECT_EQ(Row(dlg, false), (Fields{6, 3, 1999, 2, 15, 30}));
    EXPECT_EQ(Length(dlg), (Fields{16, 15, 30}));
    // Sorted without regard to case; the record's name is added as it is not listed exactly.
    EXPECT_EQ(Items(Combo(dlg, Dlg::IDC_ENTRY)), QStringLiteral("alpha,home,Office,office,Zeta"));
    EXPECT_EQ(Combo(dlg, Dlg::IDC_ENTRY)->currentText(), QStringLiteral("office"));

    for (const auto& [length, shown] : {std::pair{std::int64_t(5415), Fields{1, 30, 15}},
                                        {0, Fields{0, 0, 0}},
                                        {-60, Fields{0, -1, 0}},
                                        {-3661, Fields{-1, -1, -1}}}) {
        CConnection other(CTime(1999, 3, 5, 10, 0, 0), CTime(1999, 3, 5, 10, 0, 0) + CTimeSpan(length), "Office");
        Dlg view(other, {});
        view.show();
        EXPECT_EQ(Length(view), shown) << length;
        EXPECT_EQ(Combo(view, Dlg::IDC_ENTRY)->count(), 1);
    }
}

TEST_F(CConnectionDlgTest, ChangesCarryAndRecompute)
{
    CConnection record(CTime(2023, 1, 31, 23, 59, 0), CTime(2023, 2, 1, 1, 0, 0), "Office");
    Dlg dlg(record, {});
    dlg.show();
    Spin(dlg, Dlg::IDC_START_MINUTES_SPIN, +1); // minute 60 is the next hour, and the next day
    EXPECT_EQ(Row(dlg, true), (Fields{1, 2, 2023, 0, 0, 0}));
    EXPECT_EQ(Length(dlg), (Fields{1, 0, 0}));
    Spin(dlg, Dlg::IDC_END_SECONDS_SPIN, -1);
    EXPECT_EQ(Row(dlg, false), (Fields{1, 2, 2023, 0, 59, 59}));
    EXPECT_EQ(Length(dlg), (Fields{0, 59, 59}));
    Spin(dlg, Dlg::IDC_END_DAY_SPIN, +1);
    Spin(dlg, Dlg::IDC_END_MINUTES_SPIN, -1); // 00:58:59 on 2 February
    Type(dlg, Dlg::IDC_END_SECONDS, "0");
    Type(dlg, Dlg::IDC_LENGTH_MINUTES, "59");
    Spin(dlg, Dlg::IDC_LENGTH_MINUTES_SPIN, +1); // the end moves, the start stays
    EXPECT_EQ(Length(dlg), (Fields{25, 0, 0}));
    EXPECT_EQ(Row(dlg, false), (Fields{2, 2, 2023, 1, 0, 0}));
    EXPECT_EQ(Row(dlg, true), (Fields{1, 2, 2023, 0, 0, 0}));

    // 28 February steps to 1 March in a common year; the arrow keys step the focused field.
    Type(dlg, Dlg::IDC_END_DAY, "28");
    QTest::keyClick(Edit(dlg, Dlg::IDC_END_DAY), Qt::Key_Up);
    EXPECT_EQ(Row(dlg, false), (Fields{1, 3, 2023, 1, 0, 0}));
    EXPECT_EQ(Combo(dlg, Dlg::IDC_END_MONTH)->currentText(), QStringLiteral("March"));
    Type(dlg, Dlg::IDC_START_DAY, "28");
    Type(dlg, Dlg::IDC_START_HOURS, "23");
    QTest::keyClick(Edit(dlg, Dlg::IDC_START_HOURS), Qt::Key_Up);
    EXPECT_EQ(Row(dlg, true), (Fields{1, 3, 2023, 0, 0, 0}));

    // The program's own selection of a month is silent; the user's choice of February for
    // day 31 gives 3 March, or 2 March in a leap year.
    QComboBox* month = Combo(dlg, Dlg::IDC_END_MONTH);
    for (int year : {2023, 2024}) {
        Type(dlg, Dlg::IDC_END_YEAR, std::to_string(year).c_str());
        Type(dlg, Dlg::IDC_END_DAY, "31");
        const Fields length = Length(dlg);
        month->setCurrentIndex(0);
        EXPECT_EQ(Length(dlg), length);
        QTest::keyClick(month, Qt::Key_Down);
        EXPECT_EQ(Row(dlg, false), (Fields{year == 2023 ? 3 : 2, 3, year, 1, 0, 0}));
    }
    EXPECT_TRUE(m_vecPrompts.empty());
}

TEST_F(CConnectionDlgTest, SpinsStopAtTheirEndsAndFieldsTakeDigitsOnly)
{
    CConnection record(CTime(1970, 6, 1, 8, 0, 0), CTime(9999, 7, 31, 8, 0, 0), "Office");
    Dlg dlg(record, {});
    dlg.show();
    Spin(dlg, Dlg::IDC_START_DAY_SPIN, -1);
    Spin(dlg, Dlg::IDC_START_YEAR_SPIN, -1);
    EXPECT_EQ(Row(dlg, true), (Fields{1, 6, 1970, 8, 0, 0}));
    Spin(dlg, Dlg::IDC_END_YEAR_SPIN, +1);
    Spin(dlg, Dlg::IDC_END_DAY_SPIN, +1);
    EXPECT_EQ(Row(dlg, false), (Fields{31, 7, 9999, 8, 0, 0}));
    Type(dlg, Dlg::IDC_LENGTH_HOURS, "16382");
    Spin(dlg, Dlg::IDC_LENGTH_HOURS_SPIN, +1);
    Spin(dlg, Dlg::IDC_LENGTH_HOURS_SPIN, +1);
    EXPECT_EQ(Edit(dlg, Dlg::IDC_LENGTH_HOURS)->text(), QStringLiteral("16383"));

    // A minus comes only from the spin, but digits may follow it.
    Type(dlg, Dlg::IDC_LENGTH_HOURS, "0");
    Type(dlg, Dlg::IDC_LENGTH_MINUTES, "-1a+ ");
    EXPECT_EQ(Length(dlg), (Fields{0, 1, 0}));
    Type(dlg, Dlg::IDC_LENGTH_MINUTES, "0");
    Spin(dlg, Dlg::IDC_LENGTH_MINUTES_SPIN, -1);
    QTest::keyClicks(Edit(dlg, Dlg::IDC_LENGTH_MINUTES), QStringLiteral("5"));
    EXPECT_EQ(Length(dlg), (Fields{0, -15, 0}));
    EXPECT_EQ(Row(dlg, false), (Fields{1, 6, 1970, 7, 45, 0}));
}

TEST_F(CConnectionDlgTest, OkStoresTheFieldsAndCancelNothing)
{
    const CTime start(2023, 5, 17, 10, 0, 0), end(2023, 5, 17, 11, 0, 0);
    for (bool bOk : {true, false}) {
        CConnection record(start, end, "Office");
        Dlg dlg(record, {"Home", "Office"});
        dlg.show();
        Type(dlg, Dlg::IDC_END_HOURS, "12");
        EXPECT_EQ(Length(dlg), (Fields{2, 0, 0}));
        QLineEdit* name = Combo(dlg, Dlg::IDC_ENTRY)->lineEdit();
        name->selectAll();
        QTest::keyClicks(name, QStringLiteral("Hom")); // a prefix of a listed name stays as typed
        if (bOk)
            QTest::keyClick(name, Qt::Key_Return); // reaches the default button
        else
            dlg.findChild<QPushButton*>("cancelButton")->click();
        EXPECT_EQ(dlg.result(), bOk ? QDialog::Accepted : QDialog::Rejected);
        EXPECT_EQ(record.GetStart(), start);
        EXPECT_EQ(record.GetEnd(), bOk ? CTime(2023, 5, 17, 12, 0, 0) : end);
        EXPECT_EQ(record.m_strName, bOk ? "Hom" : "Office");
    }

    // A name that is not UTF-8 keeps its bytes, left alone or picked from the list.
    const std::string latin1 = "Caf\xe9 Net";
    for (const std::string& name : {latin1, std::string("Office")}) {
        CConnection record(start, end, name);
        Dlg dlg(record, {latin1, "Office"});
        dlg.show();
        Combo(dlg, Dlg::IDC_ENTRY)->setFocus();
        QTest::keyClick(Combo(dlg, Dlg::IDC_ENTRY), Qt::Key_Up);
        ClickOk(dlg);
        EXPECT_EQ(record.m_strName, latin1);
    }

    // The name's edit does not scroll: typing stops where the field is full.
    CConnection record(start, end, "");
    Dlg dlg(record, {});
    dlg.show();
    QLineEdit* name = Combo(dlg, Dlg::IDC_ENTRY)->lineEdit();
    QTest::keyClicks(name, QString(200, QLatin1Char('W')));
    EXPECT_GT(name->text().size(), 3);
    EXPECT_LE(name->fontMetrics().horizontalAdvance(name->text()), name->width());
    ClickOk(dlg);
    EXPECT_EQ(record.m_strName, name->text().toStdString());
    EXPECT_TRUE(m_vecPrompts.empty());
}

TEST_F(CConnectionDlgTest, FieldsOutOfRangeShowInlineAndStopOk)
{
    struct SCase
    {
        int nField;
        const char *pszWrong, *pszMessage, *pszRight;
    };
    for (const SCase& c : {SCase{Dlg::IDC_START_DAY, "45", "Please enter an integer between 1 and 31.", "17"},
                           SCase{Dlg::IDC_END_YEAR, "", "Please enter an integer between 1970 and 9999.", "2023"},
                           SCase{Dlg::IDC_LENGTH_HOURS, "", "Please enter an integer.", "1"}}) {
        SCOPED_TRACE(c.pszMessage);
        m_vecPrompts.clear();
        const CTime start(2023, 5, 17, 10, 0, 0), end(2023, 5, 17, 11, 0, 0);
        CConnection record(start, end, "Office");
        Dlg dlg(record, {});
        dlg.show();
        Type(dlg, c.nField, c.pszWrong);
        if (!*c.pszWrong)
            QTest::keyClick(Edit(dlg, c.nField), Qt::Key_Delete);
        // While typing, the dialog says so itself rather than in a box at every key.
        EXPECT_EQ(Message(dlg).toStdString(), c.pszMessage);
        ClickOk(dlg);
        EXPECT_EQ(m_vecPrompts, std::vector<std::string>{c.pszMessage});
        EXPECT_EQ(dlg.focusWidget(), Edit(dlg, c.nField));
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_EQ(record.GetStart(), start);

        Type(dlg, c.nField, c.pszRight);
        EXPECT_TRUE(Message(dlg).isEmpty());
        ClickOk(dlg);
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_EQ(m_vecPrompts.size(), 1u);
        EXPECT_EQ(record.GetStart(), start);
        EXPECT_EQ(record.GetEnd(), end);
    }
    m_vecPrompts.clear();

    // A year typed digit by digit passes through years that are refused; the other fields wait.
    CConnection record(CTime(1999, 3, 5, 10, 0, 0), CTime(2019, 3, 5, 10, 0, 0), "Office");
    Dlg dlg(record, {});
    dlg.show();
    Edit(dlg, Dlg::IDC_START_YEAR)->selectAll();
    for (const char* typed : {"2", "20", "201"}) {
        QTest::keyClick(Edit(dlg, Dlg::IDC_START_YEAR), typed[std::string(typed).size() - 1]);
        EXPECT_EQ(Edit(dlg, Dlg::IDC_START_YEAR)->text().toStdString(), typed);
        EXPECT_FALSE(Message(dlg).isEmpty());
        EXPECT_EQ(Length(dlg)[0], 175320);
    }
    QTest::keyClick(Edit(dlg, Dlg::IDC_START_YEAR), '8');
    EXPECT_TRUE(Message(dlg).isEmpty());
    EXPECT_EQ(Length(dlg), (Fields{8760, 0, 0}));
    EXPECT_TRUE(m_vecPrompts.empty());
}

TEST_F(CConnectionDlgTest, InstantsBeyondTheYearFieldsAreRefused)
{
    // The years run from 1970 to 9999, past what 32-bit times held.
    const std::string bounds = " must lie between 01/01/1970 01:00:00 and 31/12/9999 23:59:59.";
    const QString startRange = QString::fromStdString("The start" + bounds);
    const QString endRange = QString::fromStdString("The end" + bounds);

    CConnection early(CTime(0), CTime(3600), "Office"); // the first instant is 01:00 in Rome
    Dlg first(early, {});
    first.show();
    Spin(first, Dlg::IDC_START_HOURS_SPIN, -1);
    EXPECT_EQ(Message(first), startRange);
    EXPECT_EQ(Length(first), (Fields{1, 0, 0}));
    ClickOk(first);
    EXPECT_EQ(m_vecPrompts, std::vector<std::string>{startRange.toStdString()});
    EXPECT_EQ(first.focusWidget(), Edit(first, Dlg::IDC_START_HOURS));
    Spin(first, Dlg::IDC_START_HOURS_SPIN, +1);
    EXPECT_TRUE(Message(first).isEmpty());

    // A connection across 19 January 2038 03:14:07 UTC is edited like any other.
    m_vecPrompts.clear();
    CConnection across(CTime(2038, 1, 19, 3, 0, 0), CTime(2038, 1, 19, 4, 0, 0), "Office");
    Dlg middle(across, {});
    middle.show();
    Type(middle, Dlg::IDC_END_HOURS, "5");
    Type(middle, Dlg::IDC_START_YEAR, "2040");
    Type(middle, Dlg::IDC_LENGTH_HOURS, "26");
    EXPECT_EQ(Row(middle, false), (Fields{20, 1, 2040, 5, 0, 0}));
    ClickOk(middle);
    EXPECT_TRUE(m_vecPrompts.empty());
    EXPECT_EQ(across.GetStart(), CTime(2040, 1, 19, 3, 0, 0));
    EXPECT_EQ(across.GetEnd(), CTime(2040, 1, 20, 5, 0, 0));

    const CTime start(9999, 12, 30, 10, 0, 0), end(9999, 12, 30, 11, 0, 0);
    CConnection late(start, end, "Office");
    Dlg dlg(late, {});
    dlg.show();
    Type(dlg, Dlg::IDC_LENGTH_HOURS, "300000000");
    EXPECT_EQ(Message(dlg), endRange);
    EXPECT_EQ(Row(dlg, false), (Fields{31, 12, 9999, 16, 0, 0})); // from the length 30, the last that fitted
    // The fields read well but do not agree: OK waits until they do.
    ClickOk(dlg);
    EXPECT_EQ(m_vecPrompts, std::vector<std::string>{endRange.toStdString()});
    EXPECT_EQ(dlg.focusWidget(), Edit(dlg, Dlg::IDC_LENGTH_HOURS));
    EXPECT_EQ(late.GetEnd(), end);
    Type(dlg, Dlg::IDC_LENGTH_HOURS, "37");
    Type(dlg, Dlg::IDC_END_HOURS, "24"); // carried into the year 10000 by the end's own fields
    EXPECT_EQ(Message(dlg), endRange);
    Spin(dlg, Dlg::IDC_END_HOURS_SPIN, -1);
    ClickOk(dlg);
    EXPECT_EQ(late.GetEnd(), CTime(9999, 12, 31, 23, 0, 0));

    // West of UTC the first instant falls in 1969, which the year field would refuse, and the
    // last is the last second of 9999 in UTC.
    {
        CScopedTimeZone zone("America/New_York");
        CConnection west(CTime(1970, 1, 1, 0, 0, 0), CTime(1970, 1, 1, 1, 0, 0), "Office");
        Dlg view(west, {});
        view.show();
        Spin(view, Dlg::IDC_START_SECONDS_SPIN, -1);
        EXPECT_EQ(Message(view),
                  QStringLiteral("The start must lie between 01/01/1970 00:00:00 and 31/12/9999 18:59:59."));
    }
}

TEST_F(CConnectionDlgTest, AnEndBeforeTheStartIsRefused)
{
    const std::string order = "The end must not lie before the start.";
    const CTime start(2023, 5, 17, 10, 0, 0), end(2023, 5, 17, 11, 0, 0);
    struct SCase
    {
        const char* pszWhat;
        int nField;
        const char* pszTyped; // null: one step down of the field's spin
        Fields length;        // as the fields show it, the sign included
    };
    for (const SCase& c : {SCase{"end hours", Dlg::IDC_END_HOURS, "9", {-1, 0, 0}},
                           SCase{"start day", Dlg::IDC_START_DAY, "18", {-24, 0, 0}},
                           SCase{"length", Dlg::IDC_LENGTH_MINUTES, nullptr, {0, -1, 0}}}) {
        SCOPED_TRACE(c.pszWhat);
        m_vecPrompts.clear();
        CConnection record(start, end, "Office");
        Dlg dlg(record, {});
        dlg.show();
        Type(dlg, Dlg::IDC_LENGTH_HOURS, "0");
        if (c.pszTyped)
            Type(dlg, c.nField, c.pszTyped);
        else
            Spin(dlg, Dlg::IDC_LENGTH_MINUTES_SPIN, -1);
        EXPECT_EQ(Length(dlg), c.length);
        EXPECT_EQ(Message(dlg).toStdString(), order);
        ClickOk(dlg);
        EXPECT_EQ(m_vecPrompts, std::vector<std::string>{order});
        EXPECT_EQ(dlg.focusWidget(), Edit(dlg, c.nField));
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_EQ(record.GetEnd(), end);

        // Put right, the same OK stores it.
        Type(dlg, Dlg::IDC_LENGTH_MINUTES, "0");
        Type(dlg, Dlg::IDC_LENGTH_HOURS, "2");
        EXPECT_TRUE(Message(dlg).isEmpty());
        ClickOk(dlg);
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_EQ(record.GetEnd() - record.GetStart(), CTimeSpan(2 * 3600));
    }

    // A record read with its end first (edited by hand) opens, but OK asks for it to be put right.
    m_vecPrompts.clear();
    CConnection record(end, start, "Office");
    Dlg dlg(record, {});
    dlg.show();
    EXPECT_EQ(Length(dlg), (Fields{-1, 0, 0}));
    ClickOk(dlg);
    EXPECT_EQ(m_vecPrompts, std::vector<std::string>{order});
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(record.GetStart(), end);
    // An equal start and end is a connection of no time, which is allowed.
    Type(dlg, Dlg::IDC_LENGTH_HOURS, "0");
    ClickOk(dlg);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(record.GetEnd(), end);
}

TEST_F(CConnectionDlgTest, DaylightSavingDays)
{
    // 26 March 2023: the clock goes from 01:59:59 to 03:00:00.
    CConnection spring(CTime(2023, 3, 26, 1, 30, 0), CTime(2023, 3, 26, 4, 0, 0), "Office");
    Dlg dlg(spring, {});
    dlg.show();
    EXPECT_EQ(Length(dlg), (Fields{1, 30, 0}));
    Spin(dlg, Dlg::IDC_START_HOURS_SPIN, +1);
    EXPECT_EQ(Row(dlg, true), (Fields{26, 3, 2023, 3, 30, 0}));
    EXPECT_EQ(Length(dlg), (Fields{0, 30, 0}));
    Spin(dlg, Dlg::IDC_START_HOURS_SPIN, -1); // passes the missing hour instead of sticking
    EXPECT_EQ(Row(dlg, true), (Fields{26, 3, 2023, 1, 30, 0}));
    Type(dlg, Dlg::IDC_START_HOURS, "3");
    Type(dlg, Dlg::IDC_START_MINUTES, "0");
    Spin(dlg, Dlg::IDC_START_MINUTES_SPIN, -1); // not 03:59
    EXPECT_EQ(Row(dlg, true), (Fields{26, 3, 2023, 1, 59, 0}));
    EXPECT_EQ(Length(dlg), (Fields{1, 1, 0})); // real time, not the clock's 2:01

    // 29 October 2023: 02:00-02:59 happens twice. A record starting at the second 02:30 keeps
    // that start through other edits, and an hour's step from the first 02:30 reaches it.
    const CTime secondHalfPast = CTime(2023, 10, 29, 2, 30, 0) + CTimeSpan(3600);
    ASSERT_EQ(secondHalfPast.GetHour(), 2);
    CConnection autumn(secondHalfPast, CTime(2023, 10, 29, 3, 30, 0), "Office");
    Dlg second(autumn, {});
    second.show();
    EXPECT_EQ(Length(second), (Fields{1, 0, 0}));
    Spin(second, Dlg::IDC_END_MINUTES_SPIN, +1);
    EXPECT_EQ(Length(second), (Fields{1, 1, 0}));
    ClickOk(second);
    EXPECT_EQ(autumn.GetStart(), secondHalfPast);

    CConnection other(CTime(2023, 10, 29, 2, 30, 0), CTime(2023, 10, 29, 4, 0, 0), "Office");
    Dlg third(other, {});
    third.show();
    EXPECT_EQ(Length(third), (Fields{2, 30, 0}));
    Spin(third, Dlg::IDC_START_HOURS_SPIN, +1);
    EXPECT_EQ(Row(third, true), (Fields{29, 10, 2023, 2, 30, 0}));
    EXPECT_EQ(Length(third), (Fields{1, 30, 0}));
    ClickOk(third);
    EXPECT_EQ(other.GetStart(), secondHalfPast);
}

TEST_F(CConnectionDlgTest, RendersForTheDocs)
{
    // ZELMORIN_SCREENSHOTS names the folder of the documentation's pictures.
    CTempDir temp;
    const char* folder = std::getenv("ZELMORIN_SCREENSHOTS");
    const QString path =
        QString::fromStdString((folder ? std::string(folder) : temp.Path()) + "/connection-editor.png");
    CConnection record(CTime(2026, 12, 1, 9, 0, 0), CTime(2026, 12, 1, 10, 32, 10), "Office");
    Dlg dlg(record, {"Home ISP", "Office", "Mobile"});
    dlg.show();
    QApplication::processEvents();
    ASSERT_TRUE(dlg.grab().save(path));
    EXPECT_EQ(QImage(path).size(), dlg.size() * dlg.devicePixelRatio());
}
