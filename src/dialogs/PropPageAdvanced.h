#pragma once

#include <string>

#include "PropertyPage.h"

class QCheckBox;
class QPushButton;

// The Advanced preferences page: automatic start, history editing, and the password protection
// with the functions it guards. While protection is on and the Preferences command itself is not
// guarded, the page asks for the password when it first opens; without the right one it stays
// locked, every control disabled, for the rest of the sheet's run.
class CPropPageAdvanced : public CPropertyPage
{
    Q_OBJECT

public:
    enum
    {
        IDD = 106,
        IDB_PICTURE = 157,
        IDC_AUTO_START = 1029,
        IDC_PROTECT = 1030,
        IDC_PROTECT_EXIT = 1031,
        IDC_PROTECT_CONFIG = 1032,
        IDC_PROTECT_HISTORY = 1033,
        IDC_NEW_PASSWORD = 1034,
        IDC_HISTORY_EDIT = 1035,
    };

    // Check boxes are named "check<id>", the button "button1034".
    explicit CPropPageAdvanced(QWidget* parent = nullptr);
    ~CPropPageAdvanced() override;

    // In the order of the data exchange.
    bool m_bAutoStart = false;
    bool m_bProtect = false;
    bool m_bProtectConfig = false;
    bool m_bProtectExit = false;
    bool m_bProtectHistory = false;
    bool m_bHistoryEdit = false;
    // The password as stored (upper-case letters, UTF-8); no control shows it. The owner gives
    // the stored one only while protection is on. Wiped with the page.
    std::string m_strPassword;

    bool IsLocked() const { return m_bLocked; }

protected:
    void CreateControls(const CDialogUnits& units) override;
    void OnInitDialog() override;
    bool DoDataExchange(bool save) override;

private:
    void OnProtectClicked();
    void OnNewPasswordClicked();
    void RunNewPassword();
    void ApplyEnableRule();

    bool m_bLocked = true; // until the page has opened without being refused
    QCheckBox* m_pAutoStart = nullptr;
    QCheckBox* m_pProtect = nullptr;
    QCheckBox* m_pProtectConfig = nullptr;
    QCheckBox* m_pProtectExit = nullptr;
    QCheckBox* m_pProtectHistory = nullptr;
    QCheckBox* m_pHistoryEdit = nullptr;
    QPushButton* m_pNewPassword = nullptr;
};
