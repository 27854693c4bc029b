// Zelmorin: how long you have been on line.
#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <cstring>

#include "MonitorApp.h"
#include "Translations.h"

namespace {

const char kUsage[] = "usage: zelmorin [--help | -h | --version]\n"
                      "Shows and logs how long you have been on line. It takes no other arguments;\n"
                      "zelmorin-report prints the log.\n";

// A reply that did not reach its reader (a closed pipe, a full disk) is no success.
int Reply(const char* text)
{
    return std::fputs(text, stdout) >= 0 && std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    // Answered before Qt starts, so that they need no display.
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h"))
            return Reply(kUsage);
        if (!std::strcmp(argv[i], "--version"))
            return Reply("zelmorin " ZELMORIN_VERSION "\n");
    }
    QApplication app(argc, argv);
    // Qt has taken its own options (-platform, and -session from a session manager); anything
    // left is not for this program.
    if (argc > 1) {
        std::fprintf(stderr, "zelmorin: unknown argument %s\n%s", argv[1], kUsage);
        return 2;
    }
    QApplication::setOrganizationName(QStringLiteral("Quillmoor"));
    QApplication::setApplicationName(QStringLiteral("Zelmorin"));
    QApplication::setApplicationVersion(QStringLiteral(ZELMORIN_VERSION));
    // The Wayland app id: docks and top bars match the window to its desktop entry by it.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.quillmoor.Zelmorin"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/128-32.png")));
    LoadTranslations(app);
    CMonitorApp monitor;
    return monitor.InitInstance(app);
}
