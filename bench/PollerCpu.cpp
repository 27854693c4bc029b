// Measures the CPU time that polling one connection provider takes, the way the program polls:
// once a second from a worker thread, EnumConnections and then GetConnectStatus for each listed
// connection. Reports the process's CPU time (all threads, QtDBus's included) as a share of one
// core. bench/poller_cpu.sh sets up the services and runs every case.
//
// Usage: zelmorin-poller-cpu SELECTION [SECONDS]
//   SELECTION as in ZELMORIN_RAS ("nm", "pppd", "sim:PATH"), or "pppd-root:DIR" for pppd on a
//   fake system tree.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <thread>

#include "PppdProvider.h"
#include "RasProvider.h"
#include "RasProviderFactory.h"

namespace {

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& time) { return static_cast<double>(time.tv_sec) + time.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

int Poll(CRasProvider& provider, int& connected)
{
    SRasConnection connections[16];
    int count = provider.EnumConnections(connections, 16);
    connected = 0;
    for (int i = 0; i < count; ++i)
        connected += provider.GetConnectStatus(connections[i].handle) == CRasProvider::kConnected;
    return count;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s SELECTION [SECONDS]\n", argv[0]);
        return 2;
    }
    const std::string selection = argv[1];
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 60;
    const std::string rootPrefix = "pppd-root:";
    std::unique_ptr<CRasProvider> provider;
    if (selection.compare(0, rootPrefix.size(), rootPrefix) == 0)
        provider = std::make_unique<CPppdProvider>(selection.substr(rootPrefix.size()));
    else
        provider = CreateRasProvider(selection);

    int listed = 0;
    int connected = 0;
    double worstMs = 0;
    double cpuStart = 0;
    double cpuEnd = 0;
    std::thread worker([&] {
        // The first poll opens the bus connection; it is not part of the steady state.
        Poll(*provider, connected);
        cpuStart = CpuSeconds();
        auto next = std::chrono::steady_clock::now();
        for (int i = 0; i < seconds; ++i) {
            auto start = std::chrono::steady_clock::now();
            listed = Poll(*provider, connected);
            double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
            worstMs = ms > worstMs ? ms : worstMs;
            next += std::chrono::seconds(1);
            std::this_thread::sleep_until(next);
        }
        cpuEnd = CpuSeconds();
    });
    worker.join();

    const double cpu = cpuEnd - cpuStart;
    std::printf("%-40s %3d polls, %d listed (%d connected): CPU %.1f ms = %.3f %% of one core, "
                "%.0f us per poll, slowest poll %.1f ms\n",
                selection.c_str(), seconds, listed, connected, cpu * 1e3, 100.0 * cpu / seconds, cpu * 1e6 / seconds,
                worstMs);
    return 0;
}
