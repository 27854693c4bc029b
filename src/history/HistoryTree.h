#pragma once

#include <QTreeWidget>
#include <string>
#include <vector>

#include "HistoryView.h"
#include "Time.h"

class CHistoryDoc;
class CLogDay;
class CLogMonth;

// The left pane of the History window: months and their days, each with its total for the
// entry filter. Selecting a day shows its connections in the list; after every rebuild the
// tree comes back to the remembered date.
class CHistoryTree : public QTreeWidget, public CHistoryView
{
    Q_OBJECT
public:
    CHistoryTree(CHistoryDoc& doc, QWidget* parent = nullptr);
    ~CHistoryTree() override;

    void OnUpdate(CHistoryView* sender, CLogDay* hint) override;
    void FillTree();
    void DeletePeriod();
    void AddManualConnection();
    // The "History" popup menu at a screen point.
    void ShowHistoryMenu(const QPoint& screenPoint);

    CTime m_timeSelected;
    int m_bEditEnabled = 0;
    std::vector<std::string> m_entries; // for the editor's entry list

    // The pane width that shows every label in full, with a vertical scroll bar.
    int FittingWidth() const;

    // The highlighted node, or nullptr: the only node that Delete and the menu act on.
    QTreeWidgetItem* SelectedNode() const;

    static CLogMonth* MonthOf(const QTreeWidgetItem* item);
    static CLogDay* DayOf(const QTreeWidgetItem* item);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const override;

private:
    void OnSelectionChanged();
    void RunCommand(int command);

    CHistoryDoc& m_doc;
    bool m_bFilling = false;
};
