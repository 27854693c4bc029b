#pragma once

#include <QRect>

class QFont;
class QWidget;

// Converts dialog-template units to pixels. A horizontal unit is a quarter of the dialog
// font's average character width, a vertical unit an eighth of its height, so a dialog laid
// out in these units keeps its proportions with any font and screen.
class CDialogUnits
{
public:
    explicit CDialogUnits(const QFont& font);
    explicit CDialogUnits(const QWidget* widget); // the widget's own font

    int X(int units) const { return (units * m_nBaseX + 2) / 4; }
    int Y(int units) const { return (units * m_nBaseY + 4) / 8; }
    QRect Rect(int x, int y, int width, int height) const { return QRect(X(x), Y(y), X(width), Y(height)); }

    int BaseX() const { return m_nBaseX; }
    int BaseY() const { return m_nBaseY; }

private:
    int m_nBaseX;
    int m_nBaseY;
};
