#include "PasswordDlg.h"
#include "PasswordHash.h"

#include <string>
#include <vector>

#include <QLocale>

#include <gtest/gtest.h>

#include "DialogScript.h"
#include "NewPasswordDlg.h"
#include "Prompt.h"

namespace {

QLineEdit* Field(QWidget& dialog, int id)
{
    return dialog.findChild<QLineEdit*>(QStringLiteral("edit%1").arg(id));
}

// CheckPassword with the user typing typed and pressing Enter.
bool CheckTyped(const std::string& stored, const QString& typed)
{
    WhenModal<CPasswordDlg>([typed](CPasswordDlg& dialog) {
        Type(Field(dialog, CPasswordDlg::IDC_PASSWORD), typed);
        QTest::keyClick(Field(dialog, CPasswordDlg::IDC_PASSWORD), Qt::Key_Return);
    });
    return CheckPassword(stored, nullptr);
}

// Journals the message boxes, answered with m_bYes, and checks that nothing Qt logs carries
// the password.
class CPasswordDlgTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CPrompt::SetScript([this](CPrompt::Kind kind, const std::string& text) {
            m_vecPrompts.push_back((kind == CPrompt::Kind::Stop ? "stop: " : "") + text);
            return m_bYes;
        });
        s_log.clear();
        m_previous = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext&, const QString& text) { s_log.push_back(text); });
    }
    void TearDown() override
    {
        qInstallMessageHandler(m_previous);
        CPrompt::SetScript(nullptr);
        for (const QString& line : s_log)
            EXPECT_FALSE(line.contains(QStringLiteral("secret"), Qt::CaseInsensitive)) << line.toStdString();
    }

    std::vector<std::string> m_vecPrompts;
    bool m_bYes = false;
    static inline std::vector<QString> s_log;
    QtMessageHandler m_previous = nullptr;
    CModalWatchdog m_watchdog;
};

} // namespace

TEST_F(CPasswordDlgTest, LettersTurnUpperCaseAsTyped)
{
    CPasswordDlg dialog;
    QLineEdit* field = Field(dialog, CPasswordDlg::IDC_PASSWORD);
    EXPECT_EQ(field->echoMode(), QLineEdit::Password);
    QTest::keyClicks(field, QStringLiteral("secret7-x"));
    EXPECT_EQ(field->text(), QStringLiteral("SECRET7-X"));
    // In the middle the cursor stays after what was typed, also where a letter grows ("ß").
    field->setCursorPosition(1);
    Type(field, QStringLiteral("\u00dfa"));
    EXPECT_EQ(field->text(), QStringLiteral("SSSAECRET7-X"));
    EXPECT_EQ(field->cursorPosition(), 4);
}

// Run by CTest once more under a Turkish desktop (password_case_turkish), where the language's
// own rules would make "i" a dotted capital and lock out a password set elsewhere.
TEST_F(CPasswordDlgTest, UpperCaseDoesNotDependOnTheDesktopLanguage)
{
    if (qgetenv("LC_ALL").startsWith("tr")) {
        ASSERT_EQ(QLocale::system().language(), QLocale::Turkish);
    }
    CPasswordDlg dialog;
    QLineEdit* field = Field(dialog, CPasswordDlg::IDC_PASSWORD);
    Type(field, QStringLiteral("admin \u00e9t\u00e9 \u0131"));
    EXPECT_EQ(field->text(), QStringLiteral("ADMIN \u00c9T\u00c9 I"));
    EXPECT_TRUE(CheckTyped("ADMIN", QStringLiteral("admin")));
}

TEST_F(CPasswordDlgTest, CheckComparesExactlyAndSilently)
{
    EXPECT_TRUE(CheckTyped("SECRET", QStringLiteral("secret")));
    EXPECT_TRUE(CheckTyped("SECRET", QStringLiteral("SeCrEt")));
    EXPECT_FALSE(CheckTyped("SECRET", QStringLiteral("secre")));
    EXPECT_FALSE(CheckTyped("SECRET", QStringLiteral("secrets")));
    EXPECT_TRUE(CheckTyped("", QString()));
    EXPECT_FALSE(CheckTyped("secret", QStringLiteral("secret"))); // stored in lower case: never typed
    // As the settings store it now: the hash of the upper-case text.
    const std::string hashed = CPasswordHash::Hash("SECRET");
    EXPECT_TRUE(CheckTyped(hashed, QStringLiteral("secret")));
    EXPECT_FALSE(CheckTyped(hashed, QStringLiteral("secre")));
    EXPECT_FALSE(CheckTyped(hashed, QString()));
    WhenModal<CPasswordDlg>([](CPasswordDlg& dialog) {
        QTest::keyClicks(Field(dialog, CPasswordDlg::IDC_PASSWORD), QStringLiteral("secret"));
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    EXPECT_FALSE(CheckPassword("SECRET", nullptr));
    EXPECT_TRUE(m_vecPrompts.empty());
}

TEST_F(CPasswordDlgTest, AccentedLettersMatchHoweverTyped)
{
    const QLocale locale = QLocale::c();
    for (const QString& word : {QStringLiteral("\u00e9t\u00e9"), QStringLiteral("\u03c3\u03bf\u03c6\u03af\u03b1")}) {
        WhenModal<CNewPasswordDlg>([&](CNewPasswordDlg& dialog) {
            Type(Field(dialog, CNewPasswordDlg::IDC_FIRST), word);
            Type(Field(dialog, CNewPasswordDlg::IDC_SECOND), locale.toUpper(word));
            dialog.accept();
        });
        CNewPasswordDlg dialog;
        ASSERT_EQ(dialog.exec(), QDialog::Accepted);
        const std::string stored = PasswordBytes(dialog.m_strFirst);
        EXPECT_EQ(QString::fromStdString(stored), locale.toUpper(word));
        EXPECT_TRUE(CheckTyped(stored, word));
        EXPECT_TRUE(CheckTyped(stored, locale.toUpper(word)));
        // A letter and its accent sent as two characters, as some keyboards do.
        EXPECT_TRUE(CheckTyped(stored, word.normalized(QString::NormalizationForm_D)));
    }
}

TEST_F(CPasswordDlgTest, NewPasswordRefusesDifferentEntriesAndAsksForAnEmptyOne)
{
    CNewPasswordDlg dialog;
    QLineEdit* first = Field(dialog, CNewPasswordDlg::IDC_FIRST);
    QLineEdit* second = Field(dialog, CNewPasswordDlg::IDC_SECOND);
    WhenModal<CNewPasswordDlg>([&](CNewPasswordDlg& shown) {
        EXPECT_EQ(shown.focusWidget(), first);
        QTest::keyClicks(first, QStringLiteral("secret"));
        QTest::keyClicks(second, QStringLiteral("secrat"));
        shown.accept();
        EXPECT_TRUE(shown.isVisible());
        EXPECT_EQ(second->text(), QStringLiteral("SECRAT")); // kept as typed
        first->clear();
        second->clear();
        shown.accept(); // empty: No keeps the dialog open
        EXPECT_TRUE(shown.isVisible());
        m_bYes = true;
        shown.accept();
    });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    const std::string question = "You typed an empty password, this will remove the password protection.\n\nContinue?";
    EXPECT_EQ(m_vecPrompts, (std::vector<std::string>{"stop: The password you typed is incorrect. Please retry.",
                                                      question, question}));
    EXPECT_TRUE(dialog.m_strFirst.isEmpty());
}

TEST_F(CPasswordDlgTest, NothingTypedIsKeptAfterTheDialogsClose)
{
    for (bool ok : {true, false}) {
        CPasswordDlg password;
        CNewPasswordDlg newPassword;
        WhenModal<CPasswordDlg>([ok](CPasswordDlg& shown) {
            QTest::keyClicks(Field(shown, CPasswordDlg::IDC_PASSWORD), QStringLiteral("secret"));
            ok ? shown.accept() : shown.reject();
        });
        password.exec();
        EXPECT_TRUE(Field(password, CPasswordDlg::IDC_PASSWORD)->text().isEmpty());
        EXPECT_EQ(password.m_strPassword, ok ? QStringLiteral("SECRET") : QString());
        WhenModal<CNewPasswordDlg>([ok](CNewPasswordDlg& shown) {
            for (int id : {CNewPasswordDlg::IDC_FIRST, CNewPasswordDlg::IDC_SECOND})
                QTest::keyClicks(Field(shown, id), QStringLiteral("secret"));
            ok ? shown.accept() : shown.reject();
        });
        newPassword.exec();
        for (int id : {CNewPasswordDlg::IDC_FIRST, CNewPasswordDlg::IDC_SECOND})
            EXPECT_TRUE(Field(newPassword, id)->text().isEmpty());
        EXPECT_EQ(newPassword.m_strFirst, ok ? QStringLiteral("SECRET") : QString());
        EXPECT_TRUE(newPassword.m_strSecond.isEmpty());
    }

    // A wiped buffer that the string still holds reads as zeros; a shared one is left to its owner.
    QString text = QStringLiteral("SECRET").repeated(2);
    QByteArray bytes = text.toUtf8();
    const auto* chars = reinterpret_cast<const char16_t*>(text.constData());
    const char* byteChars = bytes.constData();
    QString shared = text;
    WipePassword(shared);
    EXPECT_EQ(text, QStringLiteral("SECRETSECRET"));
    WipePassword(text);
    WipePassword(bytes);
    ASSERT_EQ(reinterpret_cast<const char16_t*>(text.constData()), chars);
    ASSERT_EQ(bytes.constData(), byteChars);
    EXPECT_EQ(std::u16string(chars, 12), std::u16string(12, u'\0'));
    EXPECT_EQ(std::string(byteChars, 12), std::string(12, '\0'));
}
