#include "HistoryDoc.h"

#include <algorithm>
#include <climits>
#include <unistd.h>

#include "HistoryView.h"
#include "LogDay.h"
#include "LogMonth.h"

namespace {

std::string AbsolutePath(const std::string& path)
{
    if (path.empty() || path.front() == '/')
        return path;
    char cwd[PATH_MAX];
    if (!getcwd(cwd, sizeof cwd))
        return path; // no current folder to name: the relative path still reaches the file
    std::string folder = cwd;
    std::string rest = path;
    while (rest.compare(0, 2, "./") == 0)
        rest.erase(0, 2);
    if (rest.empty() || rest == ".")
        return folder;
    return folder == "/" ? "/" + rest : folder + "/" + rest;
}

} // namespace

CHistoryDoc::CHistoryDoc(const std::string& logPath)
    : m_pLog(std::make_unique<CConnectionLog>(AbsolutePath(logPath))), m_timeFrom(1980, 1, 1, 0, 0, 0),
      m_timeTo(2037, 12, 31, 0, 0, 0)
{
}

void CHistoryDoc::SetFilter(const std::string& filter)
{
    m_strFilter = filter;
    UpdateAllViews(nullptr, nullptr);
}

void CHistoryDoc::SelectMonth(const CLogMonth& month)
{
    m_timeFrom = CTime(month.GetYear(), month.GetMonth(), 1, 0, 0, 0);
    m_timeTo = month.GetMonth() == 12 ? CTime(month.GetYear() + 1, 1, 1, 0, 0, 0)
                                      : CTime(month.GetYear(), month.GetMonth() + 1, 1, 0, 0, 0);
}

void CHistoryDoc::SelectDay(const CLogDay& day)
{
    m_timeFrom = day.GetDate();
    m_timeTo = m_timeFrom + CTimeSpan(86400);
}

void CHistoryDoc::SelectNothing()
{
    m_timeTo = m_timeFrom;
}

void CHistoryDoc::AddView(CHistoryView* view)
{
    if (std::find(m_views.begin(), m_views.end(), view) == m_views.end())
        m_views.push_back(view);
}

void CHistoryDoc::RemoveView(CHistoryView* view)
{
    m_views.erase(std::remove(m_views.begin(), m_views.end(), view), m_views.end());
}

void CHistoryDoc::UpdateAllViews(CHistoryView* sender, CLogDay* hint)
{
    // Walk a copy, and skip a view detached meanwhile: a view may close another as it redraws.
    std::vector<CHistoryView*> views = m_views;
    for (CHistoryView* view : views)
        if (view != sender && std::find(m_views.begin(), m_views.end(), view) != m_views.end())
            view->OnUpdate(sender, hint);
}
