// Speed and memory of reading the connection log, against a plain sscanf + mktime reader.
// main pins TZ to Europe/Rome, so that every run crosses daylight-saving changes and runs on
// different machines read the same instants.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "Clock.h"
#include "ConnectionLog.h"
#include "LogGenerator.h"
#include "ReferenceReader.h"

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kSmall = 100000;
constexpr std::size_t kLarge = 1000000;
// argv[1] of the child that measures memory in a process of its own.
constexpr const char* kMeasureFlag = "--zelmorin-measure-load";

fs::path g_dir;
std::map<std::size_t, std::string> g_logs; // line count -> generated file
std::int64_t g_now = 0;

std::int64_t FixedNow()
{
    return g_now;
}

const std::string& LogPath(std::size_t lines)
{
    return g_logs.at(lines);
}

double Seconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

// A "Vm...:" line of /proc/self/status, in kB; -1 if absent.
long StatusKb(const char* key)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::size_t length = std::strlen(key);
    while (std::getline(status, line))
        if (line.compare(0, length, key) == 0)
            return std::strtol(line.c_str() + length, nullptr, 10);
    return -1;
}

long PeakRssKb()
{
    long peak = StatusKb("VmHWM:");
    if (peak >= 0)
        return peak;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss; // kB on Linux
}

// The child's side: load one log and print, in kB, the peak resident set before and after,
// the resident set before and after, then the record count.
int MeasureLoad(const char* path)
{
    long peakBefore = PeakRssKb();
    long rssBefore = StatusKb("VmRSS:");
    CConnectionLog log(path);
    long peakAfter = PeakRssKb();
    long rssAfter = StatusKb("VmRSS:");
    std::printf("%ld %ld %ld %ld %d\n", peakBefore, peakAfter, rssBefore, rssAfter, log.GetConnectionCount());
    return log.GetLoadError() == 0 ? 0 : 1;
}

struct SMemory
{
    double peakBytes = 0;     // growth of the peak resident set while loading
    double retainedBytes = 0; // growth of the resident set left once loaded
    int records = 0;
};

// A fresh process (fork, then exec of this program) so that nothing this one has allocated and
// freed can be reused by the load and hide its cost.
bool MeasureInChild(const std::string& path, SMemory& out)
{
    int fds[2];
    if (pipe(fds) != 0)
        return false;
    pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return false;
    }
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        close(fds[0]);
        close(fds[1]);
        execl("/proc/self/exe", "zelmorin-bench", kMeasureFlag, path.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string text;
    char buf[256];
    ssize_t n;
    while ((n = read(fds[0], buf, sizeof buf)) > 0)
        text.append(buf, std::size_t(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    long peakBefore = 0, peakAfter = 0, rssBefore = 0, rssAfter = 0;
    int records = 0;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 ||
        std::sscanf(text.c_str(), "%ld %ld %ld %ld %d", &peakBefore, &peakAfter, &rssBefore, &rssAfter, &records) !=
            5 ||
        records <= 0 || rssBefore < 0 || rssAfter < 0)
        return false;
    out.records = records;
    out.peakBytes = double(peakAfter - peakBefore) * 1024.0;
    out.retainedBytes = double(rssAfter - rssBefore) * 1024.0;
    return true;
}

void SetFileCounters(benchmark::State& state, std::size_t lines)
{
    state.SetItemsProcessed(std::int64_t(state.iterations()) * std::int64_t(lines));
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(fs::file_size(LogPath(lines))));
}

void BM_Load(benchmark::State& state)
{
    const std::size_t lines = std::size_t(state.range(0));
    const std::string& path = LogPath(lines);
    for (auto _ : state) {
        auto log = std::make_unique<CConnectionLog>(path);
        benchmark::DoNotOptimize(log->GetConnectionCount());
        // Freeing a million records is not part of reading them.
        state.PauseTiming();
        log.reset();
        state.ResumeTiming();
    }
    SetFileCounters(state, lines);
}
BENCHMARK(BM_Load)->Arg(kSmall)->Arg(kLarge)->Unit(benchmark::kMillisecond);

void BM_Reference(benchmark::State& state)
{
    const std::size_t lines = std::size_t(state.range(0));
    const std::string& path = LogPath(lines);
    for (auto _ : state) {
        auto records = std::make_unique<std::vector<SReferenceRecord>>(ReadReference(path));
        benchmark::DoNotOptimize(records->data());
        state.PauseTiming();
        records.reset();
        state.ResumeTiming();
    }
    SetFileCounters(state, lines);
}
BENCHMARK(BM_Reference)->Arg(kSmall)->Arg(kLarge)->Unit(benchmark::kMillisecond);

// Both readers in turn on the same file, so that the ratio compares runs under the same load
// of the machine.
void BM_ReferenceOverLoad(benchmark::State& state)
{
    const std::string& path = LogPath(std::size_t(state.range(0)));
    std::chrono::steady_clock::duration fast{}, reference{};
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        auto log = std::make_unique<CConnectionLog>(path);
        auto t1 = std::chrono::steady_clock::now();
        auto records = std::make_unique<std::vector<SReferenceRecord>>(ReadReference(path));
        auto t2 = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(log->GetConnectionCount());
        benchmark::DoNotOptimize(records->data());
        fast += t1 - t0;
        reference += t2 - t1;
        state.PauseTiming();
        log.reset();
        records.reset();
        state.ResumeTiming();
    }
    const double iterations = double(state.iterations());
    state.counters["load_ms"] = Seconds(fast) * 1000.0 / iterations;
    state.counters["reference_ms"] = Seconds(reference) * 1000.0 / iterations;
    state.counters["reference_over_load"] = Seconds(reference) / Seconds(fast);
}
BENCHMARK(BM_ReferenceOverLoad)->Arg(kLarge)->Iterations(3)->Unit(benchmark::kMillisecond);

// Append writes one line and then reads the whole file again; the read is the real cost.
void BM_Append(benchmark::State& state)
{
    const std::size_t lines = std::size_t(state.range(0));
    // A copy, so that the generated file stays as the other benchmarks expect it.
    const fs::path copy = g_dir / "append.log";
    fs::copy_file(LogPath(lines), copy, fs::copy_options::overwrite_existing);
    CConnectionLog log(copy.string());
    std::int64_t start = GeneratedLastStart() + 86400; // after every generated record
    for (auto _ : state) {
        log.Append(CTime(start), CTime(start + 1800), "Office");
        start += 3600;
    }
    benchmark::DoNotOptimize(log.GetConnectionCount());
    state.SetItemsProcessed(std::int64_t(state.iterations()));
    fs::remove(copy);
}
BENCHMARK(BM_Append)->Arg(kLarge)->Unit(benchmark::kMillisecond);

// What the main window does at a connection's end: reads only what was appended since its
// last read, checks for the record, writes and syncs one line and takes it in.
void BM_AppendUnlessLogged(benchmark::State& state)
{
    const std::size_t lines = std::size_t(state.range(0));
    const fs::path copy = g_dir / "append.log";
    fs::copy_file(LogPath(lines), copy, fs::copy_options::overwrite_existing);
    CConnectionLog log(copy.string());
    std::int64_t start = GeneratedLastStart() + 86400;
    for (auto _ : state) {
        if (!log.AppendUnlessLogged(CTime(start), CTime(start + 1800), "Office"))
            state.SkipWithError("the record was taken for one already logged");
        start += 3600;
    }
    benchmark::DoNotOptimize(log.GetConnectionCount());
    state.SetItemsProcessed(std::int64_t(state.iterations()));
    fs::remove(copy);
}
BENCHMARK(BM_AppendUnlessLogged)->Arg(kLarge)->Unit(benchmark::kMillisecond);

void BM_PeriodTotal(benchmark::State& state)
{
    static const auto log = std::make_unique<CConnectionLog>(LogPath(kLarge));
    const int type = int(state.range(0));
    const std::string filter = state.range(1) ? "My  ISP" : "";
    for (auto _ : state)
        benchmark::DoNotOptimize(log->GetPeriodTotal(type, filter, 1, 1));
}
BENCHMARK(BM_PeriodTotal)
    ->ArgsProduct({{0, 1, 2, 3}, {0, 1}})
    ->ArgNames({"type", "filtered"})
    ->Unit(benchmark::kMicrosecond);

void BM_LoadPeakMemory(benchmark::State& state)
{
    const std::size_t lines = std::size_t(state.range(0));
    SMemory memory;
    for (auto _ : state) {
        if (!MeasureInChild(LogPath(lines), memory)) {
            state.SkipWithError("the measuring child process failed");
            return;
        }
    }
    state.counters["records"] = memory.records;
    state.counters["peak_bytes_per_record"] = memory.peakBytes / memory.records;
    state.counters["retained_bytes_per_record"] = memory.retainedBytes / memory.records;
}
BENCHMARK(BM_LoadPeakMemory)->Arg(kLarge)->Iterations(1)->Unit(benchmark::kMillisecond);

std::string Describe(std::int64_t start, std::int64_t end, const std::string& name, bool deleted)
{
    return std::string(deleted ? "*" : "") + "(" + std::to_string(start) + ", " + std::to_string(end) + ", \"" + name +
           "\")";
}

// The fast reader must keep exactly what the plain one reads, or its speed means nothing.
bool SameAsReference(const std::string& path)
{
    CConnectionLog log(path);
    std::vector<SReferenceRecord> reference = ReadReference(path);
    if (log.GetLoadError() != 0 || std::size_t(log.GetConnectionCount()) != reference.size() ||
        log.GetUnreadLineCount() != 0) {
        std::fprintf(stderr,
                     "zelmorin-bench: Load and the reference reader differ on %s: %d records and %d unread lines "
                     "against %zu records (load error %d)\n",
                     path.c_str(), log.GetConnectionCount(), log.GetUnreadLineCount(), reference.size(),
                     log.GetLoadError());
        return false;
    }
    for (std::size_t i = 0; i < reference.size(); ++i) {
        const CConnection* record = log.GetConnection(int(i));
        const SReferenceRecord& expected = reference[i];
        if (record->GetStart().GetTime() != expected.start || record->GetEnd().GetTime() != expected.end ||
            record->m_strName != expected.name || (record->m_bDeleted != 0) != expected.deleted) {
            std::fprintf(stderr,
                         "zelmorin-bench: Load and the reference reader differ on line %zu of %s: %s against %s\n",
                         i + 1, path.c_str(),
                         Describe(record->GetStart().GetTime(), record->GetEnd().GetTime(), record->m_strName,
                                  record->m_bDeleted != 0)
                             .c_str(),
                         Describe(expected.start, expected.end, expected.name, expected.deleted).c_str());
            return false;
        }
    }
    return true;
}

struct SCleanUp
{
    ~SCleanUp()
    {
        if (!g_dir.empty()) {
            std::error_code ignored;
            fs::remove_all(g_dir, ignored);
        }
    }
};

} // namespace

int main(int argc, char** argv)
{
    setenv("TZ", "Europe/Rome", 1);
    tzset();
    if (argc == 3 && std::strcmp(argv[1], kMeasureFlag) == 0)
        return MeasureLoad(argv[2]);

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;

    std::string pattern = (fs::temp_directory_path() / "zelmorin-bench.XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        std::perror("zelmorin-bench: cannot create a temporary directory");
        return 1;
    }
    g_dir = pattern;
    SCleanUp cleanUp;
    for (std::size_t lines : {kSmall, kLarge}) {
        std::string path = (g_dir / ("generated-" + std::to_string(lines) + ".log")).string();
        if (!GenerateLog(path, lines)) {
            std::fprintf(stderr, "zelmorin-bench: cannot write %s\n", path.c_str());
            return 1;
        }
        g_logs[lines] = path;
    }
    if (!SameAsReference(LogPath(kLarge)))
        return 1;

    // "Now" inside the data, so that the day, week and month totals have records to add.
    g_now = CTime(2030, 6, 15, 12, 0, 0).GetTime();
    SetClockHook(FixedNow);

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
