#include <gtest/gtest.h>

#include <cstdio>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTimer>
#include <clocale>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "ConnectionLog.h"
#include "HistoryDoc.h"
#include "HistoryPrinter.h"
#include "TestSupport.h"
#include "TimeTexts.h"

namespace {

// Page objects of a PDF, without the page tree's "/Type /Pages".
int PdfPageCount(const std::string& pdf)
{
    int count = 0;
    const std::string key = "/Type /Page";
    for (std::size_t at = pdf.find(key); at != std::string::npos; at = pdf.find(key, at + 1))
        if (at + key.size() < pdf.size() && pdf[at + key.size()] != 's')
            ++count;
    return count;
}

std::string LogLine(int day, int month, int year, const char* from, const char* to, const char* name)
{
    char date[16];
    std::snprintf(date, sizeof date, "%02d/%02d/%04d", day, month, year);
    return std::string(date) + " " + from + "  " + date + " " + to + "  00:00:00  " + name + "\r\n";
}

std::vector<std::string> Starts(const std::vector<std::string>& lines)
{
    std::vector<std::string> starts;
    for (const std::string& line : lines)
        starts.push_back(line.substr(0, 19));
    return starts;
}

class HistoryPrinter : public ::testing::Test
{
protected:
    void TearDown() override
    {
        CHistoryPrinter::SetDialogRunner(nullptr);
        CHistoryPrinter::SetProgressDelay(-1);
        ConnectionDateFormat = "%d/%m/%Y";
    }

    std::unique_ptr<CHistoryDoc> Doc(const std::string& logBytes)
    {
        WriteFile(m_dir.File("Zelmorin.Log"), logBytes);
        return std::make_unique<CHistoryDoc>(m_dir.File("Zelmorin.Log"));
    }

    void ToPdf(QPrinter& printer, const std::string& name)
    {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(m_dir.File(name)));
        printer.setPageSize(QPageSize(QPageSize::A4));
    }

    CScopedTimeZone m_zone{"Europe/Rome"};
    CTempDir m_dir;
};

TEST_F(HistoryPrinter, PageFrameWithAnOddPitch)
{
    EXPECT_EQ(CHistoryPrinter::HeaderY(45), 22);
    EXPECT_EQ(CHistoryPrinter::RuleY(45), 67);
    EXPECT_EQ(CHistoryPrinter::FirstLineY(45), 89);
}

TEST_F(HistoryPrinter, PageBreaksWhereTheNextLineWouldComeWithinAPitchOfTheBottom)
{
    // Lines at 89, 134, ..., 314: after 314 the pen is at 359, and 359 + 45 reaches 404.
    auto places = CHistoryPrinter::PlaceLines(8, 45, 404);
    ASSERT_EQ(places.size(), 8u);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(places[i].nPage, 0) << i;
        EXPECT_EQ(places[i].nY, 89 + 45 * i) << i;
    }
    EXPECT_EQ(places[6].nPage, 1);
    EXPECT_EQ(places[6].nY, 89);
    EXPECT_EQ(places[7].nY, 134);

    // One pixel more page and 359 still fits.
    places = CHistoryPrinter::PlaceLines(8, 45, 405);
    EXPECT_EQ(places[6].nPage, 0);
    EXPECT_EQ(places[6].nY, 359);
    EXPECT_EQ(places[7].nPage, 1);

    EXPECT_TRUE(CHistoryPrinter::PlaceLines(0, 45, 404).empty());
    // A page too short for even one line still takes one line each, and the loop ends.
    places = CHistoryPrinter::PlaceLines(3, 45, 50);
    ASSERT_EQ(places.size(), 3u);
    EXPECT_EQ(places[2].nPage, 2);
    EXPECT_EQ(places[2].nY, 89);
}

TEST_F(HistoryPrinter, HeaderCarriesThePrintStartInTheLocaleLongForm)
{
    const CTime start(1999, 5, 14, 18, 25, 15);
    struct SCase
    {
        QLocale locale;
        const char* expected;
    };
    const SCase cases[] = {
        {QLocale(QLocale::English, QLocale::UnitedKingdom), "Zelmorin 1.0 - History at Friday, 14 May 1999 18:25:15"},
        {QLocale(QLocale::German, QLocale::Germany), "Zelmorin 1.0 - History at Freitag, 14. Mai 1999 18:25:15"},
    };
    const QLocale previous;
    for (const SCase& c : cases) {
        QLocale::setDefault(c.locale);
        std::string header = CHistoryPrinter::HeaderText(start);
        // The zone's name may follow, as the locale spells it.
        EXPECT_EQ(header.substr(0, std::string(c.expected).size()), c.expected) << header;
    }
    QLocale::setDefault(previous);
}

TEST_F(HistoryPrinter, BodyLinesUseTheListDateFormatAndSkipDeleted)
{
    auto doc = Doc("14/05/1999 18:25:15  14/05/1999 19:27:18  01:02:03  Office\r\n"
                   "*14/05/1999 20:00:00  14/05/1999 21:00:00  01:00:00  Office\r\n"
                   "02/03/1999 12:00:00  02/03/1999 11:58:55  00:00:00  Home  net\r\n");
    ConnectionDateFormat = "%Y-%m-%d";
    const std::string home = "1999-03-02 12:00:00  1999-03-02 11:58:55  00:00:00  Home  net";
    const std::string office = "1999-05-14 18:25:15  1999-05-14 19:27:18  01:02:03  Office";
    // The window's entry filter applies to the text as it does to the chart.
    const struct
    {
        const char* filter;
        std::vector<std::string> lines;
    } cases[] = {{"", {home, office}}, {"Office", {office}}, {"Home  net", {home}}, {"Nobody", {}}};
    for (const auto& c : cases) {
        doc->SetFilter(c.filter);
        EXPECT_EQ(CHistoryPrinter::BodyLines(*doc, false), c.lines) << c.filter;
    }
}

TEST_F(HistoryPrinter, SelectionPrintsTheDaysOfTheChosenPeriod)
{
    auto doc = Doc(LogLine(31, 12, 1979, "10:00:00", "11:00:00", "A") + //
                   LogLine(4, 3, 1999, "23:00:00", "23:30:00", "A") +   //
                   LogLine(5, 3, 1999, "00:00:00", "01:00:00", "B") +   //
                   LogLine(5, 3, 1999, "23:59:59", "23:59:59", "A") +   //
                   LogLine(6, 3, 1999, "00:00:00", "00:10:00", "A") +   //
                   LogLine(31, 3, 1999, "10:00:00", "11:00:00", "A") +  //
                   LogLine(1, 4, 1999, "00:00:00", "00:10:00", "A") +   //
                   LogLine(30, 12, 2037, "10:00:00", "11:00:00", "A") + //
                   LogLine(31, 12, 2037, "10:00:00", "11:00:00", "A"));

    // Before any choice in the tree: 1980-01-01 up to, not including, 2037-12-31.
    auto starts = Starts(CHistoryPrinter::BodyLines(*doc, true));
    ASSERT_EQ(starts.size(), 7u);
    EXPECT_EQ(starts.front(), "04/03/1999 23:00:00");
    EXPECT_EQ(starts.back(), "30/12/2037 10:00:00");
    EXPECT_EQ(CHistoryPrinter::BodyLines(*doc, false).size(), 9u);

    doc->SetFilter("A");
    doc->SelectDay(*doc->GetLog()->FindMonth(1999, 3)->FindDay(5));
    EXPECT_EQ(Starts(CHistoryPrinter::BodyLines(*doc, true)), (std::vector<std::string>{"05/03/1999 23:59:59"}));

    doc->SelectMonth(*doc->GetLog()->FindMonth(1999, 3));
    EXPECT_EQ(Starts(CHistoryPrinter::BodyLines(*doc, true)),
              (std::vector<std::string>{"04/03/1999 23:00:00", "05/03/1999 23:59:59", "06/03/1999 00:00:00",
                                        "31/03/1999 10:00:00"}));
}

TEST_F(HistoryPrinter, DaySelectedOnTheShortDaylightSavingDayStaysOneDay)
{
    auto doc = Doc(LogLine(28, 3, 2021, "10:00:00", "11:00:00", "A") + //
                   LogLine(29, 3, 2021, "00:30:00", "00:40:00", "A"));
    CLogDay& day = *doc->GetLog()->FindMonth(2021, 3)->FindDay(28);
    doc->SelectDay(day);
    // The period ends at 01:00 of the 29th, past that day's midnight.
    ASSERT_GT(doc->m_timeTo, doc->GetLog()->FindMonth(2021, 3)->FindDay(29)->GetDate());
    EXPECT_EQ(Starts(CHistoryPrinter::BodyLines(*doc, true)), (std::vector<std::string>{"28/03/2021 10:00:00"}));
}

TEST_F(HistoryPrinter, NothingToPrintStartsNoJob)
{
    auto doc = Doc(LogLine(5, 3, 1999, "10:00:00", "11:00:00", "A") + //
                   LogLine(6, 3, 1999, "10:00:00", "11:00:00", "A"));
    CLogDay& day = *doc->GetLog()->FindMonth(1999, 3)->FindDay(5);
    doc->SelectDay(day);
    day.MarkDeleted();
    ASSERT_TRUE(doc->GetLog()->Save());
    EXPECT_TRUE(CHistoryPrinter::BodyLines(*doc, true).empty());

    QPrinter printer(QPrinter::HighResolution);
    ToPdf(printer, "selection.pdf");
    EXPECT_EQ(CHistoryPrinter::PrintHistoryTo(*doc, printer, true, CTime(1999, 6, 1, 0, 0, 0)), 0);
    EXPECT_FALSE(FileExists(m_dir.File("selection.pdf")));

    auto empty = Doc("");
    ToPdf(printer, "empty.pdf");
    EXPECT_EQ(CHistoryPrinter::PrintHistoryTo(*empty, printer, false, CTime(1999, 6, 1, 0, 0, 0)), 0);
    EXPECT_FALSE(FileExists(m_dir.File("empty.pdf")));
}

TEST_F(HistoryPrinter, PdfHasAPageForEveryPageOfTheLayout)
{
    QPrinter printer(QPrinter::HighResolution);
    ToPdf(printer, "history.pdf");
    const int pitch = CHistoryPrinter::Pitch(CHistoryPrinter::PrintFont(), &printer);
    ASSERT_GT(pitch, 0);
    auto places = CHistoryPrinter::PlaceLines(1000, pitch, printer.height());
    int perPage = 0;
    while (places[perPage].nPage == 0)
        ++perPage;
    ASSERT_GT(perPage, 10);

    // One page full, and one line more.
    std::string log;
    for (int i = 0; i <= perPage; ++i)
        log += LogLine(1 + i % 28, 1 + i / 28 % 12, 1999 + i / 336, "10:00:00", "11:00:00", "A");
    auto doc = Doc(log);
    EXPECT_EQ(CHistoryPrinter::PrintHistoryTo(*doc, printer, false, CTime(1999, 6, 1, 0, 0, 0)), 2);
    EXPECT_EQ(PdfPageCount(ReadFile(m_dir.File("history.pdf"))), 2);

    doc->GetLog()->GetConnection(perPage)->m_bDeleted = 1;
    ASSERT_TRUE(doc->GetLog()->Save());
    ToPdf(printer, "full.pdf");
    EXPECT_EQ(CHistoryPrinter::PrintHistoryTo(*doc, printer, false, CTime(1999, 6, 1, 0, 0, 0)), 1);
    EXPECT_EQ(PdfPageCount(ReadFile(m_dir.File("full.pdf"))), 1);
}

TEST_F(HistoryPrinter, PrinterThatWillNotStartIsLeftAlone)
{
    auto doc = Doc(LogLine(5, 3, 1999, "10:00:00", "11:00:00", "A"));
    QPrinter printer(QPrinter::HighResolution);
    ToPdf(printer, "no such folder/history.pdf");
    EXPECT_EQ(CHistoryPrinter::PrintHistoryTo(*doc, printer, false, CTime(1999, 6, 1, 0, 0, 0)), -1);
}

TEST_F(HistoryPrinter, DialogChoosesThePrinterAndTheRange)
{
    auto doc = Doc(LogLine(5, 3, 1999, "10:00:00", "11:00:00", "A") + //
                   LogLine(6, 3, 1999, "10:00:00", "11:00:00", "A"));
    // A period without connections: Selection prints nothing, All prints the page.
    doc->m_timeFrom = CTime(2000, 1, 1, 0, 0, 0);
    doc->m_timeTo = CTime(2000, 2, 1, 0, 0, 0);

    QString jobName;
    bool offersSelection = false, offersPageRange = true;
    CHistoryPrinter::SetDialogRunner([&](QPrintDialog& dialog) {
        offersSelection = dialog.testOption(QAbstractPrintDialog::PrintSelection);
        offersPageRange = dialog.testOption(QAbstractPrintDialog::PrintPageRange);
        jobName = dialog.printer()->docName();
        ToPdf(*dialog.printer(), "selection.pdf");
        dialog.setPrintRange(QAbstractPrintDialog::Selection);
        return int(QDialog::Accepted);
    });
    CHistoryPrinter::PrintHistory(*doc, nullptr);
    EXPECT_TRUE(offersSelection);
    EXPECT_FALSE(offersPageRange);
    EXPECT_EQ(jobName, "Zelmorin History");
    EXPECT_FALSE(FileExists(m_dir.File("selection.pdf")));

    CHistoryPrinter::SetDialogRunner([&](QPrintDialog& dialog) {
        ToPdf(*dialog.printer(), "all.pdf");
        return int(QDialog::Accepted);
    });
    CHistoryPrinter::PrintHistory(*doc, nullptr);
    EXPECT_EQ(PdfPageCount(ReadFile(m_dir.File("all.pdf"))), 1);

    CHistoryPrinter::SetDialogRunner([&](QPrintDialog& dialog) {
        ToPdf(*dialog.printer(), "cancelled.pdf");
        return int(QDialog::Rejected);
    });
    CHistoryPrinter::PrintHistory(*doc, nullptr);
    EXPECT_FALSE(FileExists(m_dir.File("cancelled.pdf")));
}

} // namespace

namespace {

// The printed text as a PDF reader extracts it.
std::string PdfText(const std::string& pdf)
{
    std::string command = "pdftotext -layout '" + pdf + "' -";
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buf[4096];
        std::size_t n;
        while ((n = fread(buf, 1, sizeof buf, pipe)) > 0)
            text.append(buf, n);
        pclose(pipe);
    }
    // Extraction places words by their position, not by the blanks between them.
    std::string folded;
    for (char c : text)
        if (!(c == ' ' && !folded.empty() && folded.back() == ' '))
            folded += c;
    return folded;
}

TEST_F(HistoryPrinter, PrintedPdfReadsBackAsTheHistory)
{
    QPrinter printer(QPrinter::HighResolution);
    ToPdf(printer, "read.pdf");
    auto doc = Doc(LogLine(14, 5, 1999, "18:25:15", "19:27:18", "Office") +
                   LogLine(15, 5, 1999, "08:00:00", "08:00:30", "My ISP"));
    ASSERT_EQ(CHistoryPrinter::PrintHistoryTo(*doc, printer, false, CTime(1999, 6, 1, 9, 30, 0)), 1);
    std::string text = PdfText(m_dir.File("read.pdf"));
    EXPECT_NE(text.find("Zelmorin 1.0 - History at "), std::string::npos) << text;
    EXPECT_NE(text.find("14/05/1999 18:25:15 14/05/1999 19:27:18 01:02:03 Office"), std::string::npos) << text;
    EXPECT_NE(text.find("15/05/1999 08:00:00 15/05/1999 08:00:30 00:00:30 My ISP"), std::string::npos) << text;
    EXPECT_LT(text.find("Office"), text.find("My ISP"));
}

} // namespace

namespace {

// A log of `count` one-hour connections, one a day from 1 January 1999.
std::string ManyLines(int count)
{
    std::string log;
    for (int i = 0; i < count; ++i)
        log += LogLine(1 + i % 28, 1 + i / 28 % 12, 1999 + i / 336, "10:00:00", "11:00:00", "A");
    return log;
}

TEST_F(HistoryPrinter, DialogOffersNoPageRange)
{
    auto doc = Doc(ManyLines(1));
    QStringList offered;
    bool found = false;
    int kept = 0;
    CHistoryPrinter::SetDialogRunner([&](QPrintDialog& dialog) {
        dialog.show(); // the dialog sets its widgets up as it is shown
        QApplication::processEvents();
        // Qt's own names of its page-range controls; they sit on a tab that is not shown first.
        found = dialog.findChild<QWidget*>(QStringLiteral("printRange")) != nullptr;
        for (const char* name : {"printRange", "from", "to", "pagesRadioButton", "pagesLineEdit"}) {
            auto* widget = dialog.findChild<QWidget*>(QString::fromLatin1(name));
            if (widget && !widget->isHidden() && widget->isEnabled())
                offered << name;
        }
        // Nor a label left standing beside them, such as the "to" between the page numbers.
        if (auto* from = dialog.findChild<QWidget*>(QStringLiteral("from")))
            for (auto* label : from->parentWidget()->findChildren<QLabel*>())
                if (!label->isHidden() && (label->text().remove('&') == "to" || label->buddy() == from))
                    offered << label->objectName() + "=" + label->text();
        // The choices that stay are still there.
        for (const char* name : {"printAll", "printSelection"}) {
            auto* widget = dialog.findChild<QWidget*>(QString::fromLatin1(name));
            kept += widget && !widget->isHidden();
        }
        dialog.hide();
        return int(QDialog::Rejected);
    });
    CHistoryPrinter::PrintHistory(*doc, nullptr);
    ASSERT_TRUE(found);
    EXPECT_EQ(kept, 2);
    EXPECT_TRUE(offered.isEmpty()) << offered.join(' ').toStdString();
}

TEST_F(HistoryPrinter, ProgressCountsThePagesAndCancelStopsTheJob)
{
    QPrinter printer(QPrinter::HighResolution);
    ToPdf(printer, "count.pdf");
    const int pitch = CHistoryPrinter::Pitch(CHistoryPrinter::PrintFont(), &printer);
    auto places = CHistoryPrinter::PlaceLines(100000, pitch, printer.height());
    int perPage = 0;
    while (places[perPage].nPage == 0)
        ++perPage;
    auto doc = Doc(ManyLines(perPage * 4 + 1)); // five pages

    std::vector<std::pair<int, int>> calls;
    int pages =
        CHistoryPrinter::PrintHistoryTo(*doc, printer, false, CTime(1999, 6, 1, 0, 0, 0), [&](int page, int of) {
            calls.emplace_back(page, of);
            return true;
        });
    EXPECT_EQ(pages, 5);
    EXPECT_EQ(calls, (std::vector<std::pair<int, int>>{{0, 5}, {1, 5}, {2, 5}, {3, 5}, {4, 5}, {5, 5}}));
    EXPECT_EQ(PdfPageCount(ReadFile(m_dir.File("count.pdf"))), 5);

    // Stopped before the third page: no more pages are drawn and the job is abandoned.
    ToPdf(printer, "stopped.pdf");
    calls.clear();
    pages = CHistoryPrinter::PrintHistoryTo(*doc, printer, false, CTime(1999, 6, 1, 0, 0, 0), [&](int page, int of) {
        calls.emplace_back(page, of);
        return page < 2;
    });
    EXPECT_EQ(pages, -2);
    EXPECT_EQ(calls.size(), 3u);
    // A file printer cannot take a job back; the part drawn before the stop is not left behind.
    EXPECT_FALSE(FileExists(m_dir.File("stopped.pdf")));
}

TEST_F(HistoryPrinter, PrintingShowsAProgressDialogWhoseCancelStops)
{
    QPrinter probe(QPrinter::HighResolution);
    ToPdf(probe, "probe.pdf");
    const int pitch = CHistoryPrinter::Pitch(CHistoryPrinter::PrintFont(), &probe);
    auto places = CHistoryPrinter::PlaceLines(100000, pitch, probe.height());
    int perPage = 0;
    while (places[perPage].nPage == 0)
        ++perPage;
    auto doc = Doc(ManyLines(perPage * 12));
    // However fast the machine prints, the dialog shows from the first page on.
    CHistoryPrinter::SetProgressDelay(0);
    QWidget window;
    window.show();
    CHistoryPrinter::SetDialogRunner([&](QPrintDialog& dialog) {
        ToPdf(*dialog.printer(), "cancelled.pdf");
        return int(QDialog::Accepted);
    });
    // The window's events run while the pages are drawn: the user presses Cancel once the
    // progress shows.
    QString label;
    int ticks = 0;
    QTimer clicker;
    QObject::connect(&clicker, &QTimer::timeout, [&] {
        auto* progress = window.findChild<QProgressDialog*>(QStringLiteral("printProgress"));
        if (!progress || !progress->isVisible() || progress->value() < 2)
            return;
        ++ticks;
        label = progress->labelText();
        if (auto* cancel = progress->findChild<QAbstractButton*>())
            cancel->click();
        clicker.stop();
    });
    clicker.start(0);
    CHistoryPrinter::PrintHistory(*doc, &window);
    EXPECT_EQ(ticks, 1);
    EXPECT_TRUE(QRegularExpression("^Printing page [0-9]+ of 12\\.\\.\\.$").match(label).hasMatch())
        << label.toStdString();
    EXPECT_FALSE(FileExists(m_dir.File("cancelled.pdf")));
}

} // namespace
