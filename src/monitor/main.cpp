// Zelmorin: how long you have been on line.
#include <QApplication>
#include <QIcon>

#include "MonitorApp.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quillmoor"));
    QApplication::setApplicationName(QStringLiteral("Zelmorin"));
    QApplication::setApplicationVersion(QStringLiteral("1.11"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/128-32.png")));
    CMonitorApp monitor;
    return monitor.InitInstance(app);
}
