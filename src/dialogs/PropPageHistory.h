#pragma once

#include <string>

#include "PropertyPage.h"

class QComboBox;

// The History preferences page: the date patterns of the tree's days and of the list's
// connections, each offered as a sample date written in it. The owner gives the patterns in
// and takes them back after OK; the page touches no setting itself.
class CPropPageHistory : public CPropertyPage
{
    Q_OBJECT

public:
    enum
    {
        IDD = 146,
        IDB_PICTURE = 145,
        IDC_DAY_FORMAT = 1022,
        IDC_CONNECTION_FORMAT = 1023,
    };

    explicit CPropPageHistory(QWidget* parent = nullptr);

    // A pattern that is not offered leaves the choice as it was.
    void SetDayDateFormat(const std::string& format);
    void SetConnectionDateFormat(const std::string& format);
    std::string GetDayDateFormat() const;
    std::string GetConnectionDateFormat() const; // empty for "None"

protected:
    void CreateControls(const CDialogUnits& units) override;
    void OnInitDialog() override;
    bool DoDataExchange(bool save) override;

private:
    int m_nDayFormat = 0;        // row of DateFormats
    int m_nConnectionFormat = 0; // 0 = None, else 1 + row of DateFormats
    QComboBox* m_pDayFormat = nullptr;
    QComboBox* m_pConnectionFormat = nullptr;
};

// The History window's Configure: the page alone in its own sheet, over the current patterns.
// On OK stores both patterns and returns true (even when nothing changed), so the caller
// redraws its views; false on Cancel.
bool RunHistoryProperties(QWidget* parent);
