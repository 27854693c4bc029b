#include "PppdProvider.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "TestSupport.h"

namespace {

namespace fs = std::filesystem;

// A fake system root with just the parts the provider reads.
class PppdProviderTest : public ::testing::Test
{
protected:
    void Write(const std::string& relative, const std::string& content)
    {
        fs::path path = fs::path(m_root.Path()) / relative;
        fs::create_directories(path.parent_path());
        WriteFile(path.string(), content);
    }
    void AddProcess(int pid, const std::vector<std::string>& args)
    {
        std::string cmdline;
        for (const std::string& arg : args)
            cmdline += arg + '\0';
        Write("proc/" + std::to_string(pid) + "/cmdline", cmdline);
    }
    void SetFlags(const std::string& interface, const std::string& flags)
    {
        Write("sys/class/net/" + interface + "/flags", flags + "\n");
    }
    std::vector<SRasConnection> Enum(int capacity = 8)
    {
        std::vector<SRasConnection> out(static_cast<std::size_t>(capacity));
        out.resize(static_cast<std::size_t>(m_provider.EnumConnections(out.data(), capacity)));
        return out;
    }

    CTempDir m_root;
    CPppdProvider m_provider{m_root.Path() + "/"};
};

TEST_F(PppdProviderTest, EntriesArePeerFilesSorted)
{
    EXPECT_TRUE(m_provider.EnumEntries().empty());
    for (const char* name : {"zeta", "Alpha", "isp 2", ".hidden", "zeta~"})
        Write(std::string("etc/ppp/peers/") + name, "noauth\n");
    fs::create_directories(fs::path(m_root.Path()) / "etc/ppp/peers/folder");
    EXPECT_EQ(m_provider.EnumEntries(), (std::vector<std::string>{"Alpha", "isp 2", "zeta"}));
}

TEST_F(PppdProviderTest, InstalledWhenTheProgramOrAPeersFolderIsThere)
{
    EXPECT_EQ(m_provider.GetServiceName(), "pppd");
    EXPECT_FALSE(m_provider.IsServiceInstalled()); // an empty root has neither
    const struct
    {
        const char* path;
        bool executable;
        bool installed;
    } cases[] = {{"etc/ppp/options", false, false}, // pppd's options alone: not enough
                 {"usr/sbin/pppd", false, false},   // not a program
                 {"usr/sbin/pppd", true, true},
                 {"sbin/pppd", true, true},
                 {"etc/ppp/peers/isp", false, true}};
    for (const auto& c : cases) {
        CTempDir root;
        const fs::path path = fs::path(root.Path()) / c.path;
        fs::create_directories(path.parent_path());
        WriteFile(path.string(), "#!/bin/sh\n");
        if (c.executable)
            fs::permissions(path, fs::perms::owner_all);
        EXPECT_EQ(CPppdProvider(root.Path() + "/").IsServiceInstalled(), c.installed) << c.path;
    }
}

TEST_F(PppdProviderTest, CallNameWithInterfaceUpOrDown)
{
    AddProcess(1234, {"/usr/sbin/pppd", "call", "office", "nodetach"});
    std::vector<SRasConnection> listed = Enum();
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].handle, 1234u);
    EXPECT_EQ(listed[0].entryName, "office");
    EXPECT_NE(m_provider.GetConnectStatus(1234), CRasProvider::kConnected) << "no interface yet";

    Write("run/ppp0.pid", "1234\n");
    EXPECT_NE(m_provider.GetConnectStatus(1234), CRasProvider::kConnected) << "interface not in /sys";
    SetFlags("ppp0", "0x1090");
    EXPECT_NE(m_provider.GetConnectStatus(1234), CRasProvider::kConnected) << "interface down";
    SetFlags("ppp0", "0x1091");
    EXPECT_EQ(m_provider.GetConnectStatus(1234), CRasProvider::kConnected);

    fs::remove_all(fs::path(m_root.Path()) / "proc/1234");
    EXPECT_NE(m_provider.GetConnectStatus(1234), CRasProvider::kConnected) << "process ended";
    EXPECT_TRUE(Enum().empty());
}

TEST_F(PppdProviderTest, NameFallsBackToLinkNameThenInterface)
{
    AddProcess(10, {"pppd", "linkname", "dsl", "/dev/ttyS0"});
    AddProcess(20, {"/usr/sbin/pppd", "/dev/ttyUSB0", "115200"});
    Write("run/ppp/ppp2.pid", "20\n");
    AddProcess(30, {"pppd"});
    AddProcess(40, {"pppd", "nodetach"});
    Write("run/pppd/ppp-backup.pid", "40\n");

    std::vector<SRasConnection> listed = Enum();
    ASSERT_EQ(listed.size(), 4u);
    EXPECT_EQ(listed[0].entryName, "dsl");
    EXPECT_EQ(listed[1].entryName, "ppp2");
    EXPECT_EQ(listed[2].entryName, "pppd");
    EXPECT_EQ(listed[3].entryName, "backup");
    EXPECT_EQ(Enum(2).size(), 2u);
}

TEST_F(PppdProviderTest, ProcessFoundBothWaysIsListedOnce)
{
    AddProcess(777, {"/usr/sbin/pppd", "call", "office", "linkname", "office"});
    Write("run/ppp-office.pid", "777\nppp1\n");
    Write("run/ppp1.pid", "777\n");
    SetFlags("ppp1", "0x11");

    std::vector<SRasConnection> listed = Enum();
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].entryName, "office");
    EXPECT_EQ(m_provider.GetConnectStatus(777), CRasProvider::kConnected);
}

TEST_F(PppdProviderTest, OtherProgramsAndStalePidFilesIgnored)
{
    AddProcess(5, {"/usr/bin/pppdump", "call", "x"});
    AddProcess(6, {"/bin/sh", "-c", "pppd call office"});
    AddProcess(7, {"/opt/pppd/bin/helper", "call", "x"});
    AddProcess(8, {});
    Write("run/ppp-gone.pid", "99\nppp0\n");  // no such process
    Write("run/ppp-reused.pid", "6\nppp0\n"); // its pid now belongs to the shell
    Write("run/ppp0.pid", "garbage\n");
    SetFlags("ppp0", "0x1091");
    EXPECT_TRUE(Enum().empty());
    EXPECT_NE(m_provider.GetConnectStatus(6), CRasProvider::kConnected);
    EXPECT_NE(m_provider.GetConnectStatus(99), CRasProvider::kConnected);
}

TEST_F(PppdProviderTest, UnreadableCommandLineTrustsPidFile)
{
    // Under hidepid=1 the process folder is there but its files cannot be read; a link to itself
    // fails to open even for root.
    fs::create_directories(fs::path(m_root.Path()) / "proc/321");
    fs::create_symlink("cmdline", fs::path(m_root.Path()) / "proc/321/cmdline");
    Write("run/ppp-isp.pid", "321\nppp3\n");
    SetFlags("ppp3", "0x1091");

    std::vector<SRasConnection> listed = Enum();
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].entryName, "isp");
    EXPECT_EQ(m_provider.GetConnectStatus(321), CRasProvider::kConnected);
}

TEST_F(PppdProviderTest, MissingFoldersGiveNothing)
{
    CPppdProvider provider(m_root.Path() + "/does-not-exist");
    SRasConnection out[2];
    EXPECT_EQ(provider.EnumConnections(out, 2), 0);
    EXPECT_TRUE(provider.EnumEntries().empty());
    EXPECT_NE(provider.GetConnectStatus(1), CRasProvider::kConnected);
}

} // namespace
