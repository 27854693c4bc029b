#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "HistoryDoc.h"
#include "HistoryView.h"
#include "TestSupport.h"

namespace {

// Records what it was told, and what the document's log held at that moment.
class CRecordingView : public CHistoryView
{
public:
    CRecordingView(const char* name, std::vector<std::string>& journal, CHistoryDoc& doc)
        : m_name(name), m_journal(journal), m_doc(doc)
    {
    }
    void OnUpdate(CHistoryView* sender, CLogDay* hint) override
    {
        m_journal.push_back(m_name + (sender ? " from view" : "") + (hint ? " day" : " all") + " " +
                            std::to_string(m_doc.GetLog()->GetMonthCount()));
    }

private:
    std::string m_name;
    std::vector<std::string>& m_journal;
    CHistoryDoc& m_doc;
};

class HistoryDoc : public ::testing::Test
{
protected:
    CScopedTimeZone m_zone{"Europe/Rome"};
    CTempDir m_dir;
};

TEST_F(HistoryDoc, InitialPeriodAndSelections)
{
    WriteFile(m_dir.File("log"), "15/12/1999 10:00:00  15/12/1999 11:00:00  x  A\r\n"
                                 "05/03/1999 10:00:00  05/03/1999 11:00:00  x  A\r\n"
                                 "28/03/2021 10:00:00  28/03/2021 11:00:00  x  A\r\n");
    CHistoryDoc doc(m_dir.File("log"));
    EXPECT_EQ(doc.m_timeFrom, CTime(1980, 1, 1, 0, 0, 0));
    EXPECT_EQ(doc.m_timeTo, CTime(2037, 12, 31, 0, 0, 0));
    EXPECT_EQ(doc.m_strFilter, "");

    doc.SelectMonth(*doc.GetLog()->FindMonth(1999, 12));
    EXPECT_EQ(doc.m_timeFrom, CTime(1999, 12, 1, 0, 0, 0));
    EXPECT_EQ(doc.m_timeTo, CTime(2000, 1, 1, 0, 0, 0));

    doc.SelectDay(*doc.GetLog()->FindMonth(1999, 3)->FindDay(5));
    EXPECT_EQ(doc.m_timeFrom, CTime(1999, 3, 5, 0, 0, 0));
    EXPECT_EQ(doc.m_timeTo, CTime(1999, 3, 6, 0, 0, 0));

    // The day daylight saving begins has 23 hours: 86400 seconds end at 01:00 the next day.
    doc.SelectDay(*doc.GetLog()->FindMonth(2021, 3)->FindDay(28));
    EXPECT_EQ(doc.m_timeTo, CTime(2021, 3, 29, 1, 0, 0));
}

TEST_F(HistoryDoc, UpdatesGoToEveryViewButTheSenderInAttachOrder)
{
    WriteFile(m_dir.File("log"), "05/03/1999 10:00:00  05/03/1999 11:00:00  x  A\r\n");
    CHistoryDoc doc(m_dir.File("log"));
    std::vector<std::string> journal;
    CRecordingView list("list", journal, doc), tree("tree", journal, doc);
    doc.AddView(&list);
    doc.AddView(&tree);

    doc.SetFilter("A");
    doc.SetFilter("A"); // unchanged, still redraws
    CLogDay* day = doc.GetLog()->GetMonth(0)->GetDay(0);
    doc.UpdateAllViews(&tree, day);
    EXPECT_EQ(journal, (std::vector<std::string>{"list all 1", "tree all 1", "list all 1", "tree all 1",
                                                 "list from view day 1"}));
    EXPECT_EQ(doc.m_strFilter, "A");

    journal.clear();
    doc.RemoveView(&list);
    doc.UpdateAllViews(nullptr, nullptr);
    EXPECT_EQ(journal, std::vector<std::string>{"tree all 1"});
}

TEST_F(HistoryDoc, ViewsSeeTheStateReadBackAfterADelete)
{
    WriteFile(m_dir.File("log"), "05/03/1999 10:00:00  05/03/1999 11:00:00  x  A\r\n"
                                 "05/04/1999 10:00:00  05/04/1999 11:00:00  x  A\r\n");
    CHistoryDoc doc(m_dir.File("log"));
    std::vector<std::string> journal;
    CRecordingView view("view", journal, doc);
    doc.AddView(&view);
    doc.GetLog()->FindMonth(1999, 3)->MarkDeleted();
    doc.GetLog()->Save();
    doc.UpdateAllViews(nullptr, nullptr);
    EXPECT_EQ(journal, std::vector<std::string>{"view all 1"});
    EXPECT_EQ(doc.GetLog()->GetConnectionCount(), 2);
    EXPECT_EQ(ReadFile(m_dir.File("log")).substr(0, 1), "*");
}

TEST_F(HistoryDoc, MissingLogGivesAnEmptyDocument)
{
    CHistoryDoc doc(m_dir.File("missing"));
    EXPECT_EQ(doc.GetLog()->GetConnectionCount(), 0);
    EXPECT_EQ(doc.GetLog()->GetMonthCount(), 0);
}

} // namespace
