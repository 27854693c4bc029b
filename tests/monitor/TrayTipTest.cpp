#include <gtest/gtest.h>

#include "TrayTip.h"

namespace {

TEST(TrayTip, CutsAfter63CharactersNeverInsideOne)
{
    EXPECT_EQ(CutCharacters(std::string(70, 'x'), kTrayTipChars), std::string(63, 'x'));
    EXPECT_EQ(CutCharacters(std::string(63, 'x'), kTrayTipChars), std::string(63, 'x'));
    EXPECT_EQ(CutCharacters("", kTrayTipChars), "");
    // UTF-8: characters are counted, not bytes; the 63rd character "é" stays whole.
    const std::string accented = std::string(62, 'a') + "\xC3\xA9" + "bc";
    EXPECT_EQ(CutCharacters(accented, kTrayTipChars), std::string(62, 'a') + "\xC3\xA9");
    const std::string greek = "\xCE\xB1\xCE\xB2\xCE\xB3"; // three two-byte letters
    EXPECT_EQ(CutCharacters(greek, 2), "\xCE\xB1\xCE\xB2");
    // Not UTF-8: shown one character a byte, so cut one a byte.
    const std::string latin1 = "Caf\xE9" + std::string(70, 'x');
    EXPECT_EQ(CutCharacters(latin1, kTrayTipChars), latin1.substr(0, 63));
}

TEST(TrayTip, RunningTipShortensTheNameNotTheTime)
{
    EXPECT_EQ(RunningTip("Office", " 01:02:03"), "Office 01:02:03");
    const std::string fits(54, 'n'); // 54 + 9 = 63
    EXPECT_EQ(RunningTip(fits, " 01:02:03"), fits + " 01:02:03");
    const std::string tip = RunningTip(fits + "n", " 125:02:03");
    EXPECT_EQ(tip, std::string(50, 'n') + "... 125:02:03");
    EXPECT_EQ(tip.size(), 63u);
    // Characters of several bytes count once each, and are never split.
    std::string name;
    for (int i = 0; i < 60; ++i)
        name += "\xC3\xA9";
    EXPECT_EQ(RunningTip(name, " 00:00:01"), name.substr(0, 51 * 2) + "... 00:00:01");
}

} // namespace
