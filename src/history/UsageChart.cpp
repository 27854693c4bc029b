#include "UsageChart.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QPen>
#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstring>

#include "ConnectionLog.h"
#include "LogDay.h"
#include "LogMonth.h"
#include "TextBytes.h"
#include "Time.h"
#include "TimeTexts.h"

namespace {

QString Tr(const char* text)
{
    return QCoreApplication::translate("CUsageChart", text);
}

// As the tree names its months: in LC_TIME's language, except in English and the C locale,
// where the built-in names keep the labels as they always were.
bool MonthNamesFromLocale()
{
    const char* name = std::setlocale(LC_TIME, nullptr);
    if (!name || !std::strcmp(name, "C") || !std::strcmp(name, "POSIX") || !std::strncmp(name, "C.", 2))
        return false;
    return std::strncmp(name, "en_", 3) != 0 && std::strcmp(name, "en") != 0;
}

QString MonthName(int month)
{
    return QStringFromBytes(MonthNamesFromLocale() ? CLogMonth::LocalMonthName(month)
                                                   : std::string(CLogMonth::MonthName(month)));
}

// Hours and minutes: the axis never needs the seconds.
QString AxisText(long long seconds)
{
    return QStringLiteral("%1:%2").arg(seconds / 3600).arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

CUsageChart::SColors CUsageChart::SColors::Paper()
{
    return {Qt::white, Qt::black, QColor(0xb0, 0xb0, 0xb0), QColor(0x2f, 0x5f, 0x8f), QColor(0xc0, 0x00, 0x00)};
}

int CUsageChart::DaysInMonth(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

double CUsageChart::AllowanceForBar(SAllowance allowance, Scale scale, int year, int month)
{
    const double seconds = static_cast<double>(allowance.nSeconds);
    const int days = DaysInMonth(year, month);
    if (allowance.nPeriod <= 0 || days == 0)
        return -1;
    if (scale == Scale::Days) {
        switch (allowance.nPeriod) {
        case 1:
            return seconds;
        case 2:
            return seconds / 7;
        case 3:
            return seconds / days;
        }
    } else {
        switch (allowance.nPeriod) {
        case 1:
            return seconds * days;
        case 2:
            return seconds * days / 7;
        case 3:
            return seconds;
        }
    }
    return -1;
}

long long CUsageChart::AxisStep(double maxSeconds, int maxLines)
{
    static const long long steps[] = {5 * 60,     10 * 60,    15 * 60,    30 * 60,    3600,       2 * 3600,  3 * 3600,
                                      4 * 3600,   6 * 3600,   8 * 3600,   12 * 3600,  24 * 3600,  48 * 3600, 72 * 3600,
                                      120 * 3600, 168 * 3600, 240 * 3600, 360 * 3600, 480 * 3600, 744 * 3600};
    maxLines = std::max(1, maxLines);
    for (long long step : steps)
        if (maxSeconds <= static_cast<double>(maxLines * step))
            return step;
    // Only a very short plot, or a year of day allowances, gets here.
    return static_cast<long long>(std::ceil(maxSeconds / maxLines / (744 * 3600))) * 744 * 3600;
}

CUsageChart CUsageChart::Build(const CConnectionLog& log, const std::string& filter, Scale scale, int year, int month,
                               SAllowance allowance)
{
    CUsageChart chart;
    chart.m_scale = scale;
    chart.m_nYear = year;
    chart.m_nMonth = month;
    if (scale == Scale::Days) {
        const CLogMonth* logMonth = log.FindMonth(year, month);
        const double perDay = AllowanceForBar(allowance, scale, year, month);
        for (int d = 1; d <= DaysInMonth(year, month); ++d) {
            const CLogDay* day = logMonth ? logMonth->FindDay(d) : nullptr;
            SBar bar{QString::number(d), day ? day->GetTotal(filter).GetTotalSeconds() : 0, perDay};
            chart.m_nTotal += bar.nSeconds;
            chart.m_bars.push_back(bar);
        }
        chart.m_strTotal = QStringLiteral("%1 %2").arg(MonthName(month)).arg(year);
    } else {
        for (int m = 1; m <= 12; ++m) {
            const CLogMonth* logMonth = log.FindMonth(year, m);
            // The abbreviated name of the C library's LC_TIME, as the days are named.
            SBar bar{QStringFromBytes(CTime(year, m, 1, 12, 0, 0).Format("%b")),
                     logMonth ? logMonth->GetTotal(filter).GetTotalSeconds() : 0,
                     AllowanceForBar(allowance, scale, year, m)};
            chart.m_nTotal += bar.nSeconds;
            chart.m_bars.push_back(bar);
        }
        chart.m_strTotal = QString::number(year);
    }
    chart.m_strTotal += QStringLiteral(" = ") + QStringFromBytes(FormatDuration(CTimeSpan(chart.m_nTotal)));
    if (allowance.nPeriod >= 1 && allowance.nPeriod <= 3) {
        static const char* const texts[] = {QT_TRANSLATE_NOOP("CUsageChart", "Allowance: %1 a day"),
                                            QT_TRANSLATE_NOOP("CUsageChart", "Allowance: %1 a week"),
                                            QT_TRANSLATE_NOOP("CUsageChart", "Allowance: %1 a month")};
        chart.m_strAllowance =
            Tr(texts[allowance.nPeriod - 1]).arg(QStringFromBytes(FormatDuration(CTimeSpan(allowance.nSeconds))));
    }
    return chart;
}

QStringList CUsageChart::SummaryLines() const
{
    QStringList lines{m_strTotal};
    if (!m_strAllowance.isEmpty())
        lines << m_strAllowance;
    // One line each: a painter draws a line break as nothing, which glued "... left" to "At
    // this pace" on paper and in the PNG.
    if (!m_strExtra.isEmpty())
        lines << m_strExtra.split(QLatin1Char('\n'));
    return lines;
}

QString CUsageChart::Description() const
{
    QStringList parts = SummaryLines();
    for (const SBar& bar : m_bars)
        if (bar.nSeconds > 0)
            parts << QStringLiteral("%1: %2").arg(bar.strLabel,
                                                  QStringFromBytes(FormatDuration(CTimeSpan(bar.nSeconds))));
    return parts.join(QStringLiteral("; "));
}

void CUsageChart::Paint(QPainter& painter, const QRectF& area, const QFont& font, const SColors& colors,
                        bool withSummary) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setFont(font);
    painter.fillRect(area, colors.background);
    // Every length follows the font's height on this device: the screen, a printer's page and
    // a PNG get the same proportions.
    const QFontMetricsF metrics(font, painter.device());
    const double line = metrics.height();
    const double thin = std::max(1.0, line / 16);
    const double pad = line / 3;
    QRectF rest = area.adjusted(pad, pad, -pad, -pad);

    painter.setPen(QPen(colors.text, thin));
    if (withSummary)
        for (const QString& text : SummaryLines()) {
            painter.drawText(QPointF(rest.left(), rest.top() + metrics.ascent()), text);
            rest.setTop(rest.top() + line);
        }

    // The legend, right-aligned on one line.
    const bool hasAllowance = !m_bars.empty() && m_bars.front().dAllowance >= 0;
    {
        const double swatch = line * 1.2;
        double x = rest.right();
        const double midY = rest.top() + line / 2;
        auto legendItem = [&](const QString& text) {
            x -= metrics.horizontalAdvance(text);
            painter.setPen(QPen(colors.text, thin));
            painter.drawText(QPointF(x, rest.top() + metrics.ascent()), text);
            x -= pad + swatch;
            return x;
        };
        if (hasAllowance) {
            const double left = legendItem(QCoreApplication::translate("CUsageChart", "Allowance"));
            painter.setPen(QPen(colors.allowance, 2 * thin));
            painter.drawLine(QPointF(left, midY), QPointF(left + swatch, midY));
            x -= 2 * pad;
        }
        const double left = legendItem(QCoreApplication::translate("CUsageChart", "Connection time"));
        painter.fillRect(QRectF(left, rest.top() + line * 0.2, swatch, line * 0.6), colors.bar);
        rest.setTop(rest.top() + line * 1.5);
    }

    double top = 0;
    for (const SBar& bar : m_bars)
        top = std::max({top, static_cast<double>(bar.nSeconds), bar.dAllowance});
    top = std::max(top, 1.0);
    // The plot: hour labels on the left, bar labels underneath; the hour lines at least a
    // line and a half apart.
    const double plotTop = rest.top() + line / 2;
    const double plotHeight = rest.bottom() - line * 1.3 - plotTop;
    const long long step = AxisStep(top, std::min(4, static_cast<int>(plotHeight / (line * 1.5))));
    const long long axisTop = static_cast<long long>(std::ceil(top / static_cast<double>(step))) * step;
    double labelWidth = 0;
    for (long long v = 0; v <= axisTop; v += step)
        labelWidth = std::max(labelWidth, metrics.horizontalAdvance(AxisText(v)));
    const QRectF plot(rest.left() + labelWidth + pad, plotTop, rest.width() - labelWidth - pad, plotHeight);
    if (plot.width() <= 0 || plot.height() <= 0 || m_bars.empty()) {
        painter.restore();
        return;
    }
    auto yOf = [&](double seconds) { return plot.bottom() - plot.height() * seconds / static_cast<double>(axisTop); };

    for (long long v = 0; v <= axisTop; v += step) {
        const double y = yOf(static_cast<double>(v));
        painter.setPen(QPen(v == 0 ? colors.text : colors.grid, thin));
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        const QString text = AxisText(v);
        painter.setPen(colors.text);
        painter.drawText(QPointF(plot.left() - pad - metrics.horizontalAdvance(text), y + metrics.ascent() / 2 - thin),
                         text);
    }

    const double slot = plot.width() / static_cast<double>(m_bars.size());
    double widest = 0;
    for (const SBar& bar : m_bars)
        widest = std::max(widest, metrics.horizontalAdvance(bar.strLabel));
    // Every label when they fit, else every second, fifth...: days 1, 5, 10 stay readable.
    int every = 1;
    for (int candidate : {1, 2, 5, 7, 10})
        if ((every = candidate) * slot >= widest + pad)
            break;
    for (std::size_t i = 0; i < m_bars.size(); ++i) {
        const SBar& bar = m_bars[i];
        const double left = plot.left() + slot * static_cast<double>(i);
        if (bar.nSeconds > 0) {
            const double y = yOf(static_cast<double>(bar.nSeconds));
            painter.fillRect(QRectF(left + slot * 0.15, y, slot * 0.7, plot.bottom() - y), colors.bar);
        }
        const int number = static_cast<int>(i) + 1;
        if (number % every == 0 || (every >= 5 && number == 1)) {
            painter.setPen(colors.text);
            painter.drawText(QPointF(left + (slot - metrics.horizontalAdvance(bar.strLabel)) / 2,
                                     plot.bottom() + pad / 2 + metrics.ascent()),
                             bar.strLabel);
        }
    }

    if (hasAllowance) {
        // A step line: each bar's own share, joined at the slot edges.
        QPolygonF steps;
        for (std::size_t i = 0; i < m_bars.size(); ++i) {
            const double y = yOf(m_bars[i].dAllowance);
            steps << QPointF(plot.left() + slot * static_cast<double>(i), y)
                  << QPointF(plot.left() + slot * static_cast<double>(i + 1), y);
        }
        painter.setPen(QPen(colors.allowance, 2 * thin));
        painter.drawPolyline(steps);
    }
    painter.restore();
}
