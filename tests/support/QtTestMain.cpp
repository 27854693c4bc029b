// The main of the GUI tests: a QApplication on the platform the environment names
// (offscreen in CTest).
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // Listing the tests at build time happens without a display too.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quillmoor"));
    QApplication::setApplicationName(QStringLiteral("Zelmorin"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
