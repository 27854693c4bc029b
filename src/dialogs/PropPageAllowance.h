#pragma once

#include <string>
#include <vector>

#include "PropertyPage.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

// The Allowance preferences page: a limit on connection time per day, week or month, the entry
// it counts and the share at which the first warning comes. Weeks and months begin where the
// General page says. The owner sets the members before the sheet runs and reads them back
// after OK.
class CPropPageAllowance : public CPropertyPage
{
    Q_OBJECT

public:
    enum
    {
        IDD = 150,
        IDC_ON = 1100,
        IDC_HOURS = 1101,
        IDC_MINUTES = 1102,
        IDC_PERIOD = 1103,
        IDC_ENTRY = 1104,
        IDC_WARN = 1105,
        IDC_HOURS_TEXT = 1106,
        IDC_MINUTES_TEXT = 1107,
        IDC_PERIOD_TEXT = 1108,
        IDC_ENTRY_TEXT = 1109,
        IDC_WARN_TEXT = 1110,
        IDC_WARN_UNIT = 1111,
        IDC_NOTE = 1112,
    };

    // Controls are named "check<id>", "edit<id>", "list<id>" and "text<id>".
    // entries: the phone book's names.
    explicit CPropPageAllowance(const std::vector<std::string>& entries, QWidget* parent = nullptr);

    // The most minutes each period may hold: a day, a week, a month of 31 days.
    static int MaxMinutes(int period);

    bool m_bOn = false;
    int m_nMinutes = 30 * 60;
    int m_nPeriod = 3;      // 1 day, 2 week, 3 month
    std::string m_strEntry; // empty: all connections
    int m_nWarnPercent = 80;

protected:
    void CreateControls(const CDialogUnits& units) override;
    void OnInitDialog() override;
    bool DoDataExchange(bool save) override;

private:
    bool ExchangeDuration(bool save);
    void ApplyEnableRule();

    std::vector<std::string> m_vecEntries;
    QCheckBox* m_pOn = nullptr;
    QLineEdit* m_pHours = nullptr;
    QLineEdit* m_pMinutes = nullptr;
    QComboBox* m_pPeriod = nullptr;
    QComboBox* m_pEntry = nullptr;
    QLineEdit* m_pWarn = nullptr;
    std::vector<QWidget*> m_vecGoverned;
};
