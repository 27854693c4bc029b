#pragma once

#include <string>
#include <vector>

#include "PropertyPage.h"

class CPropPageAllowance;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QToolButton;

// The General preferences page: hiding the main window, keeping it on top, and the total in
// its title (which entry it counts, over which period, when weeks and months begin). The owner
// sets the members before the sheet runs and reads them back after OK.
class CPropPageGeneral : public CPropertyPage
{
    Q_OBJECT

public:
    enum
    {
        IDD = 141,
        IDB_PICTURE = 143,
        IDC_HIDE = 1014,
        IDC_AUTO_SHOW = 1015,
        IDC_ON_TOP = 1016,
        IDC_TOTAL = 1017,
        IDC_SINCE_INSTALLATION = 1022, // the first of the four period buttons
        IDC_TODAY = 1018,
        IDC_THIS_WEEK = 1019,
        IDC_THIS_MONTH = 1020,
        IDC_WEEK_START = 1021,
        IDC_ENTRY = 1028,
        IDC_MONTH_START = 1071,
        IDC_MONTH_START_SPIN = 1072,
        IDC_MONTH_START_TEXT = 1073,
        IDC_WEEK_START_TEXT = 1074,
    };

    // Controls are named "check<id>", "radio<id>", "list<id>", "edit<id>", "text<id>" and the
    // halves of the spin button "spin1072Up" and "spin1072Down". entries: the phone book's names.
    explicit CPropPageGeneral(const std::vector<std::string>& entries, QWidget* parent = nullptr);

    // In the order of the data exchange.
    bool m_bHide = false;
    bool m_bOnTop = false;
    bool m_bTotal = false;
    int m_nWeekStart = 0; // 0 = Sunday
    bool m_bAutoShow = false;
    int m_nTotalType = 0;   // since installation, today, this week, this month
    std::string m_strEntry; // empty: all connections
    int m_nMonthStart = 1;
    // The sheet's Allowance page, whose week or month begins on the days set here too: they are
    // editable whenever it or the title total counts such a period.
    const CPropPageAllowance* m_pAllowancePage = nullptr;

protected:
    void CreateControls(const CDialogUnits& units) override;
    void OnInitDialog() override;
    void OnSetActive() override;
    bool DoDataExchange(bool save) override;

private:
    void FillEntries();
    bool ExchangeEntry(bool save);
    bool ExchangeTotalType(bool save);
    void OnClick();
    void ApplyEnableRule();
    void StepMonthStart(int delta);

    std::vector<std::string> m_vecEntries;
    QCheckBox* m_pHide = nullptr;
    QCheckBox* m_pAutoShow = nullptr;
    QCheckBox* m_pOnTop = nullptr;
    QCheckBox* m_pTotal = nullptr;
    QComboBox* m_pEntry = nullptr;
    QButtonGroup* m_pTotalType = nullptr;
    QLabel* m_pWeekStartText = nullptr;
    QComboBox* m_pWeekStart = nullptr;
    QLabel* m_pMonthStartText = nullptr;
    QLineEdit* m_pMonthStart = nullptr;
    QToolButton* m_pMonthStartUp = nullptr;
    QToolButton* m_pMonthStartDown = nullptr;
};
