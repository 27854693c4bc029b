#include "HyperLink.h"

#include "DesktopServices.h"
#include "ThemeColors.h"

#include <cstdint>

#include <QAccessibleWidget>
#include <QBitmap>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QUrl>

namespace {

// The hand as the program stores it: per row an AND mask and an XOR mask, the most significant
// bit being the leftmost pixel. AND 1 with XOR 0 leaves the screen as it is.
struct SCursorRow
{
    std::uint32_t andMask;
    std::uint32_t xorMask;
};

constexpr SCursorRow kEmptyRow = {0xFFFFFFFF, 0x00000000};
constexpr SCursorRow kFingerRow = {0xFF0FFFFF, 0x00600000};

constexpr SCursorRow kHandRows[CHyperLink::CursorSize] = {
    kEmptyRow,
    {0xFF9FFFFF, 0x00000000},
    kFingerRow,
    kFingerRow,
    kFingerRow,
    kFingerRow,
    kFingerRow,
    {0xFF03FFFF, 0x00600000},
    {0xFF007FFF, 0x006C0000},
    {0xFF000FFF, 0x006D8000},
    {0xFF0007FF, 0x006DB000},
    {0xE30007FF, 0x006DB000},
    {0xE10007FF, 0x0C6DB000},
    {0xF00007FF, 0x067FB000},
    {0xF80007FF, 0x037FF000},
    {0xF80007FF, 0x037FF000},
    {0xFC0007FF, 0x01FFF000},
    {0xFC0007FF, 0x00FFF000},
    {0xFE0007FF, 0x00FFE000},
    {0xFE000FFF, 0x007FE000},
    {0xFF000FFF, 0x007FC000},
    {0xFF001FFF, 0x003FC000},
    {0xFF801FFF, 0x003FC000},
    {0xFF801FFF, 0x00000000},
    kEmptyRow,
    kEmptyRow,
    kEmptyRow,
    kEmptyRow,
    kEmptyRow,
    kEmptyRow,
    kEmptyRow,
    kEmptyRow,
};

// What screen readers are told: a link, named by its text, that can be pressed.
class CAccessibleLink : public QAccessibleWidget
{
public:
    explicit CAccessibleLink(CHyperLink* link) : QAccessibleWidget(link, QAccessible::Link) {}

    QString text(QAccessible::Text type) const override
    {
        if (type == QAccessible::Name && widget()->accessibleName().isEmpty())
            return static_cast<CHyperLink*>(widget())->text();
        return QAccessibleWidget::text(type);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.linked = true;
        return state;
    }

    QStringList actionNames() const override { return QStringList(pressAction()) + QAccessibleWidget::actionNames(); }

    void doAction(const QString& action) override
    {
        if (action == pressAction())
            static_cast<CHyperLink*>(widget())->OpenLink();
        else
            QAccessibleWidget::doAction(action);
    }
};

QAccessibleInterface* LinkFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("CHyperLink") && object && object->isWidgetType())
        return new CAccessibleLink(static_cast<CHyperLink*>(object));
    return nullptr;
}

// In place before the first link exists: an interface made without it would be cached for good.
[[maybe_unused]] const bool kLinkFactoryInstalled = [] {
    QAccessible::installFactory(LinkFactory);
    return true;
}();

} // namespace

CHyperLink::CHyperLink(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    setTextFormat(Qt::PlainText);
    // Whatever is behind the control shows through around the letters.
    setAutoFillBackground(false);
    setCursor(HandCursor());
    setFocusPolicy(Qt::StrongFocus);
}

CHyperLink::CursorPixels CHyperLink::DecodeCursor()
{
    CursorPixels pixels{};
    for (int y = 0; y < CursorSize; ++y) {
        for (int x = 0; x < CursorSize; ++x) {
            const std::uint32_t bit = 0x80000000u >> x;
            const bool andBit = (kHandRows[y].andMask & bit) != 0;
            const bool xorBit = (kHandRows[y].xorMask & bit) != 0;
            if (andBit)
                pixels[y][x] = xorBit ? EPixel::Inverted : EPixel::Transparent;
            else
                pixels[y][x] = xorBit ? EPixel::White : EPixel::Black;
        }
    }
    return pixels;
}

QCursor CHyperLink::HandCursor()
{
    // Qt's convention: bitmap 1 is black, mask 1 is opaque; bitmap 1 on mask 0 inverts.
    constexpr int bytesPerRow = CursorSize / 8;
    uchar bitmapBits[CursorSize * bytesPerRow];
    uchar maskBits[CursorSize * bytesPerRow];
    for (int y = 0; y < CursorSize; ++y) {
        const std::uint32_t bitmapRow = ~(kHandRows[y].andMask ^ kHandRows[y].xorMask);
        const std::uint32_t maskRow = ~kHandRows[y].andMask;
        for (int i = 0; i < bytesPerRow; ++i) {
            const int shift = 8 * (bytesPerRow - 1 - i);
            bitmapBits[y * bytesPerRow + i] = static_cast<uchar>(bitmapRow >> shift);
            maskBits[y * bytesPerRow + i] = static_cast<uchar>(maskRow >> shift);
        }
    }
    const QSize size(CursorSize, CursorSize);
    return QCursor(QBitmap::fromData(size, bitmapBits, QImage::Format_Mono),
                   QBitmap::fromData(size, maskBits, QImage::Format_Mono), HotSpotX, HotSpotY);
}

QFont CHyperLink::LinkFont() const
{
    QFont linkFont = font();
    linkFont.setUnderline(true);
    return linkFont;
}

QColor CHyperLink::TextColor() const
{
    return CThemeColors::Link(palette());
}

void CHyperLink::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.setFont(LinkFont());
    painter.setPen(TextColor());
    QRect drawn;
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text(), &drawn);
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = drawn.adjusted(0, 0, 1, 1) & rect();
        option.backgroundColor = palette().color(QPalette::Window);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void CHyperLink::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
            event->accept();
            OpenLink();
            return;
        }
        break;
    default:
        break;
    }
    QLabel::keyPressEvent(event);
}

void CHyperLink::mousePressEvent(QMouseEvent* event)
{
    // Taking the press makes the release come here too.
    if (event->button() == Qt::LeftButton)
        event->accept();
    else
        QLabel::mousePressEvent(event);
}

void CHyperLink::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint())) {
        QLabel::mouseReleaseEvent(event);
        return;
    }
    event->accept();
    OpenLink();
}

void CHyperLink::OpenLink()
{
    // The text is passed whole, so "mailto:" and the like reach their handlers. A link the
    // desktop cannot open is silently left alone.
    CDesktopServices::OpenUrl(QUrl(text()));
}
