// Renders the About box off screen: zelmorin_about_screenshot <file.png> [icon]. The icon file
// stands in for the program's icon resource, which this tool is not built with.
#include <cstdio>

#include <QApplication>
#include <QIcon>

#include "AboutDlg.h"

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s <file.png> [icon]\n", argv[0]);
        return 2;
    }
    if (argc == 3)
        QApplication::setWindowIcon(QIcon(QString::fromLocal8Bit(argv[2])));
    CAboutDlg dialog;
    dialog.show();
    QApplication::processEvents();
    if (!dialog.grab().save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
