#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ConnectionLog.h"
#include "Time.h"

class CHistoryView;
class CLogDay;
class CLogMonth;

// The data behind the History window: its own copy of the log, the entry filter of the
// window's combo box and the period last selected in the tree. Every change the views make
// goes to the log file through the log object; the document only tells its views to redraw.
class CHistoryDoc
{
public:
    // A relative path is taken from the current folder now, so that messages name the file
    // the user can find.
    explicit CHistoryDoc(const std::string& logPath);
    virtual ~CHistoryDoc() = default;
    CHistoryDoc(const CHistoryDoc&) = delete;
    CHistoryDoc& operator=(const CHistoryDoc&) = delete;

    CConnectionLog* GetLog() const { return m_pLog.get(); }

    // Sets the filter and redraws every view, even when the filter is unchanged.
    void SetFilter(const std::string& filter);
    // The selected period, from inclusive to exclusive; no redraw.
    void SelectMonth(const CLogMonth& month);
    void SelectDay(const CLogDay& day);
    // An empty period: the user took the highlight off the tree, so Selection prints nothing.
    void SelectNothing();

    // Views are told in the order they were attached.
    void AddView(CHistoryView* view);
    void RemoveView(CHistoryView* view);
    // Calls OnUpdate of every attached view except the sender.
    void UpdateAllViews(CHistoryView* sender, CLogDay* hint);

    std::unique_ptr<CConnectionLog> m_pLog;
    CTime m_timeFrom;
    CTime m_timeTo;
    std::string m_strFilter;
    // A change was kept in memory after a save failed; the next change must go through Save,
    // which writes it, rather than through anything that reads the file again first.
    bool m_bChangePending = false;

private:
    std::vector<CHistoryView*> m_views;
};
