#include <gtest/gtest.h>

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <algorithm>
#include <csignal>
#include <filesystem>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <vector>

#include "Connection.h"
#include "ConnectionLog.h"
#include "ExportFileDialog.h"
#include "HistoryDoc.h"
#include "HistoryExport.h"
#include "IoFaults.h"
#include "LogLock.h"
#include "Prompt.h"
#include "TestSupport.h"
#include "TimeTexts.h"

namespace {

// The worked example of the export format: Office, 14 May 1999 18:25:15 to 19:27:18.
const char* const kOfficeLogLine = "14/05/1999 18:25:15  14/05/1999 19:27:18  01:02:03  Office\r\n";

class HistoryExport : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CPrompt::SetScript([this](CPrompt::Kind kind, const std::string& text) {
            m_prompts.push_back({kind, text});
            return false;
        });
    }
    void TearDown() override
    {
        CPrompt::SetScript(nullptr);
        CHistoryExport::SetDialogRunner(nullptr);
        ConnectionDateFormat = "%d/%m/%Y";
    }

    std::unique_ptr<CHistoryDoc> Doc(const std::string& logBytes)
    {
        WriteFile(m_dir.File("Zelmorin.Log"), logBytes);
        return std::make_unique<CHistoryDoc>(m_dir.File("Zelmorin.Log"));
    }

    // Accepts the save dialog as a user would: pick a type, type a name.
    void AnswerDialog(const QString& filter, const QString& typed)
    {
        CHistoryExport::SetDialogRunner([this, filter, typed](QFileDialog& dialog) {
            m_initialFilters = dialog.nameFilters();
            m_initialFilter = dialog.selectedNameFilter();
            m_initialName = dialog.selectedFiles().value(0);
            m_asksBeforeOverwrite = !dialog.testOption(QFileDialog::DontConfirmOverwrite);
            dialog.selectNameFilter(filter);
            dialog.selectFile(typed);
            // As the dialog's Save button does; QFileDialog hides accept() from outside.
            static_cast<QDialog&>(dialog).accept();
            return dialog.result();
        });
    }

    struct SPrompt
    {
        CPrompt::Kind kind;
        std::string text;
    };

    CScopedTimeZone m_zone{"Europe/Rome"};
    CTempDir m_dir;
    std::vector<SPrompt> m_prompts;
    QStringList m_initialFilters;
    QString m_initialFilter;
    QString m_initialName;
    bool m_asksBeforeOverwrite = false;
};

TEST_F(HistoryExport, SeparatorFollowsTheExtensionAndTheDateFormatIsFixed)
{
    auto doc = Doc(kOfficeLogLine);
    // The list's date setting must not reach the export.
    ConnectionDateFormat = "%Y-%m-%d";
    const std::string comma = "14/05/1999 18:25:15,14/05/1999 19:27:18,01:02:03,Office\r\n";
    const std::string tab = "14/05/1999 18:25:15\t14/05/1999 19:27:18\t01:02:03\tOffice\r\n";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"out.csv", comma}, {"out.txt", tab}, {"out.TXT", comma}, {"out.txt.bak", comma}, {"out", comma},
    };
    for (const auto& [name, expected] : cases) {
        EXPECT_TRUE(CHistoryExport::ExportHistoryTo(*doc, m_dir.File(name), nullptr));
        EXPECT_EQ(ReadFile(m_dir.File(name)), expected) << name;
    }
    EXPECT_TRUE(m_prompts.empty());
}

TEST_F(HistoryExport, EveryLiveConnectionOfEveryEntryInStartOrder)
{
    auto doc = Doc("20/06/1999 08:00:00  20/06/1999 09:00:00  01:00:00  Home\r\n"
                   "*15/05/1999 10:00:00  15/05/1999 11:00:00  01:00:00  Office\r\n" +
                   std::string(kOfficeLogLine) +
                   "01/03/1999 23:50:00  02/03/1999 00:10:00  00:20:00  Net, Inc\r\n"
                   // Ends 65 s before it starts.
                   "02/03/1999 12:00:00  02/03/1999 11:58:55  00:00:00  Home\r\n");
    // Neither the list's entry filter nor the tree's selection limits the export.
    doc->SetFilter("Office");
    doc->SelectDay(*doc->GetLog()->FindMonth(1999, 5)->FindDay(14));

    ASSERT_TRUE(CHistoryExport::ExportHistoryTo(*doc, m_dir.File("all.csv"), nullptr));
    EXPECT_EQ(ReadFile(m_dir.File("all.csv")), "01/03/1999 23:50:00,02/03/1999 00:10:00,00:20:00,\"Net, Inc\"\r\n"
                                               "02/03/1999 12:00:00,02/03/1999 11:58:55,00:00:00,Home\r\n"
                                               "14/05/1999 18:25:15,14/05/1999 19:27:18,01:02:03,Office\r\n"
                                               "20/06/1999 08:00:00,20/06/1999 09:00:00,01:00:00,Home\r\n");
    // The log file itself is not rewritten by an export.
    EXPECT_EQ(doc->GetLog()->GetConnectionCount(), 5);
    EXPECT_EQ(ReadFile(m_dir.File("Zelmorin.Log")).substr(0, 5), "20/06");
}

TEST_F(HistoryExport, NamesThatWouldSplitAFieldAreQuoted)
{
    const char* const names[] = {"Mobile, roaming", "Say \"hi\"", "Tab\there", "Plain", "Quote\" at, both"};
    std::string log;
    for (int i = 0; i < 5; ++i)
        log += "0" + std::to_string(i + 1) + "/03/1999 10:00:00  0" + std::to_string(i + 1) +
               "/03/1999 11:00:00  01:00:00  " + names[i] + "\r\n";
    auto doc = Doc(log);
    // A line break cannot come from a log line, only from a record made in memory.
    doc->GetLog()->AddConnection(
        new CConnection(CTime(1999, 3, 9, 10, 0, 0), CTime(1999, 3, 9, 11, 0, 0), "Two\nlines"));

    ASSERT_TRUE(CHistoryExport::ExportHistoryTo(*doc, m_dir.File("q.csv"), nullptr));
    EXPECT_EQ(ReadFile(m_dir.File("q.csv")),
              "01/03/1999 10:00:00,01/03/1999 11:00:00,01:00:00,\"Mobile, roaming\"\r\n"
              "02/03/1999 10:00:00,02/03/1999 11:00:00,01:00:00,\"Say \"\"hi\"\"\"\r\n"
              "03/03/1999 10:00:00,03/03/1999 11:00:00,01:00:00,Tab\there\r\n"
              "04/03/1999 10:00:00,04/03/1999 11:00:00,01:00:00,Plain\r\n"
              "05/03/1999 10:00:00,05/03/1999 11:00:00,01:00:00,\"Quote\"\" at, both\"\r\n"
              "09/03/1999 10:00:00,09/03/1999 11:00:00,01:00:00,\"Two\nlines\"\r\n");
    // Tab-separated: only a tab or a line break needs the quotes.
    ASSERT_TRUE(CHistoryExport::ExportHistoryTo(*doc, m_dir.File("q.txt"), nullptr));
    EXPECT_EQ(ReadFile(m_dir.File("q.txt")), "01/03/1999 10:00:00\t01/03/1999 11:00:00\t01:00:00\tMobile, roaming\r\n"
                                             "02/03/1999 10:00:00\t02/03/1999 11:00:00\t01:00:00\tSay \"hi\"\r\n"
                                             "03/03/1999 10:00:00\t03/03/1999 11:00:00\t01:00:00\t\"Tab\there\"\r\n"
                                             "04/03/1999 10:00:00\t04/03/1999 11:00:00\t01:00:00\tPlain\r\n"
                                             "05/03/1999 10:00:00\t05/03/1999 11:00:00\t01:00:00\tQuote\" at, both\r\n"
                                             "09/03/1999 10:00:00\t09/03/1999 11:00:00\t01:00:00\t\"Two\nlines\"\r\n");
    // The log's own lines keep every name as it is.
    ASSERT_TRUE(doc->GetLog()->Save());
    EXPECT_NE(ReadFile(m_dir.File("Zelmorin.Log")).find("  Say \"hi\"\r\n03/03/1999"), std::string::npos);
}

TEST_F(HistoryExport, NothingLiveGivesAnEmptyFile)
{
    for (const std::string& log : {std::string(), "*" + std::string(kOfficeLogLine)}) {
        auto doc = Doc(log);
        WriteFile(m_dir.File("old.txt"), "stale content\r\n");
        ASSERT_TRUE(CHistoryExport::ExportHistoryTo(*doc, m_dir.File("old.txt"), nullptr));
        EXPECT_TRUE(FileExists(m_dir.File("old.txt")));
        EXPECT_EQ(ReadFile(m_dir.File("old.txt")), "");
    }
}

// On a file system without locks the exports are still written, and the first one tells the
// user, once, that files are written without locks; with locks nothing is said.
TEST_F(HistoryExport, AFileSystemWithoutLocksIsToldOnce)
{
    for (bool locks : {true, false}) {
        SCOPED_TRACE(locks ? "with locks" : "without locks");
        auto doc = Doc(kOfficeLogLine);
        m_prompts.clear();
        CLogLock::ResetUnlockedNotice();
        IoFaults::DenyLocks(!locks);
        const bool first = CHistoryExport::ExportHistoryTo(*doc, m_dir.File("first.csv"), nullptr);
        const bool second = CHistoryExport::ExportHistoryTo(*doc, m_dir.File("second.csv"), nullptr);
        IoFaults::DenyLocks(false);
        EXPECT_TRUE(first);
        EXPECT_TRUE(second);
        EXPECT_EQ(ReadFile(m_dir.File("first.csv")), "14/05/1999 18:25:15,14/05/1999 19:27:18,01:02:03,Office\r\n");
        EXPECT_EQ(ReadFile(m_dir.File("second.csv")), ReadFile(m_dir.File("first.csv")));
        ASSERT_EQ(m_prompts.size(), locks ? 0u : 1u);
        if (!locks) {
            EXPECT_EQ(m_prompts[0].kind, CPrompt::Kind::Information);
            EXPECT_NE(m_prompts[0].text.find("The file system of " + m_dir.File("first.csv") + " has no file locks"),
                      std::string::npos)
                << m_prompts[0].text;
        }
    }
}

TEST_F(HistoryExport, FailedWriteIsReportedAndKeepsTheOldFile)
{
    auto doc = Doc(kOfficeLogLine);

    const std::string missingDir = m_dir.File("no such folder/out.csv");
    EXPECT_FALSE(CHistoryExport::ExportHistoryTo(*doc, missingDir, nullptr));
    ASSERT_EQ(m_prompts.size(), 1u);
    EXPECT_EQ(m_prompts[0].kind, CPrompt::Kind::Stop);
    EXPECT_NE(m_prompts[0].text.find(missingDir), std::string::npos) << m_prompts[0].text;
    EXPECT_NE(m_prompts[0].text.find("No such file or directory"), std::string::npos) << m_prompts[0].text;

    // A write that fails part-way (a full disk, here a file size limit, which also binds root).
    std::string many;
    for (int i = 0; i < 2000; ++i)
        many += kOfficeLogLine;
    doc = Doc(many);
    const std::string target = m_dir.File("kept.csv");
    const std::string old = "the user's earlier export\r\n";
    WriteFile(target, old);
    rlimit previous{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    rlimit small = previous;
    small.rlim_cur = 4096;
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool written = CHistoryExport::ExportHistoryTo(*doc, target, nullptr);
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(written);
    ASSERT_EQ(m_prompts.size(), 2u);
    EXPECT_EQ(m_prompts[1].kind, CPrompt::Kind::Stop);
    EXPECT_NE(m_prompts[1].text.find(target), std::string::npos) << m_prompts[1].text;
    EXPECT_NE(m_prompts[1].text.find("too large"), std::string::npos) << m_prompts[1].text;
    EXPECT_EQ(ReadFile(target), old);
    // No half-written temporary file is left beside it.
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(m_dir.Path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Zelmorin.Log", "kept.csv"}));
    // The document is usable as before.
    EXPECT_EQ(doc->GetLog()->GetConnectionCount(), 2000);
    EXPECT_TRUE(CHistoryExport::ExportHistoryTo(*doc, target, nullptr));
    EXPECT_EQ(ReadFile(target).size(), many.size() - 2000 * 3);
}

TEST_F(HistoryExport, TheLogsOwnFileIsRefused)
{
    const std::string log = std::string("*") + kOfficeLogLine + kOfficeLogLine + "not a record\r\n";
    auto doc = Doc(log);
    // As after the user confirmed the overwrite question of the dialog.
    EXPECT_FALSE(CHistoryExport::ExportHistoryTo(*doc, m_dir.File("Zelmorin.Log"), nullptr));
    ASSERT_EQ(m_prompts.size(), 1u);
    EXPECT_EQ(m_prompts[0].kind, CPrompt::Kind::Stop);
    EXPECT_NE(m_prompts[0].text.find("connection log"), std::string::npos) << m_prompts[0].text;
    EXPECT_EQ(ReadFile(m_dir.File("Zelmorin.Log")), log);
}

TEST_F(HistoryExport, DialogOffersBothTypesAndGivesATypedNameTheChosenExtension)
{
    auto doc = Doc(kOfficeLogLine);
    const QString cwd = QDir::currentPath();
    const QString dir = QString::fromStdString(m_dir.Path());

    // Every step types a new name: an existing one would stop the test at the overwrite question.
    AnswerDialog(CExportFileDialog::TextFilter(), dir + "/typed");
    CHistoryExport::ExportHistory(*doc, nullptr);
    EXPECT_EQ(m_initialFilters, (QStringList{"Comma Separated Value (*.csv)", "Tab Separated Value (*.txt)"}));
    EXPECT_EQ(m_initialFilter, "Comma Separated Value (*.csv)");
    EXPECT_EQ(QFileInfo(m_initialName).fileName(), "Zelmorin.csv");
    EXPECT_TRUE(m_asksBeforeOverwrite);
    EXPECT_EQ(ReadFile(m_dir.File("typed.txt")), "14/05/1999 18:25:15\t14/05/1999 19:27:18\t01:02:03\tOffice\r\n");

    AnswerDialog(CExportFileDialog::CsvFilter(), dir + "/second");
    CHistoryExport::ExportHistory(*doc, nullptr);
    EXPECT_EQ(ReadFile(m_dir.File("second.csv")), "14/05/1999 18:25:15,14/05/1999 19:27:18,01:02:03,Office\r\n");

    // A name with an extension of its own keeps it, whatever the type.
    AnswerDialog(CExportFileDialog::TextFilter(), dir + "/own.dat");
    CHistoryExport::ExportHistory(*doc, nullptr);
    EXPECT_EQ(ReadFile(m_dir.File("own.dat")), "14/05/1999 18:25:15,14/05/1999 19:27:18,01:02:03,Office\r\n");
    EXPECT_FALSE(FileExists(m_dir.File("own.dat.txt")));

    EXPECT_EQ(QDir::currentPath(), cwd);
    EXPECT_TRUE(m_prompts.empty());
}

TEST_F(HistoryExport, CancelWritesNothing)
{
    auto doc = Doc(kOfficeLogLine);
    bool asked = false;
    CHistoryExport::SetDialogRunner([&](QFileDialog& dialog) {
        asked = true;
        dialog.selectFile(QString::fromStdString(m_dir.File("cancelled.csv")));
        dialog.reject();
        return dialog.result();
    });
    CHistoryExport::ExportHistory(*doc, nullptr);
    EXPECT_TRUE(asked);
    EXPECT_FALSE(FileExists(m_dir.File("cancelled.csv")));
}

} // namespace
