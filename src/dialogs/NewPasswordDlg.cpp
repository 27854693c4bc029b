#include "NewPasswordDlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "DialogUnits.h"
#include "PasswordDlg.h"
#include "Prompt.h"
#include "TextBytes.h"

namespace {

QLabel* AddText(QWidget* parent, const CDialogUnits& units, const QString& text, int y)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(units.Rect(7, y, 108, 8));
    return label;
}

} // namespace

CNewPasswordDlg::CNewPasswordDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("New Password"));
    setModal(true);

    const CDialogUnits units(this);
    setFixedSize(units.X(122), units.Y(89));
    QLabel* first = AddText(this, units, tr("Enter the password:"), 7);
    m_pFirst = CreatePasswordField(this, IDC_FIRST, units.Rect(7, 17, 108, 12));
    first->setBuddy(m_pFirst);
    QLabel* second = AddText(this, units, tr("Please, re-enter the password:"), 35);
    m_pSecond = CreatePasswordField(this, IDC_SECOND, units.Rect(7, 45, 108, 12));
    second->setBuddy(m_pSecond);

    auto* ok = new QPushButton(tr("OK"), this);
    ok->setGeometry(units.Rect(7, 68, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &CNewPasswordDlg::accept);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    cancel->setGeometry(units.Rect(65, 68, 50, 14));
    connect(cancel, &QPushButton::clicked, this, &CNewPasswordDlg::reject);
    OnInitDialog();
}

CNewPasswordDlg::~CNewPasswordDlg()
{
    ClearPasswordField(m_pFirst);
    ClearPasswordField(m_pSecond);
    WipePassword(m_strFirst);
    WipePassword(m_strSecond);
}

void CNewPasswordDlg::OnInitDialog()
{
    DoDataExchange(false);
    m_pFirst->setFocus();
}

void CNewPasswordDlg::accept()
{
    DoDataExchange(true);
    if (m_strFirst != m_strSecond) {
        CPrompt::Show(this, CPrompt::Kind::Stop,
                      BytesFromQString(tr("The password you typed is incorrect. Please retry.")));
        return;
    }
    if (m_strFirst.isEmpty() &&
        !CPrompt::Ask(this,
                      BytesFromQString(
                          tr("You typed an empty password, this will remove the password protection.\n\nContinue?"))))
        return;
    QDialog::accept();
}

void CNewPasswordDlg::done(int result)
{
    ClearPasswordField(m_pFirst);
    ClearPasswordField(m_pSecond);
    // Only the first entry is wanted after OK; the second has served its purpose.
    WipePassword(m_strSecond);
    if (result != QDialog::Accepted)
        WipePassword(m_strFirst);
    QDialog::done(result);
}

bool CNewPasswordDlg::DoDataExchange(bool save)
{
    if (save) {
        WipePassword(m_strFirst);
        WipePassword(m_strSecond);
        m_strFirst = ReadPasswordField(m_pFirst);
        m_strSecond = ReadPasswordField(m_pSecond);
    } else {
        m_pFirst->setText(m_strFirst);
        m_pSecond->setText(m_strSecond);
    }
    return true;
}
