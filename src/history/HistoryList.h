#pragma once

#include <QTreeWidget>
#include <string>
#include <vector>

#include "HistoryView.h"

class CConnection;
class CHistoryDoc;
class CLogDay;

// The right pane of the History window: the connections of the day the tree sends, for the
// entry filter, one row each. It empties itself on every other update.
class CHistoryList : public QTreeWidget, public CHistoryView
{
    Q_OBJECT
public:
    CHistoryList(CHistoryDoc& doc, const int columnWidths[4], QWidget* parent = nullptr);
    ~CHistoryList() override;

    void OnUpdate(CHistoryView* sender, CLogDay* hint) override;
    void FillList(CLogDay* day);
    void DeleteSelected();
    void EditSelected();
    void AddManualConnection();
    void ShowHistoryMenu(const QPoint& screenPoint);

    // Column widths that show the headings, every date and time in the current format, a
    // length of two-digit hours and each of names, in the list's fonts.
    void FittingColumnWidths(const std::vector<std::string>& names, int widths[4]) const;

    // The selected rows' records, from the first row to the last.
    std::vector<CConnection*> SelectedRecords() const;
    static CConnection* RecordOf(const QTreeWidgetItem* item);

    int m_bEditEnabled = 0;
    std::vector<std::string> m_entries;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    CHistoryDoc& m_doc;
};
