#include "SimulatedProvider.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "TestSupport.h"

namespace {

class SimulatedProviderTest : public ::testing::Test
{
protected:
    std::vector<SRasConnection> Enum(int capacity = 8)
    {
        std::vector<SRasConnection> out(static_cast<std::size_t>(capacity));
        out.resize(static_cast<std::size_t>(m_provider.EnumConnections(out.data(), capacity)));
        return out;
    }
    std::vector<std::string> Names()
    {
        std::vector<std::string> names;
        for (const SRasConnection& connection : Enum())
            names.push_back(connection.entryName);
        return names;
    }

    CTempDir m_dir;
    std::string m_path = m_dir.File("sim.txt");
    CSimulatedProvider m_provider{m_path};
};

TEST_F(SimulatedProviderTest, ParsesLinesAndSkipsTheRest)
{
    WriteFile(m_path, "# a comment\n"
                      "\n"
                      "   \t\n"
                      "  # indented comment\n"
                      "entry\tBackup ISDN\n"
                      "connected   Office  VPN  \r\n"
                      "dialling\tHome ISP\n"
                      "dialing Old Spelling\n"
                      "Connected Wrong Case\n"
                      "online Unknown Keyword\n"
                      "entry\n"
                      "entry Office  VPN\n"
                      "connected Office  VPN");
    EXPECT_EQ(Names(), (std::vector<std::string>{"Office  VPN", "Home ISP", "Old Spelling", "Office  VPN"}));
    std::vector<SRasConnection> listed = Enum();
    ASSERT_EQ(listed.size(), 4u);
    EXPECT_EQ(m_provider.GetConnectStatus(listed[0].handle), CRasProvider::kConnected);
    EXPECT_NE(m_provider.GetConnectStatus(listed[1].handle), CRasProvider::kConnected);
    EXPECT_NE(m_provider.GetConnectStatus(listed[2].handle), CRasProvider::kConnected);
    EXPECT_EQ(m_provider.GetConnectStatus(listed[3].handle), CRasProvider::kConnected);
    EXPECT_NE(listed[0].handle, listed[3].handle);
    EXPECT_EQ(m_provider.EnumEntries(),
              (std::vector<std::string>{"Backup ISDN", "Office  VPN", "Home ISP", "Old Spelling"}));
    EXPECT_EQ(Enum(2).size(), 2u);
}

TEST_F(SimulatedProviderTest, MissingFileIsEmpty)
{
    EXPECT_TRUE(Enum().empty());
    EXPECT_TRUE(m_provider.EnumEntries().empty());
    EXPECT_NE(m_provider.GetConnectStatus(1), CRasProvider::kConnected);
}

TEST_F(SimulatedProviderTest, EditsSeenAndHandlesKeptWhileTheLineStays)
{
    WriteFile(m_path, "dialling Office\ndialling Home\n");
    std::vector<SRasConnection> before = Enum();
    ASSERT_EQ(before.size(), 2u);

    WriteFile(m_path, "entry Spare\nconnected Modem\nconnected Office\ndialling Home\nconnected Home\n");
    std::vector<SRasConnection> after = Enum();
    ASSERT_EQ(after.size(), 4u);
    EXPECT_EQ(after[1].handle, before[0].handle);
    EXPECT_EQ(after[2].handle, before[1].handle);
    EXPECT_EQ(m_provider.GetConnectStatus(before[0].handle), CRasProvider::kConnected);
    EXPECT_NE(m_provider.GetConnectStatus(before[1].handle), CRasProvider::kConnected);
    EXPECT_EQ(m_provider.GetConnectStatus(after[3].handle), CRasProvider::kConnected);

    WriteFile(m_path, "dialling Home\n");
    EXPECT_NE(m_provider.GetConnectStatus(before[0].handle), CRasProvider::kConnected);
    EXPECT_EQ(Names(), std::vector<std::string>{"Home"});
}

TEST_F(SimulatedProviderTest, ReadsOnlyTheFirst64KiBOfARegularFile)
{
    // Past the limit a line is cut or gone, never read.
    std::string text =
        "connected Office\n" + std::string(CSimulatedProvider::kMaxFileBytes, '#') + "\nconnected Late\n";
    WriteFile(m_path, text);
    EXPECT_EQ(Names(), std::vector<std::string>{"Office"});

    // A device without end, a pipe with no writer and a folder list nothing, at once.
    for (const char* odd : {"/dev/zero", "/dev/urandom"}) {
        CSimulatedProvider device(odd);
        SRasConnection out[4];
        EXPECT_EQ(device.EnumConnections(out, 4), 0) << odd;
        EXPECT_TRUE(device.EnumEntries().empty()) << odd;
    }
    const std::string fifo = m_dir.File("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    CSimulatedProvider pipe(fifo);
    SRasConnection out[4];
    EXPECT_EQ(pipe.EnumConnections(out, 4), 0);
    CSimulatedProvider folder(m_dir.Path());
    EXPECT_EQ(folder.EnumConnections(out, 4), 0);
}

} // namespace
