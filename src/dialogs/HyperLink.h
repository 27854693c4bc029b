#pragma once

#include <array>

#include <QCursor>
#include <QFont>
#include <QLabel>

class QUrl;

// A static text that acts as a link: the dialog places the label where its template says, and
// the label's own text is both what is shown and what is opened on a left click ("https://..."
// or "mailto:..."). It draws itself underlined, in blue on a light window and in the theme's
// link colour on a dark one, on whatever lies behind it. Tab reaches it and Enter or Space
// opens it, and screen readers are told it is a link they can press.
class CHyperLink : public QLabel
{
    Q_OBJECT

public:
    explicit CHyperLink(const QString& text, QWidget* parent = nullptr);

    // One pixel of the hand cursor as the desktop shows it.
    enum class EPixel
    {
        Transparent,
        Black,
        White,
        Inverted, // the screen below, inverted
    };
    using CursorPixels = std::array<std::array<EPixel, 32>, 32>; // [row][column]

    static constexpr int CursorSize = 32;
    static constexpr int HotSpotX = 10; // the tip of the index finger
    static constexpr int HotSpotY = 2;

    // The hand, decoded from the program's AND and XOR masks.
    static CursorPixels DecodeCursor();
    static QCursor HandCursor();

    // The control's font with underline added: what the text is drawn in.
    QFont LinkFont() const;
    // Hands the text to the desktop, as a click does.
    void OpenLink();
    // What the text is drawn in: pure blue on a light window, the theme's link colour on a
    // dark one, either made readable against the window.
    QColor TextColor() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};
