#include "HyperLink.h"
#include "DesktopServices.h"

#include <memory>
#include <vector>

#include <QBitmap>
#include <QFontMetrics>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

using EPixel = CHyperLink::EPixel;

TEST(HyperLink, HandCursor)
{
    const CHyperLink::CursorPixels pixels = CHyperLink::DecodeCursor();
    for (int x = 0; x < 32; ++x)
        for (int y : {0, 24, 31})
            EXPECT_EQ(pixels[y][x], EPixel::Transparent) << x << "," << y;
    // The fingertip: a black cap above the hot spot, white inside, black sides.
    EXPECT_EQ(pixels[1][9], EPixel::Black);
    EXPECT_EQ(pixels[1][11], EPixel::Transparent);
    EXPECT_EQ(pixels[2][10], EPixel::White);
    EXPECT_EQ(pixels[2][8], EPixel::Black);
    EXPECT_EQ(pixels[2][7], EPixel::Transparent);
    EXPECT_EQ(pixels[12][4], EPixel::White);  // the thumb
    EXPECT_EQ(pixels[16][12], EPixel::White); // the palm

    // Qt's convention: a set bit reads back black; bitmap set where black, mask set where opaque.
    const QCursor cursor = CHyperLink::HandCursor();
    EXPECT_EQ(cursor.hotSpot(), QPoint(10, 2));
    const QImage bitmap = cursor.bitmap().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage mask = cursor.mask().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(bitmap.size(), QSize(32, 32));
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const EPixel pixel = pixels[y][x];
            EXPECT_EQ(qGray(mask.pixel(x, y)) < 128, pixel == EPixel::Black || pixel == EPixel::White) << x << "," << y;
            EXPECT_EQ(qGray(bitmap.pixel(x, y)) < 128, pixel == EPixel::Black || pixel == EPixel::Inverted)
                << x << "," << y;
        }
    }
    EXPECT_EQ(CHyperLink(QStringLiteral("x")).cursor().hotSpot(), QPoint(10, 2));
}

TEST(HyperLink, PaintsBlueUnderlinedTextTopLeftInItsOwnFont)
{
    const QString text = QStringLiteral("mailto:someone@example.org");
    const QRgb ground = qRgb(200, 200, 200);
    // Two sizes, so that text drawn in another font than the control's comes out the wrong width.
    for (int pointSize : {9, 16}) {
        SCOPED_TRACE(pointSize);
        CHyperLink link(text);
        link.setFont(QFont(QStringLiteral("DejaVu Serif"), pointSize, QFont::Bold));
        QFont used = link.LinkFont();
        EXPECT_TRUE(used.underline());
        used.setUnderline(false);
        EXPECT_EQ(used, link.font());

        const QFontMetrics metrics(link.LinkFont());
        const int textWidth = metrics.horizontalAdvance(text);
        link.resize(textWidth + 60, metrics.height() + 20);
        QImage image(link.size(), QImage::Format_RGB32);
        image.fill(ground);
        link.render(&image, QPoint(), QRegion(), QWidget::DrawChildren); // without a background

        QRect inked;
        int underlineRow = -1;
        for (int y = 0; y < image.height(); ++y) {
            int run = 0, longestRun = 0;
            for (int x = 0; x < image.width(); ++x) {
                const QRgb pixel = image.pixel(x, y);
                if (pixel != ground) {
                    // Blue, blended with the ground at the edges of the letters.
                    EXPECT_TRUE(qRed(pixel) == qGreen(pixel) && qBlue(pixel) >= qRed(pixel)) << x << "," << y;
                    inked |= QRect(x, y, 1, 1);
                }
                run = pixel == qRgb(0, 0, 255) ? run + 1 : 0;
                longestRun = qMax(longestRun, run);
            }
            if (longestRun >= textWidth * 9 / 10)
                underlineRow = y;
        }
        EXPECT_LE(inked.left(), 2);
        EXPECT_LE(inked.top(), metrics.ascent() / 2);
        EXPECT_NEAR(inked.right() + 1, textWidth, 3);
        EXPECT_LT(inked.bottom(), metrics.height());
        EXPECT_GT(underlineRow, metrics.ascent() - 2) << "no underline under the letters";
    }
}

TEST(HyperLink, LeftClickOpensTheWholeText)
{
    std::vector<QUrl> opened;
    CDesktopServices::SetOpener([&opened](const QUrl& url) {
        opened.push_back(url);
        return true;
    });
    // The desktop's opener comes back even when an assertion ends the test early.
    const std::unique_ptr<void, void (*)(void*)> restore(&opened, [](void*) { CDesktopServices::SetOpener(nullptr); });
    for (const QString& text : {QStringLiteral("mailto:zelmorin@quillmoor.example"),
                                QStringLiteral("https://www.quillmoor.example/zelmorin?from=about#top")}) {
        opened.clear();
        CHyperLink link(text);
        link.resize(300, 20);
        link.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&link));
        QTest::mouseClick(&link, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
        // Pressed on the link but let go elsewhere: no click.
        QTest::mousePress(&link, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        QTest::mouseRelease(&link, Qt::LeftButton, Qt::NoModifier, QPoint(350, 40));
        EXPECT_TRUE(opened.empty());
        QTest::mouseClick(&link, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        ASSERT_EQ(opened.size(), 1u);
        EXPECT_EQ(opened[0].toString(), text);
    }
}
