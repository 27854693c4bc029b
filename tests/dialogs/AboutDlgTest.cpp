#include "AboutDlg.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "DialogUnits.h"
#include "HyperLink.h"

namespace {

// Puts the application's font and icon back after each test.
class CAboutDlgTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        QApplication::setFont(m_font);
        QApplication::setWindowIcon(m_icon);
    }

    QFont m_font = QApplication::font();
    QIcon m_icon = QApplication::windowIcon();
};

} // namespace

TEST_F(CAboutDlgTest, LaidOutInDialogUnits)
{
    for (int pointSize : {9, 14}) {
        SCOPED_TRACE(pointSize);
        QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), pointSize));
        CAboutDlg dialog;
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("About Zelmorin"));
        const CDialogUnits units(QApplication::font());
        EXPECT_EQ(dialog.size(), QSize(units.X(217), units.Y(114)));
        EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());

        // Every text is whole, inside the box and clear of the others.
        const QList<QLabel*> labels = dialog.findChildren<QLabel*>();
        QStringList texts;
        for (const QLabel* label : labels) {
            texts << label->text();
            EXPECT_TRUE(dialog.rect().contains(label->geometry())) << label->text().toStdString();
            EXPECT_GE(label->width(), QFontMetrics(label->font()).horizontalAdvance(label->text()));
            EXPECT_GE(label->height(), QFontMetrics(label->font()).height());
            for (const QLabel* other : labels) {
                if (other != label) {
                    EXPECT_FALSE(label->geometry().intersects(other->geometry())) << label->text().toStdString();
                }
            }
        }
        EXPECT_TRUE(texts.contains(QStringLiteral("Zelmorin Version 1.11")));
        EXPECT_TRUE(texts.contains(QStringLiteral("Visit our home page at:")));
        EXPECT_TRUE(texts.contains(QStringLiteral("Send E-mail to:")));
    }
}

TEST_F(CAboutDlgTest, Links)
{
    CAboutDlg dialog;
    const auto* homePage = dialog.findChild<CHyperLink*>(QStringLiteral("link1078"));
    const auto* email = dialog.findChild<CHyperLink*>(QStringLiteral("link1079"));
    ASSERT_NE(homePage, nullptr);
    ASSERT_NE(email, nullptr);
    EXPECT_EQ(homePage->text(), QStringLiteral("https://www.quillmoor.example/zelmorin"));
    EXPECT_EQ(email->text(), QStringLiteral("mailto:zelmorin@quillmoor.example"));
}

TEST_F(CAboutDlgTest, CloseIsTheDefaultAndAccepts)
{
    for (bool byKey : {false, true}) {
        CAboutDlg dialog;
        auto* close = dialog.findChild<QPushButton*>(QStringLiteral("closeButton"));
        ASSERT_NE(close, nullptr);
        EXPECT_EQ(close->text(), QStringLiteral("Close"));
        EXPECT_TRUE(close->isDefault());
        EXPECT_TRUE(dialog.rect().contains(close->geometry()));
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        if (byKey)
            QTest::keyClick(&dialog, Qt::Key_Return);
        else
            QTest::mouseClick(close, Qt::LeftButton);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
}

TEST_F(CAboutDlgTest, IconFallsBackToTheWindowIcon)
{
    // The test binary carries no icon resource, so the window icon is all there is.
    QApplication::setWindowIcon(QIcon());
    {
        CAboutDlg bare;
        for (const QLabel* label : bare.findChildren<QLabel*>())
            EXPECT_TRUE(label->pixmap().isNull());
    }

    QPixmap red(64, 64);
    red.fill(Qt::red);
    QApplication::setWindowIcon(QIcon(red));
    CAboutDlg dialog;
    int pictures = 0;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        if (label->pixmap().isNull())
            continue;
        ++pictures;
        EXPECT_EQ(label->pixmap().toImage().pixelColor(5, 5), QColor(Qt::red));
        EXPECT_LT(label->x(), dialog.width() / 4);
        EXPECT_LT(label->y(), dialog.height() / 4);
    }
    EXPECT_EQ(pictures, 1);
}
