#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <wx/init.h>

#include "platform/durable_file_config.h"
#include "platform/save_temporaries.h"
#include "tests/support/config_sandbox.h"

namespace {

wxInitializer g_toolkit;

std::vector<std::string> Entries(const std::string& dir)
{
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
                names.push_back(e->d_name);
        closedir(d);
    }
    return names;
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadFile(const std::string& path)
{
    std::ostringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    return bytes.str();
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

    // A pipe would wait for a writer for ever; the first file set aside stays.
    ASSERT_EQ(unlink(path.c_str()), 0);
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    CDurableFileConfig again("skylume", wxString::FromUTF8(path));
    EXPECT_TRUE(S_ISFIFO(stat((path + ".unreadable.2").c_str(), &info) == 0 ? info.st_mode : 0));
    EXPECT_EQ(stat((path + ".unreadable/inside").c_str(), &info), 0);
}

TEST(DurableFileConfig, UndecodableFilesKeepEverythingTheyHold)
{
    const std::string content = "[Registration]\nEulaVersion=1\n[Control]\nFire=97 \xE9\n"
                                "Left=314\n[Game/Easy]\nMaximumLevel=12\nHighScore1=42\n";
    // A UTF-16 mark before UTF-8 text; a UTF-8 mark, then a Latin-1 byte.
    for (const char* start : {"\xFF\xFE", "\xEF\xBB\xBF\xE9"}) {
        ConfigSandbox sandbox;
        ASSERT_EQ(system(("mkdir -p '" + sandbox.Dir() + "'").c_str()), 0);
        WriteFile(sandbox.File(), start + content);
        {
            CDurableFileConfig store("skylume", wxString::FromUTF8(sandbox.File()));
            EXPECT_EQ(store.ReadLong("/Registration/EulaVersion", 0), 1);
            EXPECT_EQ(store.ReadLong("/Control/Left", 0), 314);
            EXPECT_EQ(store.ReadLong("/Game/Easy/MaximumLevel", 0), 12);
            EXPECT_EQ(store.ReadLong("/Game/Easy/HighScore1", 0), 42);
            EXPECT_TRUE(store.Write("/Game/Easy/HighScore2", 7L));
        }
        // Only the mark is gone; the stray byte is written back as it was.
        EXPECT_EQ(ReadFile(sandbox.File()), content + "HighScore2=7\n") << start;
    }
}

TEST(DurableFileConfig, OnlyTemporariesOfSavesCutShortAreRemovedAtStart)
{
    ConfigSandbox sandbox;
    ASSERT_EQ(system(("mkdir -p '" + sandbox.Dir() + "'").c_str()), 0);
    WriteFile(sandbox.File(), "[A]\nB=1\n");
    pid_t ended = fork();
    if (ended == 0)
        _exit(0);
    ASSERT_EQ(waitpid(ended, nullptr, 0), ended);
    const std::string cutShort = TemporaryPrefix("skylume.conf", ended) + "a1B2c3";
    // Another machine sharing the folder, where that process id means nothing.
    std::string otherHost = TemporaryPrefix("skylume.conf", ended);
    char& hostStart = otherHost[sizeof ".skylume.conf." - 1];
    hostStart = hostStart == '0' ? '1' : '0';
    // Names a player may give, a save another running game is making, and
    // saves whose writers cannot be asked: another machine's and those of an
    // earlier build, which named no machine.
    std::vector<std::string> others = {
        "skylume.conf.a1B2c3", "skylume.conf.backup", "skylume.conf.200801",
        "skylume.conf.unreadable", ".skylume.conf.backup", "other.conf.a1B2c3",
        TemporaryPrefix("skylume.conf", getppid()) + "d4E5f6", otherHost + "a1B2c3",
        ".skylume.conf." + std::to_string(ended) + ".a1B2c3",
    };
    for (const std::string& name : others)
        WriteFile(sandbox.Dir() + "/" + name, "[A]\nB=2\n");
    WriteFile(sandbox.Dir() + "/" + cutShort, "[A]\nB=2\n");
    CDurableFileConfig store("skylume", wxString::FromUTF8(sandbox.File()));
    EXPECT_EQ(store.ReadLong("/A/B", 0), 1);
    EXPECT_TRUE(store.Write("/A/B", 3L));
    others.push_back("skylume.conf");
    std::sort(others.begin(), others.end());
    std::vector<std::string> left = Entries(sandbox.Dir());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, others);
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
