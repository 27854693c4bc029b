#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <map>

#include "AboutDlg.h"
#include "Connection.h"
#include "ConnectionDlg.h"
#include "HyperLink.h"
#include "TestSupport.h"
#include "ThemeColors.h"

namespace {

// A dark theme as desktops commonly give it, links in a mid blue.
QPalette DarkPalette()
{
    QPalette palette;
    const QColor window(53, 53, 53), text(Qt::white);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, QColor(35, 35, 35));
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, window);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::Link, QColor(42, 130, 218));
    return palette;
}

QPalette LightPalette()
{
    QPalette palette(QColor(239, 239, 239)); // Qt's own light button and window grey
    palette.setColor(QPalette::Link, QColor(0, 0, 255));
    return palette;
}

struct SInk
{
    QColor background; // the commonest colour of the area
    QColor text;       // the colour that stands out most from it
};

// The colours as painted in area of the window: antialiased edges lie between background and
// text, so the one furthest from the background is the text's own colour.
SInk InkIn(QWidget* window, const QRect& area)
{
    const QImage image = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
    std::map<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            ++counts[image.pixel(x, y)];
    }
    SInk ink;
    int most = 0;
    for (const auto& [rgb, count] : counts) {
        if (count > most) {
            most = count;
            ink.background = QColor(rgb);
        }
    }
    double best = 0;
    for (const auto& [rgb, count] : counts) {
        const double contrast = CThemeColors::Contrast(QColor(rgb), ink.background);
        if (contrast > best) {
            best = contrast;
            ink.text = QColor(rgb);
        }
    }
    return ink;
}

QRect AreaOf(QWidget* window, QWidget* control)
{
    return QRect(control->mapTo(window, QPoint(0, 0)), control->size());
}

} // namespace

TEST(ThemeColors, ContrastFollowsWcag)
{
    EXPECT_NEAR(CThemeColors::Contrast(Qt::white, Qt::black), 21.0, 1e-9);
    EXPECT_NEAR(CThemeColors::Contrast(Qt::black, Qt::white), 21.0, 1e-9);
    EXPECT_NEAR(CThemeColors::Contrast(QColor(0, 0, 255), Qt::white), 8.59, 0.01);
    // The grey that just misses on white, and the one that just passes (the sRGB curve matters).
    EXPECT_NEAR(CThemeColors::Contrast(QColor(0x77, 0x77, 0x77), Qt::white), 4.48, 0.01);
    EXPECT_NEAR(CThemeColors::Contrast(QColor(0x76, 0x76, 0x76), Qt::white), 4.54, 0.01);
    EXPECT_TRUE(CThemeColors::IsDark(DarkPalette()));
    EXPECT_FALSE(CThemeColors::IsDark(LightPalette()));
}

TEST(ThemeColors, ReadableKeepsAGoodColourAndMendsAPoorOne)
{
    const QColor grey(53, 53, 53), mid(128, 128, 128);
    EXPECT_EQ(CThemeColors::Readable(QColor(255, 255, 0), grey), QColor(255, 255, 0));
    for (const QColor& background : {grey, mid, QColor(239, 239, 239), QColor(Qt::black), QColor(Qt::white)}) {
        for (const QColor& wanted : {QColor(0, 0, 255), QColor(Qt::darkRed), QColor(255, 0, 0), QColor(42, 130, 218)}) {
            const QColor readable = CThemeColors::Readable(wanted, background);
            EXPECT_GE(CThemeColors::Contrast(readable, background), CThemeColors::kMinimumContrast)
                << wanted.name().toStdString() << " on " << background.name().toStdString();
        }
    }
    // Mended by lightening on a dark window, keeping its hue: blue stays blue.
    const QColor link = CThemeColors::Readable(QColor(42, 130, 218), grey);
    EXPECT_GT(link.lightness(), QColor(42, 130, 218).lightness());
    EXPECT_GT(link.blue(), link.red());
}

TEST(DarkTheme, AboutBoxLinksAreReadable)
{
    for (const bool dark : {false, true}) {
        SCOPED_TRACE(dark ? "dark" : "light");
        CAboutDlg about;
        about.setPalette(dark ? DarkPalette() : LightPalette());
        about.show();
        const QList<CHyperLink*> links = about.findChildren<CHyperLink*>();
        ASSERT_EQ(links.size(), 2);
        for (CHyperLink* link : links) {
            const SInk ink = InkIn(&about, AreaOf(&about, link));
            // The frame around the links may be filled a shade off the window colour.
            EXPECT_LT(CThemeColors::Contrast(ink.background, about.palette().color(QPalette::Window)), 1.1);
            EXPECT_GE(CThemeColors::Contrast(ink.text, ink.background), CThemeColors::kMinimumContrast)
                << ink.text.name().toStdString() << " on " << ink.background.name().toStdString();
            EXPECT_EQ(ink.text, link->TextColor());
            if (dark) {
                EXPECT_NE(ink.text, QColor(0, 0, 255));
                EXPECT_LT(CThemeColors::Contrast(QColor(0, 0, 255), ink.background), 2.0); // what it was
            } else {
                EXPECT_EQ(ink.text, QColor(0, 0, 255)); // as it has always been
            }
        }
    }
}

TEST(DarkTheme, EditorMessageIsReadableAndFollowsAThemeChange)
{
    CScopedTimeZone zone("Europe/Rome");
    CConnection record(CTime(1999, 5, 14, 10, 0, 0), CTime(1999, 5, 14, 11, 30, 15), "Office");
    CConnectionDlg editor(record, {"Office"});
    editor.setPalette(LightPalette());
    editor.show();
    // An emptied field is refused with a message under the fields.
    editor.findChild<QLineEdit*>(QStringLiteral("edit%1").arg(CConnectionDlg::IDC_START_DAY))->setText(QString());
    auto* message = editor.findChild<QLabel*>(QStringLiteral("message"));
    ASSERT_FALSE(message->text().isEmpty());

    const SInk light = InkIn(&editor, AreaOf(&editor, message));
    EXPECT_EQ(light.text, QColor(Qt::darkRed));
    EXPECT_GE(CThemeColors::Contrast(light.text, light.background), CThemeColors::kMinimumContrast);

    // The desktop switches to a dark theme while the editor is open.
    editor.setPalette(DarkPalette());
    const SInk dark = InkIn(&editor, AreaOf(&editor, message));
    EXPECT_EQ(dark.background, QColor(53, 53, 53));
    EXPECT_LT(CThemeColors::Contrast(QColor(Qt::darkRed), dark.background), 2.0); // what it was
    EXPECT_GE(CThemeColors::Contrast(dark.text, dark.background), CThemeColors::kMinimumContrast)
        << dark.text.name().toStdString();
    // Still a red: more red in it than anything else.
    EXPECT_GT(dark.text.red(), dark.text.green() + 60);
    EXPECT_EQ(dark.text.green(), dark.text.blue());
}
