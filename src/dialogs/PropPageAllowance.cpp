#include "PropPageAllowance.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>

#include "AllowanceSettings.h"
#include "DialogUnits.h"
#include "EntryList.h"

namespace {

constexpr int kDay = CAllowanceSettings::kDay;
constexpr int kMonth = CAllowanceSettings::kMonth;

QLineEdit* AddNumber(QWidget* page, int id, const QRect& area)
{
    auto* edit = new QLineEdit(page);
    edit->setObjectName(QStringLiteral("edit%1").arg(id));
    edit->setGeometry(area);
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    return edit;
}

} // namespace

CPropPageAllowance::CPropPageAllowance(const std::vector<std::string>& entries, QWidget* parent)
    : CPropertyPage(tr("Allowance"), 223, 138, parent), m_vecEntries(entries)
{
}

int CPropPageAllowance::MaxMinutes(int period)
{
    return CAllowanceSettings::MaxMinutes(period);
}

void CPropPageAllowance::CreateControls(const CDialogUnits& units)
{
    m_pOn = AddCheck(this, IDC_ON, tr("Limit the connection time"), units.Rect(7, 7, 209, 10));

    QLabel* hoursText = AddText(this, IDC_HOURS_TEXT, tr("Hours"), units.Rect(19, 25, 40, 8));
    m_pHours = AddNumber(this, IDC_HOURS, units.Rect(62, 23, 30, 12));
    hoursText->setBuddy(m_pHours);
    QLabel* minutesText = AddText(this, IDC_MINUTES_TEXT, tr("Minutes"), units.Rect(100, 25, 40, 8));
    m_pMinutes = AddNumber(this, IDC_MINUTES, units.Rect(143, 23, 20, 12));
    minutesText->setBuddy(m_pMinutes);

    QLabel* periodText = AddText(this, IDC_PERIOD_TEXT, tr("Every"), units.Rect(19, 43, 40, 8));
    m_pPeriod = AddList(this, IDC_PERIOD, units.Rect(62, 41, 101, 12));
    periodText->setBuddy(m_pPeriod);
    m_pPeriod->addItems({tr("Day"), tr("Week"), tr("Month")});

    QLabel* entryText = AddText(this, IDC_ENTRY_TEXT, tr("Counting"), units.Rect(19, 61, 40, 8));
    m_pEntry = AddList(this, IDC_ENTRY, units.Rect(62, 59, 150, 12));
    entryText->setBuddy(m_pEntry);

    QLabel* warnText = AddText(this, IDC_WARN_TEXT, tr("Warn at"), units.Rect(19, 79, 40, 8));
    m_pWarn = AddNumber(this, IDC_WARN, units.Rect(62, 77, 20, 12));
    warnText->setBuddy(m_pWarn);
    QLabel* warnUnit = AddText(this, IDC_WARN_UNIT, tr("% of the allowance"), units.Rect(86, 79, 126, 8));

    QLabel* note = AddText(this, IDC_NOTE,
                           tr("Weeks and months begin on the days chosen on the General page. A second warning "
                              "comes when the allowance is used up."),
                           units.Rect(19, 97, 193, 32));
    note->setWordWrap(true);

    m_vecGoverned = {hoursText, m_pHours, minutesText, m_pMinutes, periodText, m_pPeriod,
                     entryText, m_pEntry, warnText,    m_pWarn,    warnUnit,   note};
    connect(m_pOn, &QCheckBox::clicked, this, &CPropPageAllowance::ApplyEnableRule);
}

void CPropPageAllowance::OnInitDialog()
{
    CEntryList::Fill(m_pEntry, m_vecEntries);
    UpdateData(false);
    ApplyEnableRule();
}

bool CPropPageAllowance::DoDataExchange(bool save)
{
    if (save)
        m_bOn = m_pOn->isChecked();
    else
        m_pOn->setChecked(m_bOn);
    int periodRow = m_nPeriod - kDay;
    if (!ExchangeComboIndex(save, m_pPeriod, periodRow))
        return false;
    if (save)
        m_nPeriod = periodRow < 0 ? kMonth : periodRow + kDay;
    CEntryList::Exchange(save, m_pEntry, m_strEntry);
    return ExchangeDuration(save) && ExchangeInt(save, m_pWarn, m_nWarnPercent, 1, 99);
}

bool CPropPageAllowance::ExchangeDuration(bool save)
{
    int hours = m_nMinutes / 60, minutes = m_nMinutes % 60;
    if (!ExchangeInt(save, m_pHours, hours, 0, MaxMinutes(kMonth) / 60) ||
        !ExchangeInt(save, m_pMinutes, minutes, 0, 59))
        return false;
    if (!save)
        return true;
    const int total = hours * 60 + minutes;
    // A page that is off keeps whatever it holds: it limits nothing.
    if (m_bOn && total < 1)
        return FailField(m_pMinutes, tr("The allowance must be at least one minute."));
    if (m_bOn && total > MaxMinutes(m_nPeriod))
        return FailField(m_pHours, tr("The allowance cannot be more than %1 hours, the length of the period.")
                                       .arg(MaxMinutes(m_nPeriod) / 60));
    if (total >= 1 && total <= MaxMinutes(kMonth))
        m_nMinutes = total;
    return true;
}

void CPropPageAllowance::ApplyEnableRule()
{
    const bool on = m_pOn->isChecked();
    for (QWidget* control : m_vecGoverned)
        control->setEnabled(on);
}
