// The compiled-in pictures and help pages: present when the library is linked, the pictures
// of the right size and readable, the help's links all leading somewhere.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QUrl>

namespace {

struct SInk
{
    double light = 0;    // sum of luma times opacity: how bright the picture looks
    double coverage = 0; // sum of opacity
    double centre = 0;   // opacity of the middle 6x6 pixels, 0 to 1
    bool hasDark = false;
    bool hasLight = false;
};

SInk Measure(const QImage& image)
{
    SInk ink;
    const QImage img = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            const double a = c.alphaF();
            const double luma = 0.299 * c.redF() + 0.587 * c.greenF() + 0.114 * c.blueF();
            ink.light += luma * a;
            ink.coverage += a;
            if (x >= 5 && x <= 10 && y >= 5 && y <= 10)
                ink.centre += a / 36.0;
            if (a > 0.8 && luma < 0.3)
                ink.hasDark = true;
            if (a > 0.8 && luma > 0.55)
                ink.hasLight = true;
        }
    return ink;
}

QString ReadText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

} // namespace

class CResourcesTest : public QObject
{
    Q_OBJECT

private slots:
    void PicturesArePresentAtTheirSizes_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("size");
        QTest::newRow("128-16") << ":/icons/128-16.png" << 16;
        QTest::newRow("128-32") << ":/icons/128-32.png" << 32;
        QTest::newRow("128-48") << ":/icons/128-48.png" << 48;
        QTest::newRow("128-64") << ":/icons/128-64.png" << 64;
        QTest::newRow("133") << ":/icons/133.png" << 16;
        QTest::newRow("134") << ":/icons/134.png" << 16;
        QTest::newRow("133-32") << ":/icons/133-32.png" << 32;
        QTest::newRow("134-32") << ":/icons/134-32.png" << 32;
    }

    void PicturesArePresentAtTheirSizes()
    {
        QFETCH(QString, path);
        QFETCH(int, size);
        QVERIFY2(QFile(path).exists(), qPrintable(path));
        QImage image(path);
        QVERIFY2(!image.isNull(), qPrintable(path + " does not load"));
        QCOMPARE(image.size(), QSize(size, size));
        QVERIFY(image.hasAlphaChannel());
        // Transparent around the drawing, so the panel shows through.
        QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
        QCOMPARE(image.pixelColor(size - 1, size - 1).alpha(), 0);
        QCOMPARE(image.pixelColor(0, size - 1).alpha(), 0);
    }

    // Idle and connected must be told apart without colour: connected is filled and bright,
    // idle hollow and dimmer. Each has a dark edge for light panels and light paint for dark.
    void TrayPicturesDifferInShapeAndBrightness()
    {
        const SInk idle = Measure(QImage(":/icons/133.png"));
        const SInk connected = Measure(QImage(":/icons/134.png"));
        QVERIFY2(connected.light > 1.5 * idle.light,
                 qPrintable(QString("light %1 vs %2").arg(connected.light).arg(idle.light)));
        QVERIFY2(connected.centre > 0.9, qPrintable(QString::number(connected.centre)));
        QVERIFY2(idle.centre < 0.5, qPrintable(QString::number(idle.centre)));
        QVERIFY(idle.hasDark && idle.hasLight);
        QVERIFY(connected.hasDark && connected.hasLight);
    }

    void HelpPagesArePresent()
    {
        for (const char* page : {"index.html", "windows.html", "history.html", "settings.html", "files.html",
                                 "connections.html", "report.html", "help.css"})
            QVERIFY2(QFile(QString(":/help/") + page).exists(), page);
        QVERIFY(ReadText(":/help/index.html").contains("<title>Zelmorin Help</title>"));
    }

    // Every link and picture of every page leads to a page, picture or anchor that exists, and
    // nothing is fetched from outside (the help must work off line).
    void HelpLinksLeadSomewhere()
    {
        const QRegularExpression ref(R"re((?:href|src)="([^"]*)")re");
        const QRegularExpression id(R"re(\sid="([^"]+)")re");
        const QStringList pages = QDir(":/help").entryList({"*.html"});
        QVERIFY(pages.size() >= 7);
        int checked = 0;
        for (const QString& page : pages) {
            const QUrl base("qrc:/help/" + page);
            auto matches = ref.globalMatch(ReadText(":/help/" + page));
            while (matches.hasNext()) {
                const QString target = matches.next().captured(1);
                const QString where = page + ": " + target;
                QVERIFY2(!target.isEmpty(), qPrintable(where));
                QVERIFY2(!target.contains("://") && !target.startsWith("//"), qPrintable(where + " is not local"));
                const QUrl url = base.resolved(QUrl(target));
                const QString file = ":" + url.path();
                QVERIFY2(QFile(file).exists(), qPrintable(where + " leads nowhere"));
                if (url.hasFragment()) {
                    QSet<QString> ids;
                    auto idMatches = id.globalMatch(ReadText(file));
                    while (idMatches.hasNext())
                        ids.insert(idMatches.next().captured(1));
                    QVERIFY2(ids.contains(url.fragment()), qPrintable(where + ": no such anchor"));
                }
                ++checked;
            }
        }
        QVERIFY(checked > 50);
    }
};

QTEST_GUILESS_MAIN(CResourcesTest)
#include "ResourcesTest.moc"
