#include "ThemeColors.h"

#include <cmath>

#include <QPalette>

namespace {

double Linear(double channel)
{
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

QColor Mix(const QColor& from, const QColor& to, double amount)
{
    auto channel = [amount](int a, int b) { return static_cast<int>(std::lround(a + (b - a) * amount)); };
    return QColor(channel(from.red(), to.red()), channel(from.green(), to.green()), channel(from.blue(), to.blue()));
}

} // namespace

double CThemeColors::Luminance(const QColor& colour)
{
    const QColor rgb = colour.toRgb();
    return 0.2126 * Linear(rgb.redF()) + 0.7152 * Linear(rgb.greenF()) + 0.0722 * Linear(rgb.blueF());
}

double CThemeColors::Contrast(const QColor& a, const QColor& b)
{
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

bool CThemeColors::IsDark(const QPalette& palette)
{
    const QColor window = palette.color(QPalette::Window);
    return Contrast(window, Qt::white) > Contrast(window, Qt::black);
}

QColor CThemeColors::Readable(const QColor& wanted, const QColor& background, double minimum)
{
    const QColor rgb = wanted.toRgb();
    if (Contrast(rgb, background) >= minimum)
        return rgb;
    // Whichever of white and black stands out more reaches at least 4.58:1 on any background.
    const QColor target =
        Contrast(Qt::white, background) > Contrast(Qt::black, background) ? QColor(Qt::white) : QColor(Qt::black);
    for (int step = 1; step < 50; ++step) {
        const QColor mixed = Mix(rgb, target, step / 50.0);
        if (Contrast(mixed, background) >= minimum)
            return mixed;
    }
    return target;
}

QColor CThemeColors::Link(const QPalette& palette)
{
    const QColor window = palette.color(QPalette::Window);
    const QColor wanted = IsDark(palette) ? palette.color(QPalette::Link) : QColor(0, 0, 255);
    return Readable(wanted, window);
}

QColor CThemeColors::Error(const QPalette& palette)
{
    const QColor window = palette.color(QPalette::Window);
    const QColor wanted = IsDark(palette) ? QColor(255, 0, 0) : QColor(Qt::darkRed);
    return Readable(wanted, window);
}
