#pragma once

#include <QColor>

class QPalette;

// Text colours that stay readable on the desktop's theme. A colour the program has always
// used stays as it is wherever it is readable (the blue links and the dark red message on a
// light window); on a dark window, or wherever the contrast falls short, the colour comes from
// the palette and is lightened or darkened until it is.
class CThemeColors
{
public:
    // The least contrast ratio for normal text (WCAG 2, level AA).
    static constexpr double kMinimumContrast = 4.5;

    // WCAG 2 relative luminance of an sRGB colour, 0 (black) to 1 (white).
    static double Luminance(const QColor& colour);
    // WCAG 2 contrast ratio of two colours, 1 to 21, whichever is the lighter.
    static double Contrast(const QColor& a, const QColor& b);

    // The window colour is dark: light text stands out on it better than dark text.
    static bool IsDark(const QPalette& palette);

    // wanted, or the nearest mix of it with white (on a dark background) or black (on a light
    // one) that reaches the minimum contrast against background.
    static QColor Readable(const QColor& wanted, const QColor& background, double minimum = kMinimumContrast);

    // A link's text on the palette's window.
    static QColor Link(const QPalette& palette);
    // An error message on the palette's window.
    static QColor Error(const QPalette& palette);
};
