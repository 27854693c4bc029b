#include "DialogUnits.h"

#include <QFont>
#include <QFontMetrics>
#include <QWidget>

CDialogUnits::CDialogUnits(const QFont& font)
{
    QFontMetrics metrics(font);
    // The average over the 52 letters, as dialog templates were designed against.
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    m_nBaseX = (metrics.horizontalAdvance(letters) / 26 + 1) / 2;
    m_nBaseY = metrics.height();
    if (m_nBaseX < 1)
        m_nBaseX = 1;
    if (m_nBaseY < 1)
        m_nBaseY = 1;
}

CDialogUnits::CDialogUnits(const QWidget* widget) : CDialogUnits(widget->font()) {}
