#include "HistoryTree.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QStyle>
#include <algorithm>
#include <clocale>
#include <cstring>
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

// The days come from strftime in LC_TIME's language; the month names follow it, except in
// English (and the C locale), where the built-in names keep the labels exactly as they were.
bool MonthNamesFromLocale()
{
    const char* name = std::setlocale(LC_TIME, nullptr);
    if (!name || !std::strcmp(name, "C") || !std::strcmp(name, "POSIX") || !std::strncmp(name, "C.", 2))
        return false;
    return std::strncmp(name, "en_", 3) != 0 && std::strcmp(name, "en") != 0;
}
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
    setUniformRowHeights(true);
    // The highlight, not the keyboard focus, is the user's choice: a view gives the focus to
    // its first item when it gains focus with nothing current, without highlighting it.
    connect(this, &QTreeWidget::itemSelectionChanged, this, &CHistoryTree::OnSelectionChanged);
    m_doc.AddView(this);
    FillTree();
}

CHistoryTree::~CHistoryTree()
{
    // The base class's teardown drops the selection; that is no user's choice.
    disconnect(this, &QTreeWidget::itemSelectionChanged, this, &CHistoryTree::OnSelectionChanged);
    m_doc.RemoveView(this);
}

int CHistoryTree::FittingWidth() const
{
    const QFontMetrics metrics(font());
    // Room for a month that has no node yet: the longest month name with a three-digit total.
    int widest = metrics.horizontalAdvance(QStringLiteral("September 2037 = 000:00:00")) + indentation();
    for (int m = 0; m < topLevelItemCount(); ++m) {
        const QTreeWidgetItem* month = topLevelItem(m);
        widest = std::max(widest, metrics.horizontalAdvance(month->text(0)) + indentation());
        for (int d = 0; d < month->childCount(); ++d)
            widest = std::max(widest, metrics.horizontalAdvance(month->child(d)->text(0)) + 2 * indentation());
    }
    const int textMargins = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1) + 4;
    return widest + textMargins + 2 * frameWidth() + style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
}

void CHistoryTree::drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const
{
    // Dotted lines join each day to its month and the months to one another, whatever the
    // style draws for the expand buttons.
    const int indent = indentation();
    const int level = index.parent().isValid() ? 1 : 0;
    painter->save();
    QPen pen(palette().color(QPalette::Mid));
    pen.setStyle(Qt::DotLine);
    painter->setPen(pen);
    const int midY = rect.top() + rect.height() / 2;
    auto column = [&](int depth) { return rect.left() + depth * indent + indent / 2; };
    // This row's own joint: down from the row above, across to the label, and on down when a
    // sibling follows.
    const bool hasNext = index.sibling(index.row() + 1, 0).isValid();
    const bool hasPrevious = index.row() > 0 || level > 0;
    const int x = column(level);
    painter->drawLine(x, hasPrevious ? rect.top() : midY, x, hasNext ? rect.bottom() : midY);
    painter->drawLine(x, midY, rect.left() + (level + 1) * indent - 2, midY);
    // A day's row carries its month's line on when another month follows.
    if (level == 1 && index.parent().sibling(index.parent().row() + 1, 0).isValid())
        painter->drawLine(column(0), rect.top(), column(0), rect.bottom());
    painter->restore();
    QTreeWidget::drawBranches(painter, rect, index);
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
        auto* monthItem =
            new QTreeWidgetItem(this, QStringList(QStringFromBytes(month->GetText(filter, MonthNamesFromLocale()))));
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
    // The period that Selection prints is the highlighted node, the one Delete acts on: after a
    // rebuild that is the remembered day, or nothing when the filter left it no node.
    if (targetDay)
        m_doc.SelectDay(*DayOf(targetDay));
    else
        m_doc.SelectNothing();
    m_bFilling = false;
    if (targetDay)
        m_doc.UpdateAllViews(this, DayOf(targetDay));
}

QTreeWidgetItem* CHistoryTree::SelectedNode() const
{
    const QList<QTreeWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? nullptr : selected.front();
}

void CHistoryTree::OnSelectionChanged()
{
    if (m_bFilling)
        return;
    QTreeWidgetItem* current = SelectedNode();
    CLogDay* hint = nullptr;
    if (!current) {
        // The user took the highlight off (Ctrl+click): nothing is chosen any more.
        m_doc.SelectNothing();
    } else if (CLogDay* day = DayOf(current)) {
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
        if (m_bEditEnabled && SelectedNode())
            DeletePeriod();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void CHistoryTree::ShowHistoryMenu(const QPoint& screenPoint)
{
    std::unique_ptr<QMenu> menu(CHistoryCommands::BuildMenu(this, SelectedNode() != nullptr, false));
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
    QTreeWidgetItem* item = SelectedNode();
    if (!item)
        return;
    CLogDay* day = DayOf(item);
    CLogMonth* month = MonthOf(item);
    const QString question =
        (day ? tr("You selected to delete an entire day's history.\nIf you proceed with this operation, you will "
                  "permanently loose these data.\n\nAre you sure to delete the \"%1\" connections?")
             : tr("You selected to delete an entire month's history.\nIf you proceed with this operation, you will "
                  "permanently loose these data.\n\nAre you sure to delete the \"%1\" connections?"))
            .arg(item->text(0));
    if (!CPrompt::Ask(this, BytesFromQString(question)))
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
