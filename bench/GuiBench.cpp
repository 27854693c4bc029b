// Two measurements of the real windows on a large log, each next to the reference reader's
// time in the same run:
//  - the History: from the History button's click to the window shown with its tree filled;
//  - the longest stall of the main window's event loop while a connection ends and is
//    appended to the log (the poller reports the end; the log appends on the UI thread).
//
// usage: zelmorin-gui-bench LOG [RUNS]   (under xvfb-run -a; TZ is pinned to Europe/Rome)

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <vector>

#include "Clock.h"
#include "ConnectionLog.h"
#include "HistoryDoc.h"
#include "HistoryFrame.h"
#include "HistoryTree.h"
#include "MonitorDlg.h"
#include "MonitorFakes.h"
#include "ReferenceReader.h"
#include "Time.h"
#include "TrayIcon.h"

namespace fs = std::filesystem;

namespace {

constexpr int kConnectedState = CRasProvider::kConnected;

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double ReferenceMs(const std::string& path)
{
    auto t0 = std::chrono::steady_clock::now();
    std::vector<SReferenceRecord> records = ReadReference(path);
    auto t1 = std::chrono::steady_clock::now();
    if (records.empty())
        std::fprintf(stderr, "zelmorin-gui-bench: the reference reader read nothing\n");
    return std::chrono::duration<double, std::milli>(t1 - t0).count();
}

// The History's own read of the log, alone: the part of the opening that is not the window.
double DocumentLoadMs(const std::string& path)
{
    QElapsedTimer timer;
    timer.start();
    auto doc = std::make_unique<CHistoryDoc>(path);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    return doc->GetLog()->GetConnectionCount() > 0 ? ms : -1;
}

// The tree's fill and its width fitting, alone, on a log already read.
void TreeParts(const std::string& path, double& fillMs, double& fitMs)
{
    CHistoryDoc doc(path);
    QElapsedTimer timer;
    timer.start();
    CHistoryTree tree(doc);
    fillMs = double(timer.nsecsElapsed()) / 1e6;
    timer.restart();
    volatile int width = tree.FittingWidth();
    (void)width;
    fitMs = double(timer.nsecsElapsed()) / 1e6;
}

CHistoryFrame* OpenFrame()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* frame = qobject_cast<CHistoryFrame*>(widget); frame && frame->isVisible())
            return frame;
    return nullptr;
}

// From the click to the frame exposed, its tree filled and every event it posted handled.
double HistoryOpenMs(CMonitorDlg& dialog)
{
    auto* button = dialog.findChild<QAbstractButton*>(QStringLiteral("history"));
    if (!button)
        return -1;
    QElapsedTimer timer;
    timer.start();
    button->click();
    CHistoryFrame* frame = OpenFrame();
    if (!frame || !QTest::qWaitForWindowExposed(frame))
        return -1;
    QCoreApplication::processEvents();
    auto* tree = frame->findChild<QTreeWidget*>(QStringLiteral("historyTree"));
    if (!tree || tree->topLevelItemCount() == 0)
        return -1;
    tree->repaint();
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    frame->close();
    QCoreApplication::processEvents();
    return ms;
}

// The longest gap between turns of the event loop, from the report of the end until the log
// holds the record.
double AppendStallMs(CFakeProvider& provider, const std::string& log)
{
    const auto sizeBefore = fs::file_size(log);
    provider.Set({{"Office", kConnectedState}});
    QTest::qWait(2500); // the poller, once a second, sees the connection start
    qint64 longest = 0;
    QElapsedTimer sinceTurn;
    QTimer ticker;
    ticker.setInterval(0);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longest = std::max(longest, sinceTurn.nsecsElapsed());
        sinceTurn.restart();
    });
    sinceTurn.start();
    ticker.start();
    provider.Set({});
    QElapsedTimer limit;
    limit.start();
    while (fs::file_size(log) == sizeBefore && limit.elapsed() < 10000)
        QTest::qWait(5);
    QTest::qWait(200);
    ticker.stop();
    if (fs::file_size(log) == sizeBefore)
        return -1;
    return double(longest) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: zelmorin-gui-bench LOG [RUNS]\n");
        return 2;
    }
    setenv("TZ", "Europe/Rome", 1);
    tzset();
    const int runs = argc == 3 ? std::max(1, std::atoi(argv[2])) : 3;
    const std::string source = argv[1];

    char pattern[] = "/tmp/zelmorin-gui-bench.XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("zelmorin-gui-bench: cannot create a temporary directory");
        return 1;
    }
    const fs::path dir = pattern;
    const std::string log = (dir / "Zelmorin.Log").string();
    fs::copy_file(source, log);
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((dir / "config").string()));

    QApplication app(argc, argv);
    CTrayIcon::SetTrayProbe([] { return false; });
    CFakeStore store;
    auto provider = std::make_unique<CFakeProvider>();
    CFakeProvider& fake = *provider;
    int status = 0;
    {
        CMonitorDlg dialog(std::move(provider), store, dir.string() + "/");
        dialog.OnInitDialog();
        dialog.show();
        if (!QTest::qWaitForWindowExposed(&dialog))
            std::fprintf(stderr, "zelmorin-gui-bench: the main window was not shown\n");

        std::vector<double> reference, load, history, stall;
        for (int run = 0; run < runs; ++run) {
            reference.push_back(ReferenceMs(log));
            load.push_back(DocumentLoadMs(log));
            double fillMs = 0, fitMs = 0;
            TreeParts(log, fillMs, fitMs);
            std::fprintf(stderr, "run %d: tree fill %.0f ms, fitting width %.0f ms\n", run + 1, fillMs, fitMs);
            history.push_back(HistoryOpenMs(dialog));
            stall.push_back(AppendStallMs(fake, log));
            std::fprintf(stderr, "run %d: reference %.0f ms, History %.0f ms (its log alone %.0f ms), stall %.1f ms\n",
                         run + 1, reference.back(), history.back(), load.back(), stall.back());
        }
        if (*std::min_element(history.begin(), history.end()) < 0 ||
            *std::min_element(stall.begin(), stall.end()) < 0) {
            std::fprintf(stderr, "zelmorin-gui-bench: a measurement failed\n");
            status = 1;
        }
        std::printf("reference reader (in process): %.0f ms\n", Median(reference));
        std::printf("History shown with its tree:   %.0f ms (reference / History = %.2f; its log alone %.0f ms)\n",
                    Median(history), Median(reference) / Median(history), Median(load));
        std::printf("longest event-loop stall while a connection ends and is logged: %.1f ms\n", Median(stall));
        dialog.StopPolling();
    }
    std::error_code ignored;
    fs::remove_all(dir, ignored);
    return status;
}
