#include "Preferences.h"

#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTabWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "AllowanceSettings.h"
#include "DialogScript.h"
#include "MonitorSettings.h"
#include "NewPasswordDlg.h"
#include "PasswordDlg.h"
#include "Prompt.h"
#include "PropPageAdvanced.h"
#include "PropPageGeneral.h"
#include "PropertySheet.h"
#include "StartupShortcut.h"
#include "TimeTexts.h"

namespace {

using Adv = CPropPageAdvanced;
using Sheet = CPropertySheet;

auto Snapshot(const CMonitorSettings& s)
{
    return std::make_tuple(s.m_bHidden, s.m_bAutoShow, s.m_bOnTop, s.m_bShowTotal, s.m_strSelectedISP, s.m_nTotalType,
                           s.m_nWeekStart, s.m_nMonthStart, s.m_bAutoStart, s.m_bProtect, s.m_bProtectExit,
                           s.m_bProtectConfig, s.m_bProtectHistory, s.m_bHistoryEdit, s.m_strPassword, DayDateFormat,
                           ConnectionDateFormat);
}

// A control of one page by name, "check1014" or "list1022".
template <typename T = QAbstractButton> T* On(Sheet& sheet, int page, const char* kind, int id)
{
    if (sheet.GetActiveIndex() != page)
        sheet.findChild<QTabWidget*>()->setCurrentIndex(page);
    return sheet.GetPage(page)->findChild<T*>(QLatin1String(kind) + QString::number(id));
}

// 1 for each enabled control of the Advanced page: auto-load, history editing, protection, the
// three guards and the new-password button.
std::string AdvancedEnabled(Sheet& sheet)
{
    std::string bits;
    for (int id : {1029, 1035, 1030, 1031, 1032, 1033, 1034})
        bits += On<QWidget>(sheet, 2, id == 1034 ? "button" : "check", id)->isEnabled() ? '1' : '0';
    return bits;
}

// The password dialog, with OK on typed or Cancel without.
void AnswerPassword(std::optional<QString> typed)
{
    WhenModal<CPasswordDlg>([typed](CPasswordDlg& dialog) {
        if (!typed)
            return dialog.reject();
        Type(dialog.findChild<QLineEdit*>(), *typed);
        dialog.accept();
    });
}

void AnswerNewPassword(const QString& typed)
{
    WhenModal<CNewPasswordDlg>([typed](CNewPasswordDlg& dialog) {
        for (QLineEdit* field : dialog.findChildren<QLineEdit*>())
            Type(field, typed);
        dialog.accept();
    });
}

// Autostart entries go to a configuration home of the test's own; the date patterns and the
// message boxes are put back afterwards (an empty password is confirmed).
class CPreferencesTest : public ::testing::Test
{
protected:
    CPreferencesTest()
    {
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
        CPrompt::SetScript([this](CPrompt::Kind, const std::string& text) {
            m_vecPrompts.push_back(text);
            return true;
        });
    }
    ~CPreferencesTest() override
    {
        m_oldConfig.isNull() ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", m_oldConfig);
        DayDateFormat = m_strDay;
        ConnectionDateFormat = m_strConnection;
        CPrompt::SetScript(nullptr);
    }

    template <typename FAct> bool Run(const std::vector<std::string>& entries, FAct act)
    {
        WhenModal<Sheet>([act](Sheet& sheet) {
            EXPECT_EQ(sheet.windowTitle(), QStringLiteral("Zelmorin - Properties"));
            act(sheet);
        });
        return RunPreferences(m_settings, m_allowance, entries, nullptr);
    }
    static bool EntryExists() { return QFile::exists(GetStartupShortcutPath()); }

    QByteArray m_oldConfig = qgetenv("XDG_CONFIG_HOME");
    QTemporaryDir m_config;
    std::string m_strDay = DayDateFormat;
    std::string m_strConnection = ConnectionDateFormat;
    std::vector<std::string> m_vecPrompts;
    CMonitorSettings m_settings;
    CAllowanceSettings m_allowance;
    CModalWatchdog m_watchdog;
};

} // namespace

TEST_F(CPreferencesTest, OkStoresEveryPageAndCancelNothing)
{
    auto edit = [](Sheet& sheet) {
        for (int id : {1014, 1015, 1016, 1017})
            On(sheet, 0, "check", id)->click();
        On(sheet, 0, "radio", CPropPageGeneral::IDC_THIS_WEEK)->click();
        On<QComboBox>(sheet, 0, "list", 1028)->setCurrentIndex(2); // Office
        On<QComboBox>(sheet, 0, "list", 1021)->setCurrentIndex(1);
        On<QComboBox>(sheet, 1, "list", 1022)->setCurrentIndex(7);
        On<QComboBox>(sheet, 1, "list", 1023)->setCurrentIndex(3);
        // The defaults guard Configure with protection off: nothing asks for a password.
        EXPECT_EQ(AdvancedEnabled(sheet), "1110000");
        On(sheet, 2, "check", Adv::IDC_AUTO_START)->click();
        On(sheet, 2, "check", Adv::IDC_HISTORY_EDIT)->click();
    };
    const auto before = Snapshot(m_settings);
    EXPECT_FALSE(Run({"Office", "Home"}, [&edit](Sheet& sheet) {
        edit(sheet);
        sheet.reject();
    }));
    EXPECT_EQ(Snapshot(m_settings), before);
    EXPECT_FALSE(EntryExists());

    EXPECT_TRUE(Run({"Office", "Home"}, [&edit](Sheet& sheet) {
        edit(sheet);
        sheet.accept();
    }));
    CMonitorSettings expected;
    expected.m_bHidden = expected.m_bAutoShow = expected.m_bOnTop = expected.m_bShowTotal = true;
    expected.m_strSelectedISP = "Office";
    expected.m_nTotalType = 2;
    expected.m_nWeekStart = 1;
    expected.m_bAutoStart = expected.m_bHistoryEdit = true;
    EXPECT_EQ(Snapshot(m_settings), Snapshot(expected));
    EXPECT_EQ(DayDateFormat, "%d %b %Y");
    EXPECT_EQ(ConnectionDateFormat, "%d/%m");
    EXPECT_TRUE(EntryExists());
}

TEST_F(CPreferencesTest, ChoicesNotOfferedAreReplacedOnOk)
{
    // Entry, day pattern, connection pattern; the History page opened or never built.
    for (const auto& [entry, day, connection, visit] :
         {std::make_tuple("Gone", "%Y", "%a, %d %b %Y", true), std::make_tuple("office", "%d/%m/%Y ", "", false)}) {
        m_settings.m_strSelectedISP = entry;
        DayDateFormat = day;
        ConnectionDateFormat = connection;
        EXPECT_TRUE(Run({"Office"}, [visit = visit](Sheet& sheet) {
            EXPECT_EQ(On<QComboBox>(sheet, 0, "list", 1028)->currentIndex(), 0);
            if (visit) {
                EXPECT_EQ(On<QComboBox>(sheet, 1, "list", 1022)->currentIndex(), 0);
                EXPECT_EQ(On<QComboBox>(sheet, 1, "list", 1023)->currentText(), QStringLiteral("None"));
            }
            sheet.accept();
        }));
        EXPECT_EQ(std::tie(m_settings.m_strSelectedISP, DayDateFormat, ConnectionDateFormat),
                  std::make_tuple("", "%d/%m/%Y", ""));
    }
}

TEST_F(CPreferencesTest, AutostartEntryFollowsOnlyAChangeOfTheBox)
{
    auto toggle = [](Sheet& sheet) {
        On(sheet, 2, "check", Adv::IDC_AUTO_START)->click();
        sheet.accept();
    };
    auto keep = [](Sheet& sheet) { sheet.accept(); };
    EXPECT_TRUE(Run({}, toggle));
    EXPECT_TRUE(m_settings.m_bAutoStart && EntryExists());
    EXPECT_TRUE(Run({}, toggle));
    EXPECT_FALSE(m_settings.m_bAutoStart || EntryExists());
    // The box unchanged leaves the entry alone, even where the two disagree.
    ASSERT_TRUE(CreateStartupShortcut());
    EXPECT_TRUE(Run({}, keep));
    EXPECT_TRUE(EntryExists());
    m_settings.m_bAutoStart = true;
    ASSERT_TRUE(RemoveStartupShortcut());
    EXPECT_TRUE(Run({}, keep));
    EXPECT_FALSE(EntryExists());
    // An entry that cannot be removed still starts the program, and the box keeps saying so.
    ASSERT_TRUE(QDir().mkpath(GetStartupShortcutPath() + QStringLiteral("/stuck")));
    EXPECT_TRUE(Run({}, toggle));
    EXPECT_TRUE(m_settings.m_bAutoStart);
}

TEST_F(CPreferencesTest, AdvancedPageAsksOnlyWhenConfigureIsNotGuarded)
{
    m_settings.m_bProtect = true;
    m_settings.m_bProtectConfig = false;
    m_settings.m_strPassword = "SECRET";
    for (const std::optional<QString>& answer : {std::optional<QString>(), std::optional(QStringLiteral("secre"))}) {
        EXPECT_TRUE(Run({}, [&answer](Sheet& sheet) {
            On(sheet, 0, "check", CPropPageGeneral::IDC_ON_TOP)->click();
            AnswerPassword(answer);
            EXPECT_EQ(AdvancedEnabled(sheet), "0000000");
            On(sheet, 0, "check", CPropPageGeneral::IDC_ON_TOP); // and back: asked once a sheet
            EXPECT_EQ(AdvancedEnabled(sheet), "0000000");
            sheet.accept();
        }));
        EXPECT_TRUE(std::exchange(m_settings.m_bOnTop, false));
        EXPECT_EQ(std::tie(m_settings.m_bProtect, m_settings.m_bProtectConfig, m_settings.m_strPassword),
                  std::make_tuple(true, false, "SECRET"));
    }
    EXPECT_TRUE(Run({}, [](Sheet& sheet) {
        AnswerPassword(QStringLiteral("secret"));
        EXPECT_EQ(AdvancedEnabled(sheet), "1111111");
        On(sheet, 2, "check", Adv::IDC_PROTECT_CONFIG)->click();
        sheet.accept();
    }));
    // Now the main window asks before the sheet opens, and the page does not ask again.
    EXPECT_TRUE(Run({}, [](Sheet& sheet) {
        EXPECT_EQ(AdvancedEnabled(sheet), "1111111");
        sheet.accept();
    }));
    EXPECT_TRUE(m_settings.m_bProtectConfig);
    EXPECT_EQ(m_settings.m_strPassword, "SECRET");
}

TEST_F(CPreferencesTest, ProtectionNeedsAPassword)
{
    EXPECT_TRUE(Run({}, [](Sheet& sheet) {
        QAbstractButton* protect = On(sheet, 2, "check", Adv::IDC_PROTECT);
        WhenModal<CNewPasswordDlg>([](CNewPasswordDlg& dialog) { dialog.reject(); });
        protect->click();
        EXPECT_FALSE(protect->isChecked());
        AnswerNewPassword(QString()); // confirmed empty
        protect->click();
        EXPECT_EQ(AdvancedEnabled(sheet), "1110000");
        AnswerNewPassword(QStringLiteral("first"));
        protect->click();
        EXPECT_EQ(AdvancedEnabled(sheet), "1111111");
        AnswerNewPassword(QStringLiteral("s\u00e9same"));
        On(sheet, 2, "button", Adv::IDC_NEW_PASSWORD)->click();
        sheet.accept();
    }));
    EXPECT_EQ(m_vecPrompts.size(), 1u);
    EXPECT_TRUE(m_settings.m_bProtect);
    EXPECT_EQ(m_settings.m_strPassword, "S\u00c9SAME");
    // Switched off, the password stays until the next OK, which opens the page without one.
    EXPECT_TRUE(Run({}, [](Sheet& sheet) {
        On(sheet, 2, "check", Adv::IDC_PROTECT)->click();
        sheet.accept();
    }));
    EXPECT_EQ(std::tie(m_settings.m_bProtect, m_settings.m_strPassword), std::make_tuple(false, "S\u00c9SAME"));
    EXPECT_TRUE(Run({}, [](Sheet& sheet) { sheet.accept(); }));
    EXPECT_EQ(m_settings.m_strPassword, "");
}

TEST_F(CPreferencesTest, StartDaysAreEditableWhenTheAllowanceCountsTheirPeriod)
{
    // Week list and month start field of the General page, after the Allowance page was left
    // with the allowance on or off over the period given.
    auto startDays = [](Sheet& sheet, bool on, int periodRow) {
        QAbstractButton* allowanceOn = On(sheet, 3, "check", 1100);
        if (allowanceOn->isChecked() != on)
            allowanceOn->click();
        if (on)
            On<QComboBox>(sheet, 3, "list", 1103)->setCurrentIndex(periodRow);
        const bool week = On<QWidget>(sheet, 0, "list", 1021)->isEnabled();
        const bool month = On<QWidget>(sheet, 0, "edit", 1071)->isEnabled();
        return std::string(week ? "W" : "-") + (month ? "M" : "-");
    };
    m_settings.m_bShowTotal = false;
    std::vector<std::string> seen;
    EXPECT_TRUE(Run({}, [&](Sheet& sheet) {
        seen.push_back(startDays(sheet, false, 0));
        for (int row : {0, 1, 2})
            seen.push_back(startDays(sheet, true, row));
        seen.push_back(startDays(sheet, false, 2));
        // The week day chosen while only the allowance needs it is kept.
        startDays(sheet, true, 1);
        On<QComboBox>(sheet, 0, "list", 1021)->setCurrentIndex(1);
        sheet.accept();
    }));
    EXPECT_EQ(seen, (std::vector<std::string>{"--", "--", "W-", "-M", "--"}));
    EXPECT_EQ(m_settings.m_nWeekStart, 1);
    EXPECT_EQ(m_allowance.m_nPeriod, CAllowanceSettings::kWeek);
}

TEST_F(CPreferencesTest, AllowancePageGoesIntoItsOwnSettingsOnOkOnly)
{
    auto edit = [](Sheet& sheet) {
        On(sheet, 3, "check", 1100)->click();
        On<QLineEdit>(sheet, 3, "edit", 1101)->setText(QStringLiteral("2"));
        On<QLineEdit>(sheet, 3, "edit", 1102)->setText(QStringLiteral("15"));
        On<QComboBox>(sheet, 3, "list", 1103)->setCurrentIndex(0);
        On<QComboBox>(sheet, 3, "list", 1104)->setCurrentIndex(2); // Office
    };
    EXPECT_FALSE(Run({"Office", "Home"}, [&edit](Sheet& sheet) {
        edit(sheet);
        sheet.reject();
    }));
    EXPECT_FALSE(m_allowance.m_bOn);
    EXPECT_EQ(m_allowance.m_nMinutes, CAllowanceSettings().m_nMinutes);

    const auto before = Snapshot(m_settings);
    EXPECT_TRUE(Run({"Office", "Home"}, [&edit](Sheet& sheet) {
        edit(sheet);
        sheet.accept();
    }));
    EXPECT_TRUE(m_allowance.m_bOn);
    EXPECT_EQ(m_allowance.m_nMinutes, 2 * 60 + 15);
    EXPECT_EQ(m_allowance.m_nPeriod, CAllowanceSettings::kDay);
    EXPECT_EQ(m_allowance.m_strEntry, "Office");
    EXPECT_EQ(m_allowance.m_nWarnPercent, 80);
    // The other pages' settings are untouched.
    EXPECT_EQ(Snapshot(m_settings), before);
}
