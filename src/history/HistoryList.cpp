#include "HistoryList.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QStyle>
#include <algorithm>
#include <memory>

#include "Connection.h"
#include "ConnectionDlg.h"
#include "HistoryCommands.h"
#include "HistoryDoc.h"
#include "LogDay.h"
#include "Prompt.h"
#include "TextBytes.h"

namespace {
constexpr int kRoleRecord = Qt::UserRole + 1;
}

CHistoryList::CHistoryList(CHistoryDoc& doc, const int columnWidths[4], QWidget* parent)
    : QTreeWidget(parent), m_doc(doc)
{
    setObjectName(QStringLiteral("historyList"));
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSortingEnabled(false);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHeaderLabels({tr("Start Time"), tr("End Time"), tr("Time"), tr("Connection")});
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    for (int i = 0; i < 4; ++i) {
        headerItem()->setTextAlignment(i, Qt::AlignLeft | Qt::AlignVCenter);
        setColumnWidth(i, columnWidths[i]);
    }
    // Double click edits, as a user expects of a list of editable things.
    connect(this, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (m_bEditEnabled)
            EditSelected();
    });
    m_doc.AddView(this);
}

CHistoryList::~CHistoryList()
{
    m_doc.RemoveView(this);
}

CConnection* CHistoryList::RecordOf(const QTreeWidgetItem* item)
{
    return item ? static_cast<CConnection*>(item->data(0, kRoleRecord).value<void*>()) : nullptr;
}

void CHistoryList::OnUpdate(CHistoryView*, CLogDay* hint)
{
    FillList(hint);
}

void CHistoryList::FillList(CLogDay* day)
{
    clear();
    if (!day)
        return;
    const std::string& filter = m_doc.m_strFilter;
    QList<QTreeWidgetItem*> rows;
    for (int i = 0; i < day->GetConnectionCount(); ++i) {
        CConnection* record = day->GetConnection(i);
        if (!filter.empty() && record->m_strName != filter)
            continue;
        auto* row = new QTreeWidgetItem(
            QStringList{QStringFromBytes(record->GetStartText()), QStringFromBytes(record->GetEndText()),
                        QStringFromBytes(record->GetDurationText()), QStringFromBytes(record->GetName())});
        row->setData(0, kRoleRecord, QVariant::fromValue(static_cast<void*>(record)));
        for (int c = 0; c < 4; ++c)
            row->setToolTip(c, PlainTip(row->text(c))); // columns may be narrower than their texts
        rows.append(row);
    }
    addTopLevelItems(rows);
}

void CHistoryList::FittingColumnWidths(const std::vector<std::string>& names, int widths[4]) const
{
    const QFontMetrics metrics(font());
    const QFontMetrics headerMetrics(header()->font());
    const int margin = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1) + 8;
    const int headerMargin = 2 * style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header()) + 8;
    for (int i = 0; i < 4; ++i)
        widths[i] = headerMetrics.horizontalAdvance(headerItem()->text(i)) + headerMargin;
    auto fit = [&](int column, const std::string& text) {
        widths[column] = std::max(widths[column], metrics.horizontalAdvance(QStringFromBytes(text)) + margin);
    };
    // A week of days in every month: each month and weekday name a date format may spell.
    for (int month = 1; month <= 12; ++month)
        for (int day = 22; day <= 28; ++day) {
            const CTime at(2037, month, day, 23, 58, 58);
            const std::string text = CConnection(at, at, std::string()).GetStartText();
            fit(0, text);
            fit(1, text);
        }
    const CTime start(2037, 1, 1, 0, 0, 0);
    fit(2, CConnection(start, start + CTimeSpan(99 * 3600 + 58 * 60 + 58), std::string()).GetDurationText());
    for (const std::string& name : names)
        fit(3, name);
}

std::vector<CConnection*> CHistoryList::SelectedRecords() const
{
    std::vector<CConnection*> records;
    for (int i = 0; i < topLevelItemCount(); ++i)
        if (topLevelItem(i)->isSelected())
            records.push_back(RecordOf(topLevelItem(i)));
    return records;
}

void CHistoryList::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Delete) {
        if (m_bEditEnabled && !SelectedRecords().empty())
            DeleteSelected();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void CHistoryList::ShowHistoryMenu(const QPoint& screenPoint)
{
    std::size_t selected = SelectedRecords().size();
    std::unique_ptr<QMenu> menu(CHistoryCommands::BuildMenu(this, selected > 0, selected == 1));
    QAction* chosen = menu->exec(screenPoint);
    if (!chosen)
        return;
    switch (chosen->data().toInt()) {
    case CHistoryCommands::ID_HISTORY_DELETE:
        DeleteSelected();
        break;
    case CHistoryCommands::ID_HISTORY_EDIT:
        EditSelected();
        break;
    case CHistoryCommands::ID_HISTORY_ADD:
        AddManualConnection();
        break;
    default:
        break;
    }
}

void CHistoryList::DeleteSelected()
{
    std::vector<CConnection*> records = SelectedRecords();
    if (records.empty())
        return;
    std::size_t n = records.size();
    const QString question =
        (n == 1 ? tr("You selected to delete %1 connection.\nIf you continue with this operation, you will "
                     "permanently loose these data.\n\nAre you sure to proceed?")
                : tr("You selected to delete %1 connections.\nIf you continue with this operation, you will "
                     "permanently loose these data.\n\nAre you sure to proceed?"))
            .arg(static_cast<qulonglong>(n));
    if (!CPrompt::Ask(this, BytesFromQString(question)))
        return;
    for (CConnection* record : records)
        record->m_bDeleted = 1;
    if (CHistoryCommands::Save(m_doc, this))
        m_doc.UpdateAllViews(nullptr, nullptr);
}

void CHistoryList::EditSelected()
{
    std::vector<CConnection*> records = SelectedRecords();
    if (records.empty())
        return;
    CConnectionDlg editor(*records.front(), m_entries, this);
    if (editor.exec() != QDialog::Accepted)
        return;
    if (CHistoryCommands::Save(m_doc, this))
        m_doc.UpdateAllViews(nullptr, nullptr);
}

void CHistoryList::AddManualConnection()
{
    if (CHistoryCommands::AddManualConnection(m_doc, m_entries, this))
        m_doc.UpdateAllViews(nullptr, nullptr);
}
