// Renders the About box off screen: zelmorin_about_screenshot [--dark] <file.png> [icon]. The
// icon file stands in for the program's icon resource, which this tool is not built with;
// --dark paints it in a dark theme such as desktops give.
#include <cstdio>
#include <cstring>

#include <QApplication>
#include <QIcon>
#include <QPalette>

#include "AboutDlg.h"

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const bool dark = argc > 1 && std::strcmp(argv[1], "--dark") == 0;
    if (dark) {
        --argc;
        ++argv;
    }
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: zelmorin_about_screenshot [--dark] <file.png> [icon]\n");
        return 2;
    }
    if (argc == 3)
        QApplication::setWindowIcon(QIcon(QString::fromLocal8Bit(argv[2])));
    if (dark) {
        QApplication::setStyle(QStringLiteral("Fusion"));
        QPalette palette;
        const QColor window(53, 53, 53), text(Qt::white);
        palette.setColor(QPalette::Window, window);
        palette.setColor(QPalette::WindowText, text);
        palette.setColor(QPalette::Base, QColor(35, 35, 35));
        palette.setColor(QPalette::Text, text);
        palette.setColor(QPalette::Button, window);
        palette.setColor(QPalette::ButtonText, text);
        palette.setColor(QPalette::Link, QColor(42, 130, 218));
        QApplication::setPalette(palette);
    }
    CAboutDlg dialog;
    dialog.show();
    QApplication::processEvents();
    if (!dialog.grab().save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
