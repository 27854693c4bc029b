#include "ConnectionDlg.h"

#include <algorithm>
#include <array>
#include <ctime>

#include <QComboBox>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QToolButton>

#include "Accessibility.h"
#include "DialogUnits.h"
#include "Prompt.h"
#include "TextBytes.h"
#include "ThemeColors.h"
#include "TimeTexts.h"

namespace {

// An edit field with its spin button. The range is the spin's and, where checked, also the
// range check applied when the field is read.
struct SField
{
    int nEdit;
    int nSpin;
    int nLow;
    int nHigh;
    bool bChecked;
    const char* pszName; // what a screen reader calls the field
};

const SField kFields[] = {
    {CConnectionDlg::IDC_START_DAY, CConnectionDlg::IDC_START_DAY_SPIN, 1, 31, true,
     QT_TRANSLATE_NOOP("CConnectionDlg", "Start day")},
    {CConnectionDlg::IDC_START_YEAR, CConnectionDlg::IDC_START_YEAR_SPIN, 1970, 9999, true,
     QT_TRANSLATE_NOOP("CConnectionDlg", "Start year")},
    {CConnectionDlg::IDC_START_HOURS, CConnectionDlg::IDC_START_HOURS_SPIN, -1, 24, true,
     QT_TRANSLATE_NOOP("CConnectionDlg", "Start hours")},
    {CConnectionDlg::IDC_START_MINUTES, CConnectionDlg::IDC_START_MINUTES_SPIN, -1, 60, true,
     QT_TRANSLATE_NOOP("CConnectionDlg", "Start minutes")},
    {CConnectionDlg::IDC_START_SECONDS, CConnectionDlg::IDC_START_SECONDS_SPIN, -1, 60, true,
     QT_TRANSLATE_NOOP("CConnectionDlg", "Start seconds")},
    {CConnectionDlg::IDC_END_DAY, CConnectionDlg::IDC_END_DAY_SPIN, 1, 31, true,
     QT_TRANSLATE_NOOP("CConnectionDlg", "End day")},
    {CConnectionDlg::IDC_END_YEAR, CConnectionDlg::IDC_END_YEAR_SPIN, 1970, 9999, true,
     QT_TRANSLATE_NOOP("CConnectionDlg", "End year")},
    {CConnectionDlg::IDC_END_HOURS, CConnectionDlg::IDC_END_HOURS_SPIN, -1, 24, true,
     QT_TRANSLATE_NOOP("CConnectionDlg", "End hours")},
    {CConnectionDlg::IDC_END_MINUTES, CConnectionDlg::IDC_END_MINUTES_SPIN, -1, 60, true,
     QT_TRANSLATE_NOOP("CConnectionDlg", "End minutes")},
    {CConnectionDlg::IDC_END_SECONDS, CConnectionDlg::IDC_END_SECONDS_SPIN, -1, 60, true,
     QT_TRANSLATE_NOOP("CConnectionDlg", "End seconds")},
    // The length in hours may be typed beyond its spin range: any integer is taken.
    {CConnectionDlg::IDC_LENGTH_HOURS, CConnectionDlg::IDC_LENGTH_HOURS_SPIN, -16382, 16383, false,
     QT_TRANSLATE_NOOP("CConnectionDlg", "Length hours")},
    {CConnectionDlg::IDC_LENGTH_MINUTES, CConnectionDlg::IDC_LENGTH_MINUTES_SPIN, -60, 60, true,
     QT_TRANSLATE_NOOP("CConnectionDlg", "Length minutes")},
    {CConnectionDlg::IDC_LENGTH_SECONDS, CConnectionDlg::IDC_LENGTH_SECONDS_SPIN, -60, 60, true,
     QT_TRANSLATE_NOOP("CConnectionDlg", "Length seconds")},
};

// The order in which the fields are read, so the first wrong one in the layout is reported.
const std::array<int, 15> kReadOrder = {
    CConnectionDlg::IDC_START_DAY,    CConnectionDlg::IDC_START_MONTH,    CConnectionDlg::IDC_START_YEAR,
    CConnectionDlg::IDC_START_HOURS,  CConnectionDlg::IDC_START_MINUTES,  CConnectionDlg::IDC_START_SECONDS,
    CConnectionDlg::IDC_END_DAY,      CConnectionDlg::IDC_END_MONTH,      CConnectionDlg::IDC_END_YEAR,
    CConnectionDlg::IDC_END_HOURS,    CConnectionDlg::IDC_END_MINUTES,    CConnectionDlg::IDC_END_SECONDS,
    CConnectionDlg::IDC_LENGTH_HOURS, CConnectionDlg::IDC_LENGTH_MINUTES, CConnectionDlg::IDC_LENGTH_SECONDS,
};

const char* const kMonths[] = {
    QT_TRANSLATE_NOOP("CConnectionDlg", "January"),   QT_TRANSLATE_NOOP("CConnectionDlg", "February"),
    QT_TRANSLATE_NOOP("CConnectionDlg", "March"),     QT_TRANSLATE_NOOP("CConnectionDlg", "April"),
    QT_TRANSLATE_NOOP("CConnectionDlg", "May"),       QT_TRANSLATE_NOOP("CConnectionDlg", "June"),
    QT_TRANSLATE_NOOP("CConnectionDlg", "July"),      QT_TRANSLATE_NOOP("CConnectionDlg", "August"),
    QT_TRANSLATE_NOOP("CConnectionDlg", "September"), QT_TRANSLATE_NOOP("CConnectionDlg", "October"),
    QT_TRANSLATE_NOOP("CConnectionDlg", "November"),  QT_TRANSLATE_NOOP("CConnectionDlg", "December")};

const SField& FieldInfo(int edit)
{
    for (const SField& field : kFields) {
        if (field.nEdit == edit)
            return field;
    }
    return kFields[0];
}

bool IsStartField(int field)
{
    return field == CConnectionDlg::IDC_START_DAY || field == CConnectionDlg::IDC_START_MONTH ||
           field == CConnectionDlg::IDC_START_YEAR || field == CConnectionDlg::IDC_START_HOURS ||
           field == CConnectionDlg::IDC_START_MINUTES || field == CConnectionDlg::IDC_START_SECONDS;
}

bool IsLengthField(int field)
{
    return field == CConnectionDlg::IDC_LENGTH_HOURS || field == CConnectionDlg::IDC_LENGTH_MINUTES ||
           field == CConnectionDlg::IDC_LENGTH_SECONDS;
}

// Seconds in one step of a time-of-day field, 0 for the calendar fields.
int TimeUnit(int field)
{
    switch (field) {
    case CConnectionDlg::IDC_START_HOURS:
    case CConnectionDlg::IDC_END_HOURS:
        return 3600;
    case CConnectionDlg::IDC_START_MINUTES:
    case CConnectionDlg::IDC_END_MINUTES:
        return 60;
    case CConnectionDlg::IDC_START_SECONDS:
    case CConnectionDlg::IDC_END_SECONDS:
        return 1;
    default:
        return 0;
    }
}

QString IntegerMessage(const SField& field)
{
    if (!field.bChecked)
        return QCoreApplication::translate("CConnectionDlg", "Please enter an integer.");
    return QCoreApplication::translate("CConnectionDlg", "Please enter an integer between %1 and %2.")
        .arg(field.nLow)
        .arg(field.nHigh);
}

// The instants the editor takes: what CTime holds, and only years the year fields accept, so
// that no carry or length leads to a year that the next reading of the fields would refuse.
CTime FirstInstant()
{
    return CTime(std::max(CTime::kMin, CTime::ComposeLocal(1970, 1, 1, 0, 0, 0)));
}

CTime LastInstant()
{
    const std::int64_t last = CTime::ComposeLocal(9999, 12, 31, 23, 59, 59);
    return CTime(last == CTime::kInvalid ? CTime::kMax : std::min(CTime::kMax, last));
}

bool IsEditable(CTime time)
{
    return time.IsValid() && time >= FirstInstant() && time <= LastInstant();
}

QLabel* AddLabel(QWidget* parent, const CDialogUnits& units, const QString& text, int x, int y, int width)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(units.Rect(x, y, width, 8));
    return label;
}

} // namespace

CConnectionDlg::CConnectionDlg(CConnection& record, const std::vector<std::string>& entries, QWidget* parent)
    : QDialog(parent), m_record(record), m_vecEntries(entries)
{
    setWindowTitle(tr("Connection"));
    setModal(true);
    CreateControls();
}

void CConnectionDlg::CreateControls()
{
    const CDialogUnits units(this);
    setFixedSize(units.X(265), units.Y(138));

    // Both rows share one set of columns: day, month, year, then hours, minutes and seconds.
    const int xDay = 7, xMonth = 41, xYear = 105, xHours = 147, xMinutes = 185, xSeconds = 223;
    const int rowStart = 17, rowEnd = 45, rowLength = 76;

    auto addField = [&](int id, int x, int y, int width) {
        const SField& info = FieldInfo(id);
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("edit%1").arg(id));
        edit->setGeometry(units.Rect(x, y, width, 12));
        edit->setAccessibleName(tr(info.pszName));
        edit->setMaxLength(11); // "-2147483648"
        // Typing is filtered to digits in eventFilter; this stops pasted text. A minus sign
        // comes only from the spin button, but digits may follow it.
        edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?[0-9]*")), edit));
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::textChanged, this, [this, id] { OnFieldChanged(id); });
        m_mapEdits[id] = edit;

        // The spin button on the field's right, in two halves; placed from the field's pixels
        // so that rounding neither overlaps them nor leaves a gap.
        const QRect spin(edit->geometry().right() + 1, edit->y(), units.X(10), edit->height());
        const int upper = spin.height() / 2;
        QToolButton* spinButtons[2] = {};
        for (int delta : {1, -1}) {
            auto* button = new QToolButton(this);
            button->setObjectName(QStringLiteral("spin%1%2").arg(info.nSpin).arg(delta > 0 ? "Up" : "Down"));
            button->setArrowType(delta > 0 ? Qt::UpArrow : Qt::DownArrow);
            button->setAutoRepeat(true);
            button->setFocusPolicy(Qt::NoFocus);
            if (delta > 0)
                button->setGeometry(spin.x(), spin.y(), spin.width(), upper);
            else
                button->setGeometry(spin.x(), spin.y() + upper, spin.width(), spin.height() - upper);
            connect(button, &QToolButton::clicked, this, [this, id, delta] { Step(id, delta); });
            spinButtons[delta > 0 ? 0 : 1] = button;
        }
        CAccessibility::NameSpinButton(spinButtons[0], spinButtons[1], tr(info.pszName));
    };
    auto addMonth = [&](int id, int y, const QString& name) {
        auto* combo = new QComboBox(this);
        combo->setObjectName(QStringLiteral("combo%1").arg(id));
        combo->setAccessibleName(name);
        for (const char* month : kMonths)
            combo->addItem(tr(month));
        combo->setMaxVisibleItems(12);
        combo->setGeometry(units.Rect(xMonth, y, 60, 12));
        // Only the user's choice counts as a change: the program's own selection is silent.
        connect(combo, &QComboBox::activated, this, [this, id] { OnFieldChanged(id); });
        return combo;
    };

    AddLabel(this, units, tr("Start date/time"), 7, 7, 100);
    AddLabel(this, units, tr("Hours"), xHours, 7, 34);
    AddLabel(this, units, tr("Mins"), xMinutes, 7, 34);
    AddLabel(this, units, tr("Secs"), xSeconds, 7, 34);

    // Created in the order of the tab chain.
    addField(IDC_START_DAY, xDay, rowStart, 20);
    m_pStartMonth = addMonth(IDC_START_MONTH, rowStart, tr("Start month"));
    addField(IDC_START_YEAR, xYear, rowStart, 24);
    addField(IDC_START_HOURS, xHours, rowStart, 24);
    addField(IDC_START_MINUTES, xMinutes, rowStart, 24);
    addField(IDC_START_SECONDS, xSeconds, rowStart, 24);

    AddLabel(this, units, tr("End date/time"), 7, 35, 100);
    addField(IDC_END_DAY, xDay, rowEnd, 20);
    m_pEndMonth = addMonth(IDC_END_MONTH, rowEnd, tr("End month"));
    addField(IDC_END_YEAR, xYear, rowEnd, 24);
    addField(IDC_END_HOURS, xHours, rowEnd, 24);
    addField(IDC_END_MINUTES, xMinutes, rowEnd, 24);
    addField(IDC_END_SECONDS, xSeconds, rowEnd, 24);

    QLabel* entryLabel = AddLabel(this, units, tr("ISP"), 7, 66, 40);
    m_pEntry = new QComboBox(this);
    entryLabel->setBuddy(m_pEntry);
    m_pEntry->setObjectName(QStringLiteral("combo%1").arg(IDC_ENTRY));
    m_pEntry->setEditable(true);
    // The list is kept sorted by FillEntries; typed names are not added to it, and nothing is
    // completed behind the user's back (a typed prefix of a listed name must stay a prefix).
    m_pEntry->setInsertPolicy(QComboBox::NoInsert);
    m_pEntry->setCompleter(nullptr);
    m_pEntry->setGeometry(units.Rect(7, rowLength, 120, 12));
    connect(m_pEntry->lineEdit(), &QLineEdit::textEdited, this, &CConnectionDlg::OnNameEdited);
    connect(m_pEntry, &QComboBox::activated, this, [this] { m_strNameShown = m_pEntry->currentText(); });

    // The length hours may need six characters ("-16382"), so that field reaches further left.
    AddLabel(this, units, tr("Length"), 135, 66, 40);
    addField(IDC_LENGTH_HOURS, 135, rowLength, 36);
    addField(IDC_LENGTH_MINUTES, xMinutes, rowLength, 24);
    addField(IDC_LENGTH_SECONDS, xSeconds, rowLength, 24);

    // Problems found while the user edits are shown here rather than in a box at every key.
    m_pMessage = new QLabel(this);
    m_pMessage->setObjectName(QStringLiteral("message"));
    m_pMessage->setTextFormat(Qt::PlainText);
    m_pMessage->setWordWrap(true);
    m_pMessage->setGeometry(units.Rect(7, 94, 251, 18));
    ColourMessage();

    auto* ok = new QPushButton(tr("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setGeometry(units.Rect(152, 117, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &CConnectionDlg::accept);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setGeometry(units.Rect(208, 117, 50, 14));
    connect(cancel, &QPushButton::clicked, this, &CConnectionDlg::reject);
}

void CConnectionDlg::ColourMessage()
{
    QPalette palette = m_pMessage->palette();
    palette.setColor(QPalette::WindowText, CThemeColors::Error(this->palette()));
    m_pMessage->setPalette(palette);
}

void CConnectionDlg::changeEvent(QEvent* event)
{
    // The desktop's theme may change while the dialog is open.
    if (event->type() == QEvent::PaletteChange && m_pMessage)
        ColourMessage();
    QDialog::changeEvent(event);
}

void CConnectionDlg::showEvent(QShowEvent* event)
{
    if (!m_bInitialized)
        OnInitDialog();
    QDialog::showEvent(event);
}

void CConnectionDlg::done(int result)
{
    // A later run of the same object loads the record again, as a new window would.
    m_bInitialized = false;
    QDialog::done(result);
}

void CConnectionDlg::OnInitDialog()
{
    FillEntries();

    m_timeStart = m_record.GetStart();
    m_timeEnd = m_record.GetEnd();
    std::tm start{}, end{};
    m_timeStart.Split(start);
    m_timeEnd.Split(end);
    m_nStartYear = start.tm_year + 1900;
    m_nStartMonth = start.tm_mon;
    m_nStartDay = start.tm_mday;
    m_nStartHours = start.tm_hour;
    m_nStartMinutes = start.tm_min;
    m_nStartSeconds = start.tm_sec;
    m_nEndYear = end.tm_year + 1900;
    m_nEndMonth = end.tm_mon;
    m_nEndDay = end.tm_mday;
    m_nEndHours = end.tm_hour;
    m_nEndMinutes = end.tm_min;
    m_nEndSeconds = end.tm_sec;
    const std::int64_t length = (m_timeEnd - m_timeStart).GetTotalSeconds();
    m_nLengthHours = static_cast<int>(length / 3600);
    m_nLengthMinutes = static_cast<int>(length / 60 - m_nLengthHours * 60LL);
    m_nLengthSeconds = static_cast<int>(length - (length / 60) * 60);

    ClearRefusal();
    WriteFields();

    const QByteArray name(m_record.m_strName.data(), static_cast<qsizetype>(m_record.m_strName.size()));
    m_pEntry->setCurrentIndex(m_pEntry->findData(name));
    m_pEntry->setEditText(QStringFromBytes(m_record.m_strName));
    m_strNameShown = m_pEntry->currentText();

    m_bInitialized = true;
}

void CConnectionDlg::FillEntries()
{
    std::vector<std::string> names;
    for (const std::string& entry : m_vecEntries) {
        if (std::find(names.begin(), names.end(), entry) == names.end())
            names.push_back(entry);
    }
    if (std::find(names.begin(), names.end(), m_record.m_strName) == names.end())
        names.push_back(m_record.m_strName);

    std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const QString textA = QStringFromBytes(a), textB = QStringFromBytes(b);
        const int order = QString::compare(textA, textB, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : QString::compare(textA, textB, Qt::CaseSensitive) < 0;
    });

    m_pEntry->clear();
    // The bytes ride along so that a name that is not UTF-8 is stored back unchanged.
    for (const std::string& name : names)
        m_pEntry->addItem(QStringFromBytes(name), QByteArray(name.data(), static_cast<qsizetype>(name.size())));
}

int& CConnectionDlg::Value(int field)
{
    switch (field) {
    case IDC_START_YEAR:
        return m_nStartYear;
    case IDC_START_MONTH:
        return m_nStartMonth;
    case IDC_START_DAY:
        return m_nStartDay;
    case IDC_START_HOURS:
        return m_nStartHours;
    case IDC_START_MINUTES:
        return m_nStartMinutes;
    case IDC_START_SECONDS:
        return m_nStartSeconds;
    case IDC_END_YEAR:
        return m_nEndYear;
    case IDC_END_MONTH:
        return m_nEndMonth;
    case IDC_END_DAY:
        return m_nEndDay;
    case IDC_END_HOURS:
        return m_nEndHours;
    case IDC_END_MINUTES:
        return m_nEndMinutes;
    case IDC_END_SECONDS:
        return m_nEndSeconds;
    case IDC_LENGTH_HOURS:
        return m_nLengthHours;
    case IDC_LENGTH_MINUTES:
        return m_nLengthMinutes;
    default:
        return m_nLengthSeconds;
    }
}

bool CConnectionDlg::ReadFields(int& failedField, QString& message)
{
    std::array<int, kReadOrder.size()> values{};
    for (std::size_t i = 0; i < kReadOrder.size(); ++i) {
        const int id = kReadOrder[i];
        if (id == IDC_START_MONTH || id == IDC_END_MONTH) {
            values[i] = (id == IDC_START_MONTH ? m_pStartMonth : m_pEndMonth)->currentIndex();
            continue;
        }
        const SField& field = FieldInfo(id);
        bool bOk = false;
        const int value = m_mapEdits.at(id)->text().toInt(&bOk);
        if (!bOk || (field.bChecked && (value < field.nLow || value > field.nHigh))) {
            failedField = id;
            message = IntegerMessage(field);
            return false;
        }
        values[i] = value;
    }
    for (std::size_t i = 0; i < kReadOrder.size(); ++i)
        Value(kReadOrder[i]) = values[i];
    return true;
}

void CConnectionDlg::WriteFields()
{
    m_bExchanging = true;
    for (const auto& [id, edit] : m_mapEdits) {
        const QString text = QString::number(Value(id));
        // Rewriting an unchanged field would only move the caret the user is typing at.
        if (edit->text() != text)
            edit->setText(text);
    }
    m_pStartMonth->setCurrentIndex(m_nStartMonth);
    m_pEndMonth->setCurrentIndex(m_nEndMonth);
    m_bExchanging = false;
}

CTime CConnectionDlg::Resolve(EGroup group, CTime current) const
{
    const bool bStart = group == EGroup::Start;
    std::array<int, 6> fields = {bStart ? m_nStartYear : m_nEndYear,       bStart ? m_nStartMonth : m_nEndMonth,
                                 bStart ? m_nStartDay : m_nEndDay,         bStart ? m_nStartHours : m_nEndHours,
                                 bStart ? m_nStartMinutes : m_nEndMinutes, bStart ? m_nStartSeconds : m_nEndSeconds};
    std::tm split{};
    const bool bSplit = current.IsValid() && current.Split(split);
    auto isCurrent = [&](const std::array<int, 6>& f) {
        return bSplit && f[0] == split.tm_year + 1900 && f[1] == split.tm_mon && f[2] == split.tm_mday &&
               f[3] == split.tm_hour && f[4] == split.tm_min && f[5] == split.tm_sec;
    };
    // Fields that still show the instant stand for it. Composing them again could give another
    // instant: in the hour that repeats when daylight saving ends, compose takes the first one.
    if (isCurrent(fields))
        return current;

    // A spin step of a time field moves the instant by one unit. Composing would get stuck, or
    // jump the wrong way, where the clock skips an hour: 03:00 stepped down to 02:00 gives
    // 03:00 again on the day daylight saving begins.
    const int unit = TimeUnit(m_nStepField);
    if (unit != 0 && IsStartField(m_nStepField) == bStart && (m_nStepDelta == 1 || m_nStepDelta == -1)) {
        std::array<int, 6> before = fields;
        before[3 + (unit == 3600 ? 0 : unit == 60 ? 1 : 2)] -= m_nStepDelta;
        if (isCurrent(before))
            return current + CTimeSpan(std::int64_t(m_nStepDelta) * unit);
    }
    return CTime(fields[0], fields[1] + 1, fields[2], fields[3], fields[4], fields[5]);
}

void CConnectionDlg::OnFieldChanged(int field)
{
    if (!m_bInitialized || m_bExchanging)
        return;

    int failed = 0;
    QString message;
    if (!ReadFields(failed, message)) {
        Refuse(failed, message);
        return;
    }

    const bool bStartChanged = IsStartField(field);
    const CTime start = Resolve(EGroup::Start, m_timeStart);
    if (!IsEditable(start)) {
        Refuse(bStartChanged ? field : int(IDC_START_YEAR), RangeMessage(EGroup::Start));
        return;
    }
    CTime end;
    std::int64_t length = 0;
    if (IsLengthField(field)) {
        length = m_nLengthSeconds + 60 * (m_nLengthMinutes + 60 * std::int64_t(m_nLengthHours));
        end = start + CTimeSpan(length);
        if (!IsEditable(end)) {
            Refuse(field, RangeMessage(EGroup::End));
            return;
        }
    } else {
        end = Resolve(EGroup::End, m_timeEnd);
        if (!IsEditable(end)) {
            Refuse(bStartChanged ? int(IDC_END_YEAR) : field, RangeMessage(EGroup::End));
            return;
        }
        length = (end - start).GetTotalSeconds();
    }

    m_timeStart = start;
    m_timeEnd = end;
    m_nLengthHours = static_cast<int>(length / 3600);
    m_nLengthMinutes = static_cast<int>(length / 60 - m_nLengthHours * 60LL);
    m_nLengthSeconds = static_cast<int>(length - (length / 60) * 60);
    // Only the group that changed is normalised; a length change leaves the start as typed.
    std::tm split{};
    (bStartChanged ? start : end).Split(split);
    (bStartChanged ? m_nStartYear : m_nEndYear) = split.tm_year + 1900;
    (bStartChanged ? m_nStartMonth : m_nEndMonth) = split.tm_mon;
    (bStartChanged ? m_nStartDay : m_nEndDay) = split.tm_mday;
    (bStartChanged ? m_nStartHours : m_nEndHours) = split.tm_hour;
    (bStartChanged ? m_nStartMinutes : m_nEndMinutes) = split.tm_min;
    (bStartChanged ? m_nStartSeconds : m_nEndSeconds) = split.tm_sec;

    WriteFields();
    // The fields agree, but a connection cannot end before it starts: say so now, and OK waits.
    if (end < start)
        Refuse(field, OrderMessage());
    else
        ClearRefusal();
}

void CConnectionDlg::Step(int field, int delta)
{
    const SField& info = FieldInfo(field);
    QLineEdit* edit = m_mapEdits.at(field);
    bool bOk = false;
    const int current = edit->text().toInt(&bOk);
    const std::int64_t from = bOk ? current : Value(field);
    const int next = static_cast<int>(std::clamp<std::int64_t>(from + delta, info.nLow, info.nHigh));
    // The spin stops at its ends rather than wrapping.
    if (bOk && next == current)
        return;
    m_nStepField = field;
    m_nStepDelta = static_cast<int>(next - from);
    edit->setText(QString::number(next));
    m_nStepField = 0;
    m_nStepDelta = 0;
}

void CConnectionDlg::Refuse(int field, const QString& message)
{
    m_nRefusedField = field;
    m_strRefusal = message;
    m_pMessage->setText(message);
}

void CConnectionDlg::ClearRefusal()
{
    m_nRefusedField = 0;
    m_strRefusal.clear();
    m_pMessage->clear();
}

void CConnectionDlg::FocusField(int field)
{
    QWidget* widget = nullptr;
    if (field == IDC_START_MONTH)
        widget = m_pStartMonth;
    else if (field == IDC_END_MONTH)
        widget = m_pEndMonth;
    else if (auto it = m_mapEdits.find(field); it != m_mapEdits.end())
        widget = it->second;
    if (!widget)
        return;
    widget->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        edit->selectAll();
}

QString CConnectionDlg::RangeMessage(EGroup group) const
{
    // The bounds in local time, in the History's date format (or day/month/year without one).
    const std::string pattern =
        (ConnectionDateFormat.empty() ? std::string("%d/%m/%Y") : ConnectionDateFormat) + " %H:%M:%S";
    const QString first = QStringFromBytes(FirstInstant().Format(pattern));
    const QString last = QStringFromBytes(LastInstant().Format(pattern));
    return (group == EGroup::Start ? tr("The start must lie between %1 and %2.")
                                   : tr("The end must lie between %1 and %2."))
        .arg(first, last);
}

QString CConnectionDlg::OrderMessage() const
{
    return tr("The end must not lie before the start.");
}

bool CConnectionDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        for (const auto& [id, edit] : m_mapEdits) {
            if (edit != watched)
                continue;
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
                Step(id, key->key() == Qt::Key_Up ? 1 : -1);
                return true;
            }
            // Digits only; editing and shortcut keys carry no printable text or a modifier.
            if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
                return false;
            for (const QChar c : key->text()) {
                if (c.isPrint() && (c < QLatin1Char('0') || c > QLatin1Char('9')))
                    return true;
            }
            return false;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CConnectionDlg::OnNameEdited(const QString& text)
{
    // The name's edit does not scroll: a name may grow only as long as it fits the field.
    QLineEdit* edit = m_pEntry->lineEdit();
    const QMargins margins = edit->textMargins();
    const int room = edit->contentsRect().width() - margins.left() - margins.right() - 2 * 2 - 1;
    if (text.size() > m_strNameShown.size() && QFontMetrics(edit->font()).horizontalAdvance(text) > room) {
        const int caret = edit->cursorPosition() - int(text.size() - m_strNameShown.size());
        edit->setText(m_strNameShown);
        edit->setCursorPosition(std::max(0, caret));
        return;
    }
    m_strNameShown = text;
}

std::string CConnectionDlg::NameBytes() const
{
    const QString text = m_pEntry->currentText();
    int index = m_pEntry->currentIndex();
    if (index < 0 || m_pEntry->itemText(index) != text)
        index = m_pEntry->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0) {
        const QByteArray bytes = m_pEntry->itemData(index).toByteArray();
        return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }
    return BytesFromQString(text);
}

void CConnectionDlg::accept()
{
    if (!m_bInitialized) {
        // Never opened: there is nothing to store.
        QDialog::accept();
        return;
    }
    int failed = 0;
    QString message;
    if (!ReadFields(failed, message)) {
        CPrompt::Show(this, CPrompt::Kind::Information, message.toStdString());
        FocusField(failed);
        return;
    }
    // The fields read well but the last change could not be applied: they do not agree.
    if (m_nRefusedField != 0) {
        CPrompt::Show(this, CPrompt::Kind::Information, m_strRefusal.toStdString());
        FocusField(m_nRefusedField);
        return;
    }
    const CTime start = Resolve(EGroup::Start, m_timeStart);
    const CTime end = Resolve(EGroup::End, m_timeEnd);
    if (!IsEditable(start) || !IsEditable(end)) {
        const EGroup group = IsEditable(start) ? EGroup::End : EGroup::Start;
        CPrompt::Show(this, CPrompt::Kind::Information, RangeMessage(group).toStdString());
        FocusField(group == EGroup::Start ? IDC_START_YEAR : IDC_END_YEAR);
        return;
    }
    // A record read with its end first opens as it is, but is stored only once put right.
    if (end < start) {
        CPrompt::Show(this, CPrompt::Kind::Information, OrderMessage().toStdString());
        FocusField(IDC_END_HOURS);
        return;
    }
    m_record.SetStart(start);
    m_record.SetEnd(end);
    m_record.m_strName = NameBytes();
    QDialog::accept();
}
