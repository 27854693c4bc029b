#pragma once

#include <QColor>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

class CConnectionLog;
class QFont;
class QPainter;

// The History's picture of use: one bar per day of a month or per month of a year, with the
// totals the tree shows under the same entry filter, and the time allowance spread over each
// bar's length. The same drawing serves the window, the printer and a PNG file.
class CUsageChart
{
public:
    enum class Scale
    {
        Days,  // the days of one month
        Months // the months of one year
    };

    // The allowance as its settings give it; a period of 0 means it is off.
    struct SAllowance
    {
        int nPeriod = 0; // 1 day, 2 week, 3 month
        long long nSeconds = 0;
    };

    struct SBar
    {
        QString strLabel;
        long long nSeconds = 0;
        double dAllowance = -1; // seconds; negative without an allowance
    };

    struct SColors
    {
        QColor background, text, grid, bar, allowance;
        // Black on white, for paper.
        static SColors Paper();
    };

    // The chart of the month (Days) or of the year (Months) under the filter.
    static CUsageChart Build(const CConnectionLog& log, const std::string& filter, Scale scale, int year, int month,
                             SAllowance allowance);

    // The allowance spread evenly over one bar: the bar of a day (Days) or of a month (Months)
    // in the given month. Seconds; negative when the allowance is off.
    static double AllowanceForBar(SAllowance allowance, Scale scale, int year, int month);
    static int DaysInMonth(int year, int month);
    // Step between the hour lines of the axis, in seconds, for values up to maxSeconds: at most
    // maxLines lines above zero, on whole hours from an hour up.
    static long long AxisStep(double maxSeconds, int maxLines = 4);

    // The period and its total ("May 1999 = 02:32:03"), the allowance when on, the extra line.
    QStringList SummaryLines() const;
    // For a screen reader: the summary and every bar that has a value.
    QString Description() const;

    // Paints into area with the summary lines above the bars when withSummary.
    void Paint(QPainter& painter, const QRectF& area, const QFont& font, const SColors& colors, bool withSummary) const;

    Scale m_scale = Scale::Days;
    int m_nYear = 0;
    int m_nMonth = 0;
    std::vector<SBar> m_bars;
    long long m_nTotal = 0;
    QString m_strTotal;     // the period and its total
    QString m_strAllowance; // empty when the allowance is off
    QString m_strExtra;     // set by the window, e.g. the pace
};
