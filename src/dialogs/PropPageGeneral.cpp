#include "PropPageGeneral.h"

#include <algorithm>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegion>
#include <QRegularExpressionValidator>
#include <QToolButton>

#include "Accessibility.h"
#include "DialogUnits.h"
#include "EntryList.h"
#include "PropPageAllowance.h"

namespace {

constexpr int kFirstMonthDay = 1;
constexpr int kLastMonthDay = 31;

const char* const kWeekDays[] = {
    QT_TRANSLATE_NOOP("CPropPageGeneral", "Sunday"),   QT_TRANSLATE_NOOP("CPropPageGeneral", "Monday"),
    QT_TRANSLATE_NOOP("CPropPageGeneral", "Tuesday"),  QT_TRANSLATE_NOOP("CPropPageGeneral", "Wednesday"),
    QT_TRANSLATE_NOOP("CPropPageGeneral", "Thursday"), QT_TRANSLATE_NOOP("CPropPageGeneral", "Friday"),
    QT_TRANSLATE_NOOP("CPropPageGeneral", "Saturday")};

// Stands a check box on the frame's top edge; the frame leaves a gap for it, so the line does
// not run through its text whatever colour the style gives the page.
void PlaceOnFrame(QCheckBox* check, QWidget* frame, const CDialogUnits& units)
{
    const QSize size = check->sizeHint();
    const int width = qMin(size.width(), frame->width() - units.X(4));
    check->setGeometry(frame->x() + units.X(3), frame->y() - size.height() / 2, width, size.height());
    const QRect gap = check->geometry().adjusted(-units.X(1), 0, units.X(1), 0).translated(-frame->pos());
    frame->setMask(QRegion(frame->rect()).subtracted(gap));
}

} // namespace

CPropPageGeneral::CPropPageGeneral(const std::vector<std::string>& entries, QWidget* parent)
    : CPropertyPage(tr("General"), 223, 138, parent), m_vecEntries(entries)
{
}

void CPropPageGeneral::CreateControls(const CDialogUnits& units)
{
    AddPicture(IDB_PICTURE, units.Rect(7, 7, 67, 124));

    m_pHide = AddCheck(this, IDC_HIDE, tr("Hide the main Window"), units.Rect(84, 7, 132, 10));
    m_pAutoShow = AddCheck(this, IDC_AUTO_SHOW, tr("Show when connected"), units.Rect(96, 18, 120, 10));
    m_pOnTop = AddCheck(this, IDC_ON_TOP, tr("Always on top"), units.Rect(84, 29, 132, 10));
    // Wayland gives programs no say in the stacking of windows; the stored choice is kept for
    // other desktops.
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        m_pOnTop->setEnabled(false);
        m_pOnTop->setToolTip(tr("The desktop decides which window stays on top."));
    }

    // The total's check box stands on the top edge of the frame around what it governs.
    auto* frame = new QGroupBox(this);
    frame->setGeometry(units.Rect(84, 45, 135, 86));
    m_pTotal = AddCheck(this, IDC_TOTAL, tr("Total on window title and tool-tip"), QRect());
    PlaceOnFrame(m_pTotal, frame, units);

    m_pEntry = AddList(this, IDC_ENTRY, units.Rect(91, 56, 121, 12));
    // No label of its own: the check box above says what the list is for.
    m_pEntry->setAccessibleName(tr("Connection counted in the total"));

    m_pTotalType = new QButtonGroup(this);
    const struct
    {
        int nId;
        const char* pszText;
        int nY;
    } periods[] = {
        {IDC_SINCE_INSTALLATION, QT_TR_NOOP("Since Installation"), 73},
        {IDC_TODAY, QT_TR_NOOP("Today"), 84},
        {IDC_THIS_WEEK, QT_TR_NOOP("This week"), 95},
        {IDC_THIS_MONTH, QT_TR_NOOP("This month"), 117},
    };
    for (int index = 0; index < 4; ++index) {
        auto* radio = new QRadioButton(tr(periods[index].pszText), this);
        radio->setObjectName(QStringLiteral("radio%1").arg(periods[index].nId));
        const QRect area = units.Rect(91, periods[index].nY, 121, 10);
        radio->setGeometry(area.x(), area.y(), qMin(radio->sizeHint().width(), area.width()), area.height());
        m_pTotalType->addButton(radio, index);
    }

    m_pWeekStartText = AddText(this, IDC_WEEK_START_TEXT, tr("Week starts on"), units.Rect(103, 107, 52, 8));
    m_pWeekStart = AddList(this, IDC_WEEK_START, units.Rect(158, 105, 54, 12));
    m_pWeekStartText->setBuddy(m_pWeekStart);
    for (const char* day : kWeekDays)
        m_pWeekStart->addItem(tr(day));
    m_pWeekStart->setMaxVisibleItems(7);

    m_pMonthStartText = AddText(this, IDC_MONTH_START_TEXT, tr("Start day"), units.Rect(155, 118, 32, 8));
    m_pMonthStart = new QLineEdit(this);
    m_pMonthStart->setObjectName(QStringLiteral("edit%1").arg(IDC_MONTH_START));
    m_pMonthStart->setGeometry(units.Rect(188, 116, 15, 12));
    m_pMonthStartText->setBuddy(m_pMonthStart);
    m_pMonthStart->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_pMonthStart));
    // The spin button in two halves on the field's right, placed from the field's pixels so
    // that rounding neither overlaps them nor leaves a gap.
    const QRect spin(m_pMonthStart->geometry().right() + 1, m_pMonthStart->y(), units.X(9), m_pMonthStart->height());
    const int upper = spin.height() / 2;
    m_pMonthStartUp = new QToolButton(this);
    m_pMonthStartUp->setGeometry(spin.x(), spin.y(), spin.width(), upper);
    m_pMonthStartDown = new QToolButton(this);
    m_pMonthStartDown->setGeometry(spin.x(), spin.y() + upper, spin.width(), spin.height() - upper);
    for (QToolButton* button : {m_pMonthStartUp, m_pMonthStartDown}) {
        const bool up = button == m_pMonthStartUp;
        button->setObjectName(QStringLiteral("spin%1%2").arg(IDC_MONTH_START_SPIN).arg(up ? "Up" : "Down"));
        button->setArrowType(up ? Qt::UpArrow : Qt::DownArrow);
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        connect(button, &QToolButton::clicked, this, [this, up] { StepMonthStart(up ? 1 : -1); });
    }
    CAccessibility::NameSpinButton(m_pMonthStartUp, m_pMonthStartDown, tr("Start day"));

    for (QCheckBox* check : {m_pTotal, m_pHide})
        connect(check, &QCheckBox::clicked, this, &CPropPageGeneral::OnClick);
    connect(m_pTotalType, &QButtonGroup::buttonClicked, this, &CPropPageGeneral::OnClick);
}

void CPropPageGeneral::OnInitDialog()
{
    FillEntries();
    UpdateData(false);
    ApplyEnableRule();
}

void CPropPageGeneral::OnSetActive()
{
    CPropertyPage::OnSetActive();
    ApplyEnableRule(); // the allowance may have changed on its page meanwhile
}

void CPropPageGeneral::FillEntries()
{
    CEntryList::Fill(m_pEntry, m_vecEntries);
}

bool CPropPageGeneral::DoDataExchange(bool save)
{
    auto check = [save](QCheckBox* box, bool& value) {
        if (save)
            value = box->isChecked();
        else
            box->setChecked(value);
        return true;
    };
    return check(m_pHide, m_bHide) && check(m_pOnTop, m_bOnTop) && check(m_pTotal, m_bTotal) &&
           ExchangeComboIndex(save, m_pWeekStart, m_nWeekStart) && check(m_pAutoShow, m_bAutoShow) &&
           ExchangeTotalType(save) && ExchangeEntry(save) &&
           ExchangeInt(save, m_pMonthStart, m_nMonthStart, kFirstMonthDay, kLastMonthDay);
}

bool CPropPageGeneral::ExchangeEntry(bool save)
{
    CEntryList::Exchange(save, m_pEntry, m_strEntry);
    return true;
}

bool CPropPageGeneral::ExchangeTotalType(bool save)
{
    if (save) {
        m_nTotalType = m_pTotalType->checkedId();
        return true;
    }
    QAbstractButton* button = m_pTotalType->button(m_nTotalType);
    if (button) {
        button->setChecked(true);
    } else if (QAbstractButton* checked = m_pTotalType->checkedButton()) {
        // An exclusive group cannot be emptied by unchecking its one checked button.
        m_pTotalType->setExclusive(false);
        checked->setChecked(false);
        m_pTotalType->setExclusive(true);
    }
    return true;
}

void CPropPageGeneral::OnClick()
{
    // A refused start day has been reported by now; the controls follow the clicks regardless.
    UpdateData(true);
    ApplyEnableRule();
}

void CPropPageGeneral::ApplyEnableRule()
{
    m_pAutoShow->setEnabled(m_bHide);
    m_pEntry->setEnabled(m_bTotal);
    for (QAbstractButton* radio : m_pTotalType->buttons())
        radio->setEnabled(m_bTotal);
    // The Allowance page's members hold its controls' state once it has been left.
    const bool allowance = m_pAllowancePage && m_pAllowancePage->m_bOn;
    const bool week = (m_bTotal && m_nTotalType == 2) || (allowance && m_pAllowancePage->m_nPeriod == 2);
    m_pWeekStartText->setEnabled(week);
    m_pWeekStart->setEnabled(week);
    const bool month = (m_bTotal && m_nTotalType == 3) || (allowance && m_pAllowancePage->m_nPeriod == 3);
    for (QWidget* control :
         std::initializer_list<QWidget*>{m_pMonthStartText, m_pMonthStart, m_pMonthStartUp, m_pMonthStartDown})
        control->setEnabled(month);
}

void CPropPageGeneral::StepMonthStart(int delta)
{
    // A field that holds no number steps from the last day it held.
    bool parsed = false;
    const int shown = m_pMonthStart->text().toInt(&parsed);
    const int from = parsed ? shown : m_nMonthStart;
    m_pMonthStart->setText(QString::number(std::clamp(from + delta, kFirstMonthDay, kLastMonthDay)));
}
