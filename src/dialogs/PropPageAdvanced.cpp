#include "PropPageAdvanced.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRegion>

#include "DialogUnits.h"
#include "NewPasswordDlg.h"
#include "PasswordDlg.h"

namespace {

} // namespace

CPropPageAdvanced::CPropPageAdvanced(QWidget* parent) : CPropertyPage(tr("Advanced"), 223, 138, parent) {}

CPropPageAdvanced::~CPropPageAdvanced()
{
    WipePassword(m_strPassword);
}

void CPropPageAdvanced::CreateControls(const CDialogUnits& units)
{
    AddPicture(IDB_PICTURE, units.Rect(7, 7, 67, 124));

    m_pAutoStart = AddCheck(this, IDC_AUTO_START, tr("&Auto-load at Startup"), units.Rect(84, 7, 132, 10));
    m_pHistoryEdit = AddCheck(this, IDC_HISTORY_EDIT, tr("Enable History &Editing"), units.Rect(84, 20, 132, 10));

    // The protection's check box stands on the top edge of the frame around what it governs;
    // the frame leaves a gap for it, so the line does not run through its text.
    auto* frame = new QGroupBox(this);
    frame->setGeometry(units.Rect(84, 40, 132, 91));
    m_pProtect = AddCheck(this, IDC_PROTECT, tr("&Password protection"), QRect());
    const QSize size = m_pProtect->sizeHint();
    m_pProtect->setGeometry(frame->x() + units.X(5), frame->y() - size.height() / 2,
                            qMin(size.width(), frame->width() - units.X(10)), size.height());
    const QRect gap = m_pProtect->geometry().adjusted(-units.X(1), 0, units.X(1), 0).translated(-frame->pos());
    frame->setMask(QRegion(frame->rect()).subtracted(gap));

    auto* note = new QLabel(
        tr("With password protection you can restrict the access to the following Zelmorin's functions:"), this);
    note->setTextFormat(Qt::PlainText);
    note->setWordWrap(true);
    note->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    note->setGeometry(units.Rect(91, 51, 118, 26));

    m_pProtectExit = AddCheck(this, IDC_PROTECT_EXIT, tr("E&xit"), units.Rect(97, 78, 112, 10));
    m_pProtectConfig = AddCheck(this, IDC_PROTECT_CONFIG, tr("&Configure"), units.Rect(97, 89, 112, 10));
    m_pProtectHistory = AddCheck(this, IDC_PROTECT_HISTORY, tr("&History View"), units.Rect(97, 100, 112, 10));
    m_pNewPassword = new QPushButton(tr("&New password..."), this);
    m_pNewPassword->setObjectName(QStringLiteral("button%1").arg(IDC_NEW_PASSWORD));
    m_pNewPassword->setGeometry(units.Rect(97, 113, 70, 14));
    // Everything stays locked until the page knows whether the user may change it.
    for (QWidget* control : std::initializer_list<QWidget*>{m_pAutoStart, m_pHistoryEdit, m_pProtect, m_pProtectExit,
                                                            m_pProtectConfig, m_pProtectHistory, m_pNewPassword})
        control->setEnabled(false);

    connect(m_pProtect, &QCheckBox::clicked, this, &CPropPageAdvanced::OnProtectClicked);
    connect(m_pNewPassword, &QPushButton::clicked, this, &CPropPageAdvanced::OnNewPasswordClicked);
}

void CPropPageAdvanced::OnInitDialog()
{
    UpdateData(false);
    // With Configure guarded the password was asked before the sheet opened.
    if (m_bProtect && !m_bProtectConfig) {
        CPasswordDlg dialog(this);
        if (dialog.exec() != QDialog::Accepted || !PasswordMatches(dialog.m_strPassword, m_strPassword))
            return;
    }
    m_bLocked = false;
    for (QWidget* control : std::initializer_list<QWidget*>{m_pAutoStart, m_pHistoryEdit, m_pProtect})
        control->setEnabled(true);
    ApplyEnableRule();
}

bool CPropPageAdvanced::DoDataExchange(bool save)
{
    for (auto [box, value] : {std::pair<QCheckBox*, bool*>{m_pAutoStart, &m_bAutoStart},
                              {m_pProtect, &m_bProtect},
                              {m_pProtectConfig, &m_bProtectConfig},
                              {m_pProtectExit, &m_bProtectExit},
                              {m_pProtectHistory, &m_bProtectHistory},
                              {m_pHistoryEdit, &m_bHistoryEdit}}) {
        if (save)
            *value = box->isChecked();
        else
            box->setChecked(*value);
    }
    return true;
}

void CPropPageAdvanced::OnProtectClicked()
{
    UpdateData(true);
    if (m_bProtect && m_strPassword.empty())
        RunNewPassword();
    ApplyEnableRule();
    UpdateData(false);
}

void CPropPageAdvanced::OnNewPasswordClicked()
{
    RunNewPassword();
    ApplyEnableRule();
    UpdateData(false);
}

void CPropPageAdvanced::RunNewPassword()
{
    CNewPasswordDlg dialog(this);
    if (dialog.exec() == QDialog::Accepted) {
        WipePassword(m_strPassword);
        m_strPassword = PasswordBytes(dialog.m_strFirst);
    }
    // Protection without a password would guard nothing.
    if (m_strPassword.empty())
        m_bProtect = false;
}

void CPropPageAdvanced::ApplyEnableRule()
{
    if (m_bLocked)
        return;
    for (QWidget* control :
         std::initializer_list<QWidget*>{m_pProtectExit, m_pProtectConfig, m_pProtectHistory, m_pNewPassword})
        control->setEnabled(m_bProtect);
}
