#pragma once

#include <functional>
#include <string>
#include <vector>

#include "Time.h"

class CConnection;
class CHistoryDoc;
class CUsageChart;
class CLogDay;
class QFont;
class QPaintDevice;
class QPrintDialog;
class QPrinter;
class QWidget;

// The History window's Print command: one line of monospaced text per connection under a
// header and a rule on every page, all of the history or the period highlighted in the tree,
// then the window's chart on a page of its own.
// Positions are in the printer's device pixels from the top-left corner of the printable area.
class CHistoryPrinter
{
public:
    // Where one body line stands: its page (from 0) and the top of its text.
    struct SPlace
    {
        int nPage;
        int nY;
    };

    // Shows the dialog and returns its result (QDialog::Accepted or Rejected).
    using DialogRunner = std::function<int(QPrintDialog& dialog)>;

    // Told before each page (from 0) of how many, and once more with both equal at the end;
    // false stops the job.
    using PageHook = std::function<bool(int page, int pages)>;

    // Asks for the printer and the range, then prints with the current time in the header,
    // under a progress dialog whose Cancel stops the job.
    static void PrintHistory(CHistoryDoc& doc, QWidget* parent, const CUsageChart* chart = nullptr);

    // Prints on printer; the number of pages, -1 when the printer would not start the document,
    // or -2 when onPage stopped it (the job is then aborted, so nothing more comes out). With
    // nothing to print no job is started, so no blank sheet comes out. A chart comes last, on
    // its own page, as wide as the page.
    static int PrintHistoryTo(const CHistoryDoc& doc, QPrinter& printer, bool selectionOnly, CTime printStart,
                              const PageHook& onPage = nullptr, const CUsageChart* chart = nullptr);
    // The chart's font: the desktop's at 10 points, as the text lines are.
    static QFont ChartFont();

    static std::string HeaderText(CTime printStart);
    static std::string BodyLine(const CConnection& record);
    // The body lines in print order: every non-deleted connection of the window's entry
    // filter, as the chart counts them, or only those of the days in the selected period.
    static std::vector<std::string> BodyLines(const CHistoryDoc& doc, bool selectionOnly);
    static bool IsDaySelected(const CHistoryDoc& doc, const CLogDay& day);

    // "Courier New" at 10 points, or the system's fixed-pitch font where that is missing.
    static QFont PrintFont();
    // The line pitch on device: character height plus internal and external leading. The
    // character height already holds the internal leading; counting it twice is the
    // printout's traditional spacing.
    static int Pitch(const QFont& font, const QPaintDevice* device);

    static int HeaderY(int pitch) { return pitch / 2; }
    static int RuleY(int pitch) { return HeaderY(pitch) + pitch; }
    static int FirstLineY(int pitch) { return RuleY(pitch) + HeaderY(pitch); }
    // A page ends after the first line whose successor would reach within one pitch of the
    // page's bottom.
    static std::vector<SPlace> PlaceLines(int lineCount, int pitch, int pageHeight);

    // Replaces the modal run of the print dialog; nullptr runs it normally again.
    static void SetDialogRunner(DialogRunner runner);

    // How long a printout runs before its progress dialog shows: a short job shows none.
    static constexpr int kProgressDelayMs = 500;
    // Replaces that delay (milliseconds); a negative value restores kProgressDelayMs.
    static void SetProgressDelay(int ms);
};
