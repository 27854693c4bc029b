// Renders the preference pages and the two password dialogs off screen:
// zelmorin_preferences_screenshot <directory>. Writes prefs-general.png, prefs-history.png,
// prefs-advanced.png, prefs-allowance.png, password.png and new-password.png. Not a test.
#include <cstdio>

#include <QApplication>
#include <QDir>
#include <QLineEdit>

#include "NewPasswordDlg.h"
#include "PasswordDlg.h"
#include "PropPageAdvanced.h"
#include "PropPageAllowance.h"
#include "PropPageGeneral.h"
#include "PropPageHistory.h"
#include "PropertySheet.h"

namespace {

bool Save(QWidget& window, const QDir& directory, const char* name)
{
    QApplication::processEvents();
    const QString path = directory.filePath(QString::fromLatin1(name));
    if (window.grab().save(path))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <directory>\n", argv[0]);
        return 2;
    }
    const QDir directory(QString::fromLocal8Bit(argv[1]));

    // A user who counts this week's time on one entry and guards Exit with a password.
    CPropPageGeneral general({"Office", "Home ISP", "Mobile"});
    general.m_bTotal = true;
    general.m_nTotalType = 2;
    general.m_nWeekStart = 1;
    general.m_strEntry = "Home ISP";
    CPropPageHistory history;
    history.SetDayDateFormat("%a, %d %b %Y");
    history.SetConnectionDateFormat("%d/%m/%Y");
    CPropPageAdvanced advanced;
    advanced.m_bAutoStart = true;
    advanced.m_bProtect = true;
    advanced.m_bProtectExit = true;
    advanced.m_bProtectConfig = true;
    advanced.m_strPassword = "SECRET";

    // Thirty hours a month of the mobile link, warned at 80 %.
    CPropPageAllowance allowance({"Office", "Home ISP", "Mobile"});
    allowance.m_bOn = true;
    allowance.m_nMinutes = 30 * 60;
    allowance.m_strEntry = "Mobile";

    CPropertySheet sheet(QStringLiteral("Zelmorin - Properties"));
    sheet.AddPage(&general);
    sheet.AddPage(&history);
    sheet.AddPage(&advanced);
    sheet.AddPage(&allowance);
    sheet.show();
    bool saved = Save(sheet, directory, "prefs-general.png");
    sheet.SetActivePage(1);
    saved = Save(sheet, directory, "prefs-history.png") && saved;
    sheet.SetActivePage(2);
    saved = Save(sheet, directory, "prefs-advanced.png") && saved;
    sheet.SetActivePage(3);
    saved = Save(sheet, directory, "prefs-allowance.png") && saved;
    sheet.hide();

    CPasswordDlg password;
    password.show();
    password.findChild<QLineEdit*>()->setText(QStringLiteral("SECRET"));
    saved = Save(password, directory, "password.png") && saved;
    password.reject();

    CNewPasswordDlg newPassword;
    newPassword.show();
    for (QLineEdit* field : newPassword.findChildren<QLineEdit*>())
        field->setText(QStringLiteral("SECRET"));
    saved = Save(newPassword, directory, "new-password.png") && saved;
    newPassword.reject();
    return saved ? 0 : 1;
}
