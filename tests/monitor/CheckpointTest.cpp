#include <gtest/gtest.h>

#include <sys/stat.h>

#include "Checkpoint.h"
#include "ConnectionLog.h"
#include "TestSupport.h"

namespace {

class Checkpoint : public ::testing::Test
{
protected:
    std::string Prefix() const { return m_dir.Path() + "/"; }
    CScopedTimeZone m_zone{"Europe/Rome"};
    CTempDir m_dir;
};

TEST_F(Checkpoint, LengthTakesOneThreeOrSevenBytes)
{
    CTime start(1999, 3, 5, 10, 0, 0), at(1999, 3, 5, 10, 41, 30);
    std::string office = CCheckpoint::Encode(start, at, "Office");
    ASSERT_EQ(office.size(), 15u);
    EXPECT_EQ(static_cast<unsigned char>(office[8]), 6);
    EXPECT_EQ(office.substr(9), "Office");
    // Little-endian 32-bit seconds.
    std::int64_t t = start.GetTime();
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(static_cast<unsigned char>(office[std::size_t(i)]), (t >> (8 * i)) & 0xFF);

    struct
    {
        std::size_t length;
        std::string head;
    } cases[] = {{254, std::string("\xFE", 1)},
                 {255, std::string("\xFF\xFF\x00", 3)},
                 {256, std::string("\xFF\x00\x01", 3)},
                 {0xFFFD, std::string("\xFF\xFD\xFF", 3)},
                 {0xFFFE, std::string("\xFF\xFF\xFF\xFE\xFF\x00\x00", 7)}};
    for (const auto& c : cases) {
        std::string name(c.length, 'n');
        std::string bytes = CCheckpoint::Encode(start, at, name);
        EXPECT_EQ(bytes.size(), 8 + c.head.size() + c.length) << c.length;
        EXPECT_EQ(bytes.substr(8, c.head.size()), c.head) << c.length;
        CTime s, a;
        std::string back;
        ASSERT_TRUE(CCheckpoint::Decode(bytes, s, a, back)) << c.length;
        EXPECT_EQ(back, name);
        EXPECT_EQ(s, start);
        EXPECT_EQ(a, at);
        // Any byte less is a torn file.
        EXPECT_FALSE(CCheckpoint::Decode(bytes.substr(0, bytes.size() - 1), s, a, back)) << c.length;
    }
}

TEST_F(Checkpoint, NameIsStoredAsOneLogLineHoldsIt)
{
    CTime start(1999, 3, 5, 10, 0, 0), at(1999, 3, 5, 10, 41, 30);
    CTime s, a;
    std::string back;
    ASSERT_TRUE(CCheckpoint::Decode(CCheckpoint::Encode(start, at, "Office\nwifi\r"), s, a, back));
    EXPECT_EQ(back, "Office wifi ");
    ASSERT_TRUE(CCheckpoint::Decode(CCheckpoint::Encode(start, at, "a\rb"), s, a, back));
    EXPECT_EQ(back, "a\rb"); // a carriage return inside a name splits nothing
}

TEST_F(Checkpoint, RecoveryAppendsTheLastCheckpointAndRemovesTheFile)
{
    CCheckpoint checkpoint(Prefix());
    ASSERT_TRUE(checkpoint.WriteCheckpoint(CTime(1999, 3, 5, 10, 0, 0), CTime(1999, 3, 5, 10, 41, 30), "Office"));
    EXPECT_EQ(checkpoint.GetPath(), Prefix() + "~$ZMCUR.$$$");
    CConnectionLog log(Prefix() + "Zelmorin.Log");
    EXPECT_EQ(checkpoint.RecoverCheckpoint(log), 1);
    EXPECT_EQ(ReadFile(Prefix() + "Zelmorin.Log"), "05/03/1999 10:00:00  05/03/1999 10:41:30  00:41:30  Office\r\n");
    EXPECT_FALSE(FileExists(checkpoint.GetPath()));

    // Nothing left: nothing appended, nothing removed.
    EXPECT_EQ(checkpoint.RecoverCheckpoint(log), 0);
    EXPECT_EQ(log.GetConnectionCount(), 1);
}

TEST_F(Checkpoint, TornOrInvalidFileIsSetAsideNotInvented)
{
    CCheckpoint checkpoint(Prefix());
    std::string whole = CCheckpoint::Encode(CTime(1999, 3, 5, 10, 0, 0), CTime(1999, 3, 5, 10, 41, 30), "Office");
    for (const std::string& bad : {whole.substr(0, 5), whole.substr(0, 12), std::string(), whole + "x"}) {
        WriteFile(checkpoint.GetPath(), bad);
        CConnectionLog log(Prefix() + "Zelmorin.Log");
        EXPECT_EQ(checkpoint.RecoverCheckpoint(log), 0);
        EXPECT_EQ(log.GetConnectionCount(), 0);
        EXPECT_FALSE(FileExists(checkpoint.GetPath()));
    }
    EXPECT_EQ(ReadFile(checkpoint.GetPath() + ".damaged"), whole.substr(0, 5));
    EXPECT_EQ(ReadFile(checkpoint.GetPath() + ".damaged-4"), whole + "x");
    EXPECT_FALSE(FileExists(Prefix() + "Zelmorin.Log"));
}

TEST_F(Checkpoint, StaysUntilItsRecordIsInTheLog)
{
    CCheckpoint checkpoint(Prefix());
    checkpoint.WriteCheckpoint(CTime(1999, 3, 5, 10, 0, 0), CTime(1999, 3, 5, 10, 41, 30), "Office");
    // A folder where the log should be: every append fails.
    mkdir((Prefix() + "Zelmorin.Log").c_str(), 0755);
    CConnectionLog log(Prefix() + "Zelmorin.Log");
    EXPECT_EQ(checkpoint.RecoverCheckpoint(log), 0);
    EXPECT_TRUE(FileExists(checkpoint.GetPath()));
    rmdir((Prefix() + "Zelmorin.Log").c_str());
    EXPECT_EQ(checkpoint.RecoverCheckpoint(log), 1);
    EXPECT_FALSE(FileExists(checkpoint.GetPath()));
}

TEST_F(Checkpoint, PendingConnectionsComeFirst)
{
    CCheckpoint checkpoint(Prefix());
    ASSERT_TRUE(checkpoint.WritePending({{CTime(1999, 3, 1, 8, 0, 0), CTime(1999, 3, 1, 9, 0, 0), "A"},
                                         {CTime(1999, 3, 2, 8, 0, 0), CTime(1999, 3, 2, 9, 0, 0), "B"}}));
    checkpoint.WriteCheckpoint(CTime(1999, 3, 5, 10, 0, 0), CTime(1999, 3, 5, 10, 0, 30), "C");
    CConnectionLog log(Prefix() + "Zelmorin.Log");
    EXPECT_EQ(checkpoint.RecoverCheckpoint(log), 3);
    EXPECT_EQ(ReadFile(Prefix() + "Zelmorin.Log"), "01/03/1999 08:00:00  01/03/1999 09:00:00  01:00:00  A\r\n"
                                                   "02/03/1999 08:00:00  02/03/1999 09:00:00  01:00:00  B\r\n"
                                                   "05/03/1999 10:00:00  05/03/1999 10:00:30  00:00:30  C\r\n");
    EXPECT_FALSE(FileExists(checkpoint.GetPendingPath()));
    EXPECT_TRUE(checkpoint.WritePending({}));
}

TEST_F(Checkpoint, WriteFailureIsQuiet)
{
    CCheckpoint checkpoint(m_dir.File("missing/"));
    EXPECT_FALSE(checkpoint.WriteCheckpoint(CTime(1999, 3, 5, 10, 0, 0), CTime(1999, 3, 5, 10, 0, 30), "x"));
    checkpoint.RemoveCheckpoint();
    CConnectionLog log(m_dir.File("missing/Zelmorin.Log"));
    EXPECT_EQ(checkpoint.RecoverCheckpoint(log), 0);
}

} // namespace
