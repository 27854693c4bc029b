#include "AppSettings.h"

#include <cstdlib>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "TestSupport.h"

namespace {

// QSettings finds the user's folder once per program, so it is set before anything asks.
struct SConfigHome
{
    SConfigHome() { setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1); }
    std::string File() const { return dir.File("Quillmoor/Zelmorin.conf"); }
    CTempDir dir;
} g_configHome;

unsigned ModeOf(const std::string& path)
{
    struct stat info
    {
    };
    if (stat(path.c_str(), &info) != 0)
        return 0;
    return info.st_mode & 0777;
}

// The file holds the password: nobody else may read it at any moment of the run, also when an
// older run left it readable to all.
TEST(AppSettings, FileIsPrivateBeforeTheFirstWrite)
{
    const std::string file = g_configHome.File();
    {
        CAppSettings settings;
        EXPECT_FALSE(FileExists(file)) << "reading alone creates nothing";
        settings.WriteString("", "StringFlags", "SECRET");
        EXPECT_EQ(ModeOf(file), 0600u);
        settings.Sync();
        EXPECT_EQ(ModeOf(file), 0600u);
    }
    ASSERT_EQ(chmod(file.c_str(), 0644), 0);
    CAppSettings settings;
    EXPECT_EQ(ModeOf(file), 0600u) << "an existing file is narrowed as the store opens";
    EXPECT_EQ(settings.GetString("", "StringFlags", ""), "SECRET");
    settings.WriteInt("", "Flags", 15);
    settings.Sync();
    EXPECT_EQ(ModeOf(file), 0600u);
    EXPECT_EQ(CAppSettings().GetInt("", "Flags", 6), 15);
}

// The data folder holds the connection history: the folders made for it are private, a folder
// that was there keeps its mode.
TEST(AppSettings, DataFolderIsPrivateWhenMade)
{
    if (!CAppSettings::GetAppPath().empty())
        GTEST_SKIP() << "this machine sets an App Paths folder for everyone";
    CTempDir root;
    ASSERT_EQ(chmod(root.Path().c_str(), 0755), 0);
    const std::string dataHome = root.File("share");
    setenv("XDG_DATA_HOME", dataHome.c_str(), 1);
    const mode_t old = umask(022);
    const std::string prefix = CAppSettings::GetDataPrefix();
    umask(old);
    unsetenv("XDG_DATA_HOME");
    ASSERT_EQ(prefix.compare(0, dataHome.size(), dataHome), 0) << prefix;
    for (std::string folder = prefix.substr(0, prefix.size() - 1); folder.size() >= dataHome.size();
         folder = folder.substr(0, folder.rfind('/')))
        EXPECT_EQ(ModeOf(folder), 0700u) << folder;
    EXPECT_EQ(ModeOf(root.Path()), 0755u);
}

// Entry names are bytes; one in an 8-bit code page must come back as the same bytes.
TEST(AppSettings, TextKeepsItsBytes)
{
    const std::string latin1 = "Caf\xE9 \xA0ISP";
    const std::string utf8 = "Caf\xC3\xA9";
    {
        CAppSettings settings;
        settings.WriteString("", "SelectedISP", latin1);
        settings.WriteString("", "DayDateFormat", utf8);
    }
    CAppSettings settings;
    EXPECT_EQ(settings.GetString("", "SelectedISP", ""), latin1);
    EXPECT_EQ(settings.GetString("", "DayDateFormat", ""), utf8);
    // UTF-8 text stays readable text in the file.
    EXPECT_NE(ReadFile(g_configHome.File()).find("DayDateFormat=Caf"), std::string::npos);
}

} // namespace
