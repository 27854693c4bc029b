// Prints a sample history to PDF on A4: zelmorin_printout_sample <file.pdf>. The PDF shows
// what a printout looks like without a printer; a fixed print time keeps it reproducible.
#include <cstdio>
#include <string>

#include <QApplication>
#include <QFile>
#include <QPrinter>
#include <QTemporaryDir>

#include "HistoryDoc.h"
#include "HistoryPrinter.h"

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <file.pdf>\n", argv[0]);
        return 2;
    }
    QTemporaryDir dir;
    const std::string logPath = QFile::encodeName(dir.filePath(QStringLiteral("Zelmorin.Log"))).toStdString();
    {
        QFile log(QString::fromStdString(logPath));
        if (!log.open(QIODevice::WriteOnly))
            return 1;
        const char* const names[] = {"Office", "Home ISP", "Mobile"};
        for (int i = 0; i < 70; ++i) {
            int day = 1 + i / 3, hour = 8 + (i % 3) * 5, minutes = (i * 17) % 50 + 3;
            char line[160];
            std::snprintf(line, sizeof line,
                          "%02d/05/1999 %02d:%02d:%02d  %02d/05/1999 %02d:%02d:%02d  00:00:00  %s\r\n", day, hour,
                          i % 60, (i * 7) % 60, day, hour + 1 + i % 2, minutes, (i * 11) % 60, names[i % 3]);
            log.write(line);
        }
    }
    CHistoryDoc doc(logPath);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromLocal8Bit(argv[1]));
    printer.setPageSize(QPageSize(QPageSize::A4));
    int pages = CHistoryPrinter::PrintHistoryTo(doc, printer, false, CTime(1999, 6, 1, 9, 30, 0));
    if (pages < 0) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    std::printf("%d pages\n", pages);
    return 0;
}
