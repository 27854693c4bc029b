// Every write, fsync, rename and close that appending, saving and exporting make is failed in
// turn: the target must then hold its old content or its new one, never a mix; the failure must
// be reported (a close may fail unreported only where nothing was lost); and nothing may be
// left beside the target.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <sstream>

#include "ConnectionLog.h"
#include "FileException.h"
#include "IoFaults.h"
#include "LogLock.h"
#include "Report.h"
#include "TestSupport.h"

namespace {

using IoFaults::Call;

const std::string kA = "05/03/1999 23:50:00  06/03/1999 02:15:30  02:25:30  Office\r\n";
const std::string kB = "07/03/1999 10:00:00  07/03/1999 11:00:00  01:00:00  Home\r\n";
const std::string kC = "08/03/1999 10:00:00  08/03/1999 10:30:00  00:30:00  Late\r\n";

std::vector<std::string> Names(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// One operation on a fresh folder: prepares the files, runs (true when it reported no
// failure), and names the file it changes with its content before and after.
struct SOperation
{
    const char* name;
    std::string target;
    std::string before;
    std::string after;
    std::vector<std::string> files;
    std::function<bool()> run;
};

using Factory = std::function<SOperation(const CTempDir&, std::unique_ptr<CConnectionLog>&)>;

SOperation Append(const CTempDir& dir, std::unique_ptr<CConnectionLog>& log)
{
    WriteFile(dir.File("Zelmorin.Log"), kA + kB);
    log = std::make_unique<CConnectionLog>(dir.File("Zelmorin.Log"));
    CConnectionLog* raw = log.get();
    return {"Append", dir.File("Zelmorin.Log"), kA + kB, kA + kB + kC, {"Zelmorin.Log"}, [raw] {
                raw->Append(CTime(1999, 3, 8, 10, 0, 0), CTime(1999, 3, 8, 10, 30, 0), "Late");
                return true;
            }};
}

SOperation Save(const CTempDir& dir, std::unique_ptr<CConnectionLog>& log)
{
    WriteFile(dir.File("Zelmorin.Log"), kA + kB);
    log = std::make_unique<CConnectionLog>(dir.File("Zelmorin.Log"));
    log->GetConnection(0)->m_bDeleted = 1;
    CConnectionLog* raw = log.get();
    return {"Save", dir.File("Zelmorin.Log"), kA + kB, "*" + kA + kB, {"Zelmorin.Log"}, [raw] { return raw->Save(); }};
}

// The History window's export: WriteAll with a comma and no deleted records.
SOperation HistoryExport(const CTempDir& dir, std::unique_ptr<CConnectionLog>& log)
{
    WriteFile(dir.File("Zelmorin.Log"), "*" + kA + kB);
    WriteFile(dir.File("out.csv"), "the earlier export\r\n");
    log = std::make_unique<CConnectionLog>(dir.File("Zelmorin.Log"));
    CConnectionLog* raw = log.get();
    std::string target = dir.File("out.csv");
    return {"History export",
            target,
            "the earlier export\r\n",
            "07/03/1999 10:00:00,07/03/1999 11:00:00,01:00:00,Home\r\n",
            {"Zelmorin.Log", "out.csv"},
            [raw, target] { return raw->WriteAll(target, ",", false); }};
}

SOperation ReportExport(const CTempDir& dir, std::unique_ptr<CConnectionLog>& log)
{
    WriteFile(dir.File("Zelmorin.Log"), "*" + kA + kB);
    WriteFile(dir.File("out.txt"), "the earlier export\r\n");
    log.reset();
    SReportDefaults defaults;
    defaults.logPath = dir.File("Zelmorin.Log");
    std::string target = dir.File("out.txt");
    return {"zelmorin-report export",
            target,
            "the earlier export\r\n",
            "07/03/1999 10:00:00\t07/03/1999 11:00:00\t01:00:00\tHome\r\n",
            {"Zelmorin.Log", "out.txt"},
            [defaults, target] {
                std::ostringstream out, err;
                return CReport(defaults, out, err).Run({"export", target}) == 0;
            }};
}

int RunEveryFailurePoint(const Factory& factory)
{
    CScopedTimeZone zone("Europe/Rome");
    int points = 0;
    const std::pair<Call, int> kinds[] = {
        {Call::Write, ENOSPC}, {Call::Fsync, EIO}, {Call::Rename, EIO}, {Call::Close, EIO}};
    for (auto [call, error] : kinds) {
        for (int nth = 1;; ++nth) {
            CTempDir dir;
            std::unique_ptr<CConnectionLog> log;
            SOperation op = factory(dir, log);
            bool succeeded = false;
            std::string message;
            IoFaults::Arm(call, nth, error);
            try {
                succeeded = op.run();
            } catch (const CFileException& e) {
                message = e.what();
            }
            const bool fired = IoFaults::Disarm();
            const std::string where = std::string(op.name) + ", " + IoFaults::Name(call) + " #" + std::to_string(nth);
            const std::string content = ReadFile(op.target);
            EXPECT_EQ(Names(dir.Path()), op.files) << where << ": something was left behind";
            if (!fired) {
                EXPECT_TRUE(succeeded) << where << ": " << message;
                EXPECT_EQ(content, op.after) << where;
                break;
            }
            ++points;
            EXPECT_TRUE(content == op.before || content == op.after) << where << ": torn target\n" << content;
            if (succeeded) {
                EXPECT_TRUE(call == Call::Close && content == op.after) << where << ": failure reported as success";
            }
            if (op.name == std::string("Append") && !succeeded) {
                EXPECT_EQ(content, op.before) << where << ": a failed append left part of its line";
                // The caller's retry logs the connection exactly once.
                log->Append(CTime(1999, 3, 8, 10, 0, 0), CTime(1999, 3, 8, 10, 30, 0), "Late");
                EXPECT_EQ(ReadFile(op.target), op.after) << where;
            }
            if (nth > 100) {
                ADD_FAILURE() << where << ": no end to the calls";
                break;
            }
        }
    }
    return points;
}

TEST(FaultInjection, AppendIsWholeOrUndone)
{
    int points = RunEveryFailurePoint(Append);
    EXPECT_GE(points, 4);
    std::printf("Append: %d failure points\n", points);
}

TEST(FaultInjection, SaveReplacesTheLogWholeOrNotAtAll)
{
    int points = RunEveryFailurePoint(Save);
    EXPECT_GE(points, 4);
    std::printf("Save: %d failure points\n", points);
}

TEST(FaultInjection, HistoryExportReplacesTheTargetWholeOrNotAtAll)
{
    int points = RunEveryFailurePoint(HistoryExport);
    EXPECT_GE(points, 4);
    std::printf("History export: %d failure points\n", points);
}

TEST(FaultInjection, ReporterExportReplacesTheTargetWholeOrNotAtAll)
{
    int points = RunEveryFailurePoint(ReportExport);
    EXPECT_GE(points, 4);
    std::printf("zelmorin-report export: %d failure points\n", points);
}

// A file system without locks: the log is used unlocked, and so are the rewrites' temporary
// files, so that appends, saves and exports all still work; the first file written so is named
// once per process (the reporter's note goes to its error stream), and never where locks work.
TEST(FaultInjection, WithoutLocksEveryWriteStillWorks)
{
    CScopedTimeZone zone("Europe/Rome");
    for (bool locks : {true, false}) {
        SCOPED_TRACE(locks ? "with locks" : "without locks");
        CTempDir dir;
        const std::string log = dir.File("Zelmorin.Log");
        WriteFile(log, kA);
        CLogLock::ResetUnlockedNotice();
        IoFaults::DenyLocks(!locks);
        std::string failure;
        std::vector<std::string> notices;
        try {
            CConnectionLog history(log);
            history.Append(CTime(1999, 3, 7, 10, 0, 0), CTime(1999, 3, 7, 11, 0, 0), "Home");
            notices.push_back(CLogLock::TakeUnlockedNotice());
            history.GetConnection(0)->m_bDeleted = 1;
            history.Save();
            history.WriteAll(dir.File("export.csv"), ",", false);
            notices.push_back(CLogLock::TakeUnlockedNotice());
        } catch (const CFileException& error) {
            failure = error.GetPath() + ": " + error.GetCause();
        }
        // The reporter in a process of its own that has told nobody yet; a second export in it
        // says nothing more.
        CLogLock::ResetUnlockedNotice();
        std::ostringstream out, err;
        SReportDefaults defaults;
        defaults.logPath = log;
        const int reported = CReport(defaults, out, err).Run({"export", dir.File("report.txt")});
        const int again = CReport(defaults, out, err).Run({"export", dir.File("again.txt")});
        IoFaults::DenyLocks(false);
        EXPECT_EQ(failure, "");
        EXPECT_EQ(reported, 0) << err.str();
        EXPECT_EQ(again, 0) << err.str();
        EXPECT_EQ(ReadFile(log), "*" + kA + kB);
        EXPECT_EQ(ReadFile(dir.File("export.csv")), "07/03/1999 10:00:00,07/03/1999 11:00:00,01:00:00,Home\r\n");
        EXPECT_EQ(ReadFile(dir.File("again.txt")), ReadFile(dir.File("report.txt")));
        EXPECT_EQ(Names(dir.Path()),
                  (std::vector<std::string>{"Zelmorin.Log", "again.txt", "export.csv", "report.txt"}));
        if (locks) {
            EXPECT_EQ(notices, (std::vector<std::string>{"", ""}));
            EXPECT_EQ(err.str(), "");
        } else {
            EXPECT_EQ(notices, (std::vector<std::string>{log, ""}));
            EXPECT_EQ(err.str(), "zelmorin-report: note: the file system of " + dir.File("report.txt") +
                                     " has no file locks, so it was written without them\n");
        }
    }
}

} // namespace
