#include "HistoryPrinter.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLayout>
#include <QLocale>
#include <QPageRanges>
#include <QPainter>
#include <QPen>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QString>
#include <QTimer>
#include <algorithm>

#include "Connection.h"
#include "ConnectionLog.h"
#include "HistoryDoc.h"
#include "LogDay.h"
#include "LogMonth.h"
#include "TextBytes.h"
#include "UsageChart.h"

namespace {

const char* const kJobName = "Zelmorin History";

CHistoryPrinter::DialogRunner& ActiveRunner()
{
    static CHistoryPrinter::DialogRunner runner;
    return runner;
}

int& ProgressDelayMs()
{
    static int delay = CHistoryPrinter::kProgressDelayMs;
    return delay;
}

// The long date and time of the user's locale: weekday, month name, day and year, then the
// time. The C library's "%c" is an abbreviated form, and the C locale's unless the process
// has set its locale; Qt's locale is the user's.
std::string LongDateTime(CTime time)
{
    const QDateTime local = QDateTime::fromSecsSinceEpoch(time.GetTime());
    return BytesFromQString(QLocale().toString(local, QLocale::LongFormat));
}

// The innermost layout, under layout, that holds widget directly.
QLayout* RowHolding(QLayout* layout, const QWidget* widget)
{
    if (!layout)
        return nullptr;
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        if (item->widget() == widget)
            return layout;
        if (QLayout* inner = RowHolding(item->layout(), widget))
            return inner;
    }
    return nullptr;
}

} // namespace

void CHistoryPrinter::SetDialogRunner(DialogRunner runner)
{
    ActiveRunner() = std::move(runner);
}

void CHistoryPrinter::SetProgressDelay(int ms)
{
    ProgressDelayMs() = ms < 0 ? kProgressDelayMs : ms;
}

void CHistoryPrinter::PrintHistory(CHistoryDoc& doc, QWidget* parent, const CUsageChart* chart)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QString::fromLatin1(kJobName));
    QPrintDialog dialog(&printer, parent);
    // No page numbers: the pages exist only once printing runs. Copies and collation go to the
    // printer driver. Qt's "print to file" is a PDF printer, the only one on a machine without
    // a print server, so it stays.
    dialog.setOptions(QAbstractPrintDialog::PrintSelection | QAbstractPrintDialog::PrintToFile |
                      QAbstractPrintDialog::PrintCollateCopies | QAbstractPrintDialog::PrintShowPageSize);
    dialog.setPrintRange(QAbstractPrintDialog::AllPages);
    // Qt's dialog enables its page-range choice whatever the options say; it goes once the
    // dialog has set its controls up on showing.
    QTimer::singleShot(0, &dialog, [&dialog] {
        // The "to" between the page numbers has no name of its own: everything in the row of
        // the first page number goes with it.
        if (auto* from = dialog.findChild<QWidget*>(QStringLiteral("from")))
            if (QLayout* row = RowHolding(from->parentWidget() ? from->parentWidget()->layout() : nullptr, from))
                for (int i = 0; i < row->count(); ++i)
                    if (QWidget* widget = row->itemAt(i)->widget())
                        widget->hide();
        for (const char* name : {"printRange", "from", "to", "pagesRadioButton", "pagesLineEdit"})
            if (auto* control = dialog.findChild<QWidget*>(QString::fromLatin1(name)))
                control->hide();
    });
    int result = ActiveRunner() ? ActiveRunner()(dialog) : dialog.exec();
    if (result != QDialog::Accepted)
        return;
    bool selectionOnly = dialog.printRange() == QAbstractPrintDialog::Selection;
    // Whatever range a driver's own page might have set, the whole printout goes out.
    printer.setPrintRange(QPrinter::AllPages);
    printer.setPageRanges(QPageRanges());

    // A long log takes many pages; the window stays drawn and the job can be stopped.
    QProgressDialog progress(QCoreApplication::translate("CHistoryPrinter", "Printing the history..."),
                             QCoreApplication::translate("CHistoryPrinter", "Cancel"), 0, 1, parent);
    progress.setObjectName(QStringLiteral("printProgress"));
    progress.setWindowTitle(QCoreApplication::translate("CHistoryPrinter", "Zelmorin - Print"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumWidth(progress.fontMetrics().horizontalAdvance(
                                 QCoreApplication::translate("CHistoryPrinter", "Printing page %1 of %2...")
                                     .arg(QStringLiteral("00000"), QStringLiteral("00000"))) *
                             3 / 2);
    progress.setMinimumDuration(ProgressDelayMs());
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    progress.setValue(0);
    auto onPage = [&progress](int done, int pages) {
        if (progress.maximum() != pages)
            progress.setMaximum(pages);
        progress.setLabelText(
            QCoreApplication::translate("CHistoryPrinter", "Printing page %1 of %2...").arg(done + 1).arg(pages));
        // Once shown, the window-modal dialog runs the events itself and keeps user input off
        // the History window; until then the windows are only repainted.
        progress.setValue(done);
        if (!progress.isVisible())
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        return !progress.wasCanceled();
    };
    PrintHistoryTo(doc, printer, selectionOnly, CTime::GetCurrentTime(), onPage, chart);
    progress.close();
}

int CHistoryPrinter::PrintHistoryTo(const CHistoryDoc& doc, QPrinter& printer, bool selectionOnly, CTime printStart,
                                    const PageHook& onPage, const CUsageChart* chart)
{
    const std::vector<std::string> lines = BodyLines(doc, selectionOnly);
    if (lines.empty())
        return 0;

    printer.setDocName(QString::fromLatin1(kJobName));
    const QFont font = PrintFont();
    const int pitch = Pitch(font, &printer);
    const int pageWidth = printer.width();
    const std::vector<SPlace> places = PlaceLines(static_cast<int>(lines.size()), pitch, printer.height());
    const int textPages = places.back().nPage + 1;
    const int pages = textPages + (chart ? 1 : 0);

    QPainter painter;
    if (!painter.begin(&printer))
        return -1;
    const QPen rulePen(Qt::black, std::max(1, printer.resolution() / 200));
    // Text is placed by the top of its cell; Qt draws at the baseline.
    const int ascent = QFontMetrics(font, &printer).ascent();
    const QString header = QStringFromBytes(HeaderText(printStart));
    // Opens the page (from 0) with its header and rule; false when the job was stopped.
    auto startPage = [&](int page) {
        if (onPage && !onPage(page, pages)) {
            printer.abort();
            painter.end();
            // Qt's file and spooler engines cannot abort; a file is at least not left
            // holding part of the history.
            if (!printer.outputFileName().isEmpty())
                QFile::remove(printer.outputFileName());
            return false;
        }
        // QPainter opens the first page itself.
        if (page > 0)
            printer.newPage();
        painter.setFont(font);
        // A one-pixel pen vanishes at today's printer resolutions; 1/200 inch is a thin rule.
        painter.setPen(rulePen);
        painter.drawText(0, HeaderY(pitch) + ascent, header);
        painter.drawLine(0, RuleY(pitch), pageWidth, RuleY(pitch));
        return true;
    };
    int page = -1;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (places[i].nPage != page) {
            if (!startPage(page + 1))
                return -2;
            page = places[i].nPage;
        }
        painter.drawText(0, places[i].nY + ascent, QStringFromBytes(lines[i]));
    }
    if (chart) {
        if (!startPage(++page))
            return -2;
        // Landscape proportions at most, so that a portrait page does not stretch the bars.
        const int top = FirstLineY(pitch);
        const int height = std::min(printer.height() - top, pageWidth * 3 / 5);
        chart->Paint(painter, QRectF(0, top, pageWidth, height), ChartFont(), CUsageChart::SColors::Paper(), true);
    }
    if (onPage)
        onPage(pages, pages);
    painter.end();
    return page + 1;
}

QFont CHistoryPrinter::ChartFont()
{
    QFont font = QGuiApplication::font();
    font.setPointSize(10);
    return font;
}

std::string CHistoryPrinter::HeaderText(CTime printStart)
{
    return BytesFromQString(QCoreApplication::translate("CHistoryPrinter", "Zelmorin 1.0 - History at %1")
                                .arg(QStringFromBytes(LongDateTime(printStart))));
}

std::string CHistoryPrinter::BodyLine(const CConnection& record)
{
    return record.GetStartText() + "  " + record.GetEndText() + "  " + record.GetDurationText() + "  " +
           record.GetName();
}

std::vector<std::string> CHistoryPrinter::BodyLines(const CHistoryDoc& doc, bool selectionOnly)
{
    std::vector<std::string> lines;
    const std::string& filter = doc.m_strFilter;
    const CConnectionLog& log = *doc.GetLog();
    for (int m = 0; m < log.GetMonthCount(); ++m) {
        const CLogMonth& month = *log.GetMonth(m);
        for (int d = 0; d < month.GetDayCount(); ++d) {
            const CLogDay& day = *month.GetDay(d);
            if (selectionOnly && !IsDaySelected(doc, day))
                continue;
            for (int c = 0; c < day.GetConnectionCount(); ++c)
                if (filter.empty() || day.GetConnection(c)->m_strName == filter)
                    lines.push_back(BodyLine(*day.GetConnection(c)));
        }
    }
    return lines;
}

bool CHistoryPrinter::IsDaySelected(const CHistoryDoc& doc, const CLogDay& day)
{
    // A day chosen in the tree ends 86400 s after its midnight: on the day daylight saving
    // begins that is 01:00 of the next day, whose midnight would count as selected too. Its
    // noon does not; for a period that ends at a midnight, noon and midnight agree.
    const CTime midnight = day.GetDate();
    return midnight >= doc.m_timeFrom && midnight + CTimeSpan(12 * 3600) < doc.m_timeTo;
}

QFont CHistoryPrinter::PrintFont()
{
    // No style hint: with one, fontconfig prefers the generic monospace face to a metric clone
    // of Courier New.
    QFont font(QStringLiteral("Courier New"));
    font.setPointSize(10);
    if (!QFontInfo(font).fixedPitch()) {
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPointSize(10);
    }
    return font;
}

int CHistoryPrinter::Pitch(const QFont& font, const QPaintDevice* device)
{
    const QFontMetrics metrics(font, device);
    // What the cell holds beyond the em square is the internal leading.
    const int em = qRound(font.pointSizeF() * device->logicalDpiY() / 72.0);
    const int internalLeading = std::max(0, metrics.height() - em);
    const int externalLeading = std::max(0, metrics.leading());
    return metrics.height() + internalLeading + externalLeading;
}

std::vector<CHistoryPrinter::SPlace> CHistoryPrinter::PlaceLines(int lineCount, int pitch, int pageHeight)
{
    std::vector<SPlace> places;
    places.reserve(static_cast<std::size_t>(std::max(0, lineCount)));
    int page = -1;
    int y = 0;
    bool newPage = true;
    for (int i = 0; i < lineCount; ++i) {
        if (newPage) {
            ++page;
            y = FirstLineY(pitch);
            newPage = false;
        }
        places.push_back({page, y});
        y += pitch;
        if (y + pitch >= pageHeight)
            newPage = true;
    }
    return places;
}
