#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <wx/init.h>

#include "platform/durable_file_config.h"
#include "tests/support/config_sandbox.h"

namespace {

wxInitializer g_toolkit;

std::vector<std::string> Entries(const std::string& dir)
{
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.')
                names.push_back(e->d_name);
        closedir(d);
    }
    return names;
}

} // namespace

TEST(DurableFileConfig, CreatesMissingFoldersAndLeavesNoTemporaries)
{
    ConfigSandbox sandbox;
    std::string path = sandbox.Dir() + "/deeper/store.conf";
    {
        CDurableFileConfig store("skylume", wxString::FromUTF8(path));
        EXPECT_TRUE(store.Write("/A/B", 5L));
        EXPECT_TRUE(store.IsSaved());
    }
    EXPECT_EQ(Entries(sandbox.Dir() + "/deeper"), std::vector<std::string>{"store.conf"});
    CDurableFileConfig again("skylume", wxString::FromUTF8(path));
    EXPECT_EQ(again.ReadLong("/A/B", 0), 5);
}

TEST(DurableFileConfig, EachWriteSavesOnce)
{
    ConfigSandbox sandbox;
    CDurableFileConfig store("skylume", wxString::FromUTF8(sandbox.File()));
    EXPECT_TRUE(store.Write("/A/Number", 5L));
    EXPECT_EQ(store.GetSaveCount(), 1);
    EXPECT_TRUE(store.Write("/A/Text", "five"));
    EXPECT_EQ(store.GetSaveCount(), 2);
    EXPECT_TRUE(store.Flush());
    EXPECT_EQ(store.GetSaveCount(), 2); // nothing left unsaved
}

TEST(DurableFileConfig, UnreadableFileIsSetAsideNotOverwritten)
{
    ConfigSandbox sandbox;
    // A folder where the file should be cannot be read as one, even by root.
    std::string path = sandbox.Dir() + "/store.conf";
    ASSERT_EQ(system(("mkdir -p '" + path + "/inside'").c_str()), 0);
    CDurableFileConfig store("skylume", wxString::FromUTF8(path));
    EXPECT_TRUE(store.Write("/A/B", 1L));
    struct stat info;
    ASSERT_EQ(stat((path + ".unreadable/inside").c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(stat(path.c_str(), &info) == 0 ? info.st_mode : 0));
}

TEST(DurableFileConfig, FailedWriteIsReportedAndRetriedByFlush)
{
    ConfigSandbox sandbox;
    std::string blocker = sandbox.Dir() + "/blocker";
    ASSERT_EQ(system(("mkdir -p '" + sandbox.Dir() + "' && touch '" + blocker + "'").c_str()), 0);
    // The folder cannot be made: a file stands in its place.
    std::string path = blocker + "/store.conf";
    CDurableFileConfig store("skylume", wxString::FromUTF8(path));
    EXPECT_FALSE(store.Write("/A/B", 1L));
    EXPECT_FALSE(store.IsSaved());
    EXPECT_FALSE(store.Flush());
    ASSERT_EQ(unlink(blocker.c_str()), 0);
    EXPECT_TRUE(store.Flush());
    EXPECT_TRUE(store.IsSaved());
}

TEST(DurableFileConfig, PathFollowsTheXdgRules)
{
    ScopedEnvironment xdg("XDG_CONFIG_HOME"), home("HOME");
    setenv("XDG_CONFIG_HOME", "/x/conf", 1);
    EXPECT_EQ(DefaultConfigFilePath("skylume"), "/x/conf/skylume/skylume.conf");
    setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    setenv("HOME", "/home/player", 1);
    EXPECT_EQ(DefaultConfigFilePath("skylume"), "/home/player/.config/skylume/skylume.conf");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(DefaultConfigFilePath("skylume"), "/home/player/.config/skylume/skylume.conf");
}
