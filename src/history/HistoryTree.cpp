#include "HistoryTree.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <memory>

#include "ConnectionLog.h"
#include "HistoryCommands.h"
#include "HistoryDoc.h"
#include "LogMonth.h"
#include "Prompt.h"
#include "TextBytes.h"

namespace {
// Item data: which kind of node, and the aggregate it stands for.
constexpr int kRoleMonth = Qt::UserRole + 1;
constexpr int kRoleDay = Qt::UserRole + 2;
} // namespace

CHistoryTree::CHistoryTree(CHistoryDoc& doc, QWidget* parent)
    : QTreeWidget(parent), m_timeSelected(CTime::GetCurrentTime()), m_doc(doc)
{
    setObjectName(QStringLiteral("historyTree"));
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) { OnSelectionChanged(current); });
    m_doc.AddView(this);
    FillTree();
}

CHistoryTree::~CHistoryTree()
{
    m_doc.RemoveView(this);
}

CLogMonth* CHistoryTree::MonthOf(const QTreeWidgetItem* item)
{
    return item ? static_cast<CLogMonth*>(item->data(0, kRoleMonth).value<void*>()) : nullptr;
}

CLogDay* CHistoryTree::DayOf(const QTreeWidgetItem* item)
{
    return item ? static_cast<CLogDay*>(item->data(0, kRoleDay).value<void*>()) : nullptr;
}

void CHistoryTree::OnUpdate(CHistoryView*, CLogDay*)
{
    FillTree();
}

void CHistoryTree::FillTree()
{
    // A rebuild's own selection changes nothing in the document.
    m_bFilling = true;
    clear();
    const std::string& filter = m_doc.m_strFilter;
    CConnectionLog* log = m_doc.GetLog();
    QTreeWidgetItem* targetMonth = nullptr;
    QTreeWidgetItem* targetDay = nullptr;
    int selectedYear = m_timeSelected.GetYear(), selectedMonth = m_timeSelected.GetMonth();
    int selectedDay = m_timeSelected.GetDay();
    for (int m = 0; m < log->GetMonthCount(); ++m) {
        CLogMonth* month = log->GetMonth(m);
        if (month->GetTotal(filter) == CTimeSpan())
            continue;
        auto* monthItem = new QTreeWidgetItem(this, QStringList(QStringFromBytes(month->GetText(filter))));
        monthItem->setToolTip(0, monthItem->text(0)); // the pane may be narrower than the label
        monthItem->setData(0, kRoleMonth, QVariant::fromValue(static_cast<void*>(month)));
        bool isTarget = month->GetMonth() == selectedMonth && month->GetYear() == selectedYear;
        if (isTarget)
            targetMonth = monthItem;
        for (int d = 0; d < month->GetDayCount(); ++d) {
            CLogDay* day = month->GetDay(d);
            if (day->GetTotal(filter) == CTimeSpan())
                continue;
            auto* dayItem = new QTreeWidgetItem(monthItem, QStringList(QStringFromBytes(day->GetText(filter))));
            dayItem->setToolTip(0, dayItem->text(0));
            dayItem->setData(0, kRoleDay, QVariant::fromValue(static_cast<void*>(day)));
            if (isTarget && day->GetDayNumber() == selectedDay)
                targetDay = dayItem;
        }
    }
    if (targetMonth)
        targetMonth->setExpanded(true);
    if (targetDay)
        setCurrentItem(targetDay);
    m_bFilling = false;
    if (targetDay)
        m_doc.UpdateAllViews(this, DayOf(targetDay));
}

void CHistoryTree::OnSelectionChanged(QTreeWidgetItem* current)
{
    if (m_bFilling || !current)
        return;
    CLogDay* hint = nullptr;
    if (CLogDay* day = DayOf(current)) {
        m_doc.SelectDay(*day);
        m_timeSelected = day->GetDate();
        hint = day;
    } else if (CLogMonth* month = MonthOf(current)) {
        m_doc.SelectMonth(*month);
        m_timeSelected = CTime::GetCurrentTime();
    }
    m_doc.UpdateAllViews(this, hint);
}

void CHistoryTree::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Delete) {
        if (m_bEditEnabled && currentItem())
            DeletePeriod();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void CHistoryTree::ShowHistoryMenu(const QPoint& screenPoint)
{
    std::unique_ptr<QMenu> menu(CHistoryCommands::BuildMenu(this, currentItem() != nullptr, false));
    QAction* chosen = menu->exec(screenPoint);
    if (chosen)
        RunCommand(chosen->data().toInt());
}

void CHistoryTree::RunCommand(int command)
{
    if (command == CHistoryCommands::ID_HISTORY_DELETE)
        DeletePeriod();
    else if (command == CHistoryCommands::ID_HISTORY_ADD)
        AddManualConnection();
}

void CHistoryTree::DeletePeriod()
{
    QTreeWidgetItem* item = currentItem();
    if (!item)
        return;
    CLogDay* day = DayOf(item);
    CLogMonth* month = MonthOf(item);
    const char* kind = day ? "day" : "month";
    std::string question = std::string("You selected to delete an entire ") + kind +
                           "'s history.\nIf you proceed with this operation, you will permanently loose these "
                           "data.\n\nAre you sure to delete the \"" +
                           BytesFromQString(item->text(0)) + "\" connections?";
    if (!CPrompt::Ask(this, question))
        return;
    if (day)
        day->MarkDeleted();
    else if (month)
        month->MarkDeleted();
    if (CHistoryCommands::Save(m_doc, this))
        m_doc.UpdateAllViews(nullptr, nullptr);
}

void CHistoryTree::AddManualConnection()
{
    if (CHistoryCommands::AddManualConnection(m_doc, m_entries, this))
        m_doc.UpdateAllViews(nullptr, nullptr);
}
