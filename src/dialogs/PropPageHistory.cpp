#include "PropPageHistory.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>

#include "DateFormats.h"
#include "DialogUnits.h"
#include "PropertySheet.h"
#include "Time.h"
#include "TimeTexts.h"

namespace {

} // namespace

CPropPageHistory::CPropPageHistory(QWidget* parent) : CPropertyPage(tr("History"), 223, 138, parent) {}

void CPropPageHistory::SetDayDateFormat(const std::string& format)
{
    for (int row = 0; row < kDateFormatCount; ++row) {
        if (format == DateFormats[row]) {
            m_nDayFormat = row;
            return;
        }
    }
}

void CPropPageHistory::SetConnectionDateFormat(const std::string& format)
{
    for (int row = 0; row < kConnectionDateFormatCount; ++row) {
        if (format == DateFormats[row]) {
            m_nConnectionFormat = row + 1;
            return;
        }
    }
}

std::string CPropPageHistory::GetDayDateFormat() const
{
    // Only a list without a selection could leave the row outside the table.
    const bool offered = m_nDayFormat >= 0 && m_nDayFormat < kDateFormatCount;
    return DateFormats[offered ? m_nDayFormat : 0];
}

std::string CPropPageHistory::GetConnectionDateFormat() const
{
    if (m_nConnectionFormat < 1 || m_nConnectionFormat > kConnectionDateFormatCount)
        return std::string();
    return DateFormats[m_nConnectionFormat - 1];
}

void CPropPageHistory::CreateControls(const CDialogUnits& units)
{
    AddPicture(IDB_PICTURE, units.Rect(7, 7, 67, 124));
    QLabel* dayText = AddText(this, 0, tr("Day date format in tree view"), units.Rect(84, 14, 132, 8));
    m_pDayFormat = AddList(this, IDC_DAY_FORMAT, units.Rect(84, 25, 132, 12));
    dayText->setBuddy(m_pDayFormat);
    QLabel* connectionText = AddText(this, 0, tr("Details date format in list view"), units.Rect(84, 50, 132, 8));
    m_pConnectionFormat = AddList(this, IDC_CONNECTION_FORMAT, units.Rect(84, 61, 132, 12));
    connectionText->setBuddy(m_pConnectionFormat);
}

void CPropPageHistory::OnInitDialog()
{
    // One fixed date rather than today, so that every pattern reads unambiguously (day 23 cannot
    // be mistaken for a month).
    const CTime sample(1998, 1, 23, 18, 25, 15);
    for (int row = 0; row < kDateFormatCount; ++row)
        m_pDayFormat->addItem(QString::fromLocal8Bit(sample.Format(DateFormats[row]).c_str()));
    m_pConnectionFormat->addItem(tr("None"));
    for (int row = 0; row < kConnectionDateFormatCount; ++row)
        m_pConnectionFormat->addItem(QString::fromLocal8Bit(sample.Format(DateFormats[row]).c_str()));
    UpdateData(false);
}

bool CPropPageHistory::DoDataExchange(bool save)
{
    return ExchangeComboIndex(save, m_pDayFormat, m_nDayFormat) &&
           ExchangeComboIndex(save, m_pConnectionFormat, m_nConnectionFormat);
}

bool RunHistoryProperties(QWidget* parent)
{
    CPropPageHistory page;
    page.SetDayDateFormat(DayDateFormat);
    page.SetConnectionDateFormat(ConnectionDateFormat);
    CPropertySheet sheet(QCoreApplication::translate("CPropPageHistory", "Zelmorin - History properties"), parent);
    sheet.AddPage(&page);
    if (sheet.exec() != QDialog::Accepted)
        return false;
    DayDateFormat = page.GetDayDateFormat();
    ConnectionDateFormat = page.GetConnectionDateFormat();
    return true;
}
