#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include <wx/fileconf.h>
#include <wx/init.h>
#include <wx/wfstream.h>

#include "shell/settings.h"
#include "tests/support/config_sandbox.h"

namespace {

wxInitializer g_toolkit;

// What another reader finds in the file right now, without our store's help.
long StoredValue(const std::string& file, const char* key, long missing = -12345)
{
    wxFileInputStream in(file);
    if (!in.IsOk())
        return missing;
    wxFileConfig reader(in);
    long value = missing;
    reader.Read(key, &value);
    return value;
}

void WriteText(const std::string& path, const std::string& text)
{
    mkdir(path.substr(0, path.rfind('/')).c_str(), 0700);
    std::ofstream(path, std::ios::binary) << text;
}

bool Exists(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

} // namespace

TEST(Settings, EmptyStoreGivesTheDefaults)
{
    ConfigSandbox sandbox;
    LoadSettings();
    const GameSettings& s = g_settings;
    EXPECT_EQ(s.difficulty, 1);
    EXPECT_EQ(s.music, 2);
    EXPECT_EQ(s.tutorialRun, 0);
    EXPECT_EQ(s.speed, 1);
    EXPECT_EQ(s.direction, 0);
    EXPECT_EQ(s.fireKey, 32);
    EXPECT_EQ(s.leftKey, 314);
    EXPECT_EQ(s.rightKey, 316);
    EXPECT_EQ(s.eulaVersion, 0);
    EXPECT_EQ(s.displayIndex, -1);
    EXPECT_EQ(s.gameWidth, 0);
    EXPECT_EQ(s.depth, 0);
    for (int d = 0; d < 3; ++d) {
        EXPECT_EQ(s.selectedStage[d], 0);
        EXPECT_EQ(s.maximumLevel[d], 0);
        for (int i = 0; i < 40; ++i)
            EXPECT_EQ(s.highScore[d][i], 0);
    }
    // Reading alone creates nothing on disk.
    EXPECT_FALSE(Exists(sandbox.File()));
}

TEST(Settings, ArrayKeysAreNumberedFromOne)
{
    ConfigSandbox sandbox;
    LoadSettings();
    SetConfigIntArrayItem("/Game/Medium/HighScore%1", g_settings.highScore[1], 40, 0, 77);
    SetConfigIntArrayItem("/Game/Medium/HighScore%1", g_settings.highScore[1], 40, 39, 123);
    SetConfigIntArrayItem("/Game/Hard/SelectedLevel%1", g_settings.selectedLevel[2], 4, 2, 6);
    EXPECT_EQ(g_settings.highScore[1][0], 77);
    EXPECT_EQ(g_settings.highScore[1][39], 123);
    EXPECT_EQ(g_settings.selectedLevel[2][2], 6);
    EXPECT_EQ(StoredValue(sandbox.File(), "/Game/Medium/HighScore1"), 77);
    EXPECT_EQ(StoredValue(sandbox.File(), "/Game/Medium/HighScore40"), 123);
    EXPECT_EQ(StoredValue(sandbox.File(), "/Game/Hard/SelectedLevel3"), 6);
    EXPECT_EQ(StoredValue(sandbox.File(), "/Game/Medium/HighScore0"), -12345);
}

TEST(Settings, ArrayIndexPastTheEndThrowsAndChangesNothing)
{
    ConfigSandbox sandbox;
    LoadSettings();
    int values[41] = {};
    values[40] = 5; // a neighbour that must survive
    try {
        SetConfigIntArrayItem("/Game/Easy/HighScore%1", values, 40, 40, 9);
        FAIL() << "no throw";
    } catch (const char* guid) {
        EXPECT_STREQ(guid, "{22171280-25EF-440a-8E87-D810C59DA456}");
    }
    EXPECT_EQ(values[40], 5);
    EXPECT_THROW(SetConfigIntArrayItem(nullptr, values, 40, 0xFFFFFFFFu, 9), const char*);
    EXPECT_FALSE(Exists(sandbox.File()));

    // A null key format changes only the array.
    SetConfigIntArrayItem(nullptr, values, 40, 3, 8);
    EXPECT_EQ(values[3], 8);
    EXPECT_FALSE(Exists(sandbox.File()));
}

TEST(Settings, WritesReachTheFileAtOnceAndSurviveARestart)
{
    ConfigSandbox sandbox;
    LoadSettings();
    WriteConfigInt("/Game/Easy/MaximumLevel", 12);
    EXPECT_EQ(StoredValue(sandbox.File(), "/Game/Easy/MaximumLevel"), 12);
    WriteConfigInt("/Display/Index", -1);
    WriteConfigInt("/Control/Fire", 13);
    EXPECT_EQ(StoredValue(sandbox.File(), "/Control/Fire"), 13);

    ConfigSandbox::Reset();
    LoadSettings();
    EXPECT_EQ(g_settings.maximumLevel[0], 12);
    EXPECT_EQ(g_settings.fireKey, 13);
    EXPECT_EQ(g_settings.displayIndex, -1);
    EXPECT_EQ(g_settings.difficulty, 1);
}

TEST(Settings, BadValuesTakeTheirDefaultsAndGoodOnesSurvive)
{
    ConfigSandbox sandbox;
    WriteText(sandbox.File(),
              "[Player]\nDifficulty=abc\nMusic=99999999999\nTutorialRun= 1 \n"
              "\x01\xff\xfe garbage line without equals\n"
              "[Control]\nSpeed=\nDirection=1\nFire=-7x\n"
              "[Game/Easy]\nHighScore3=42\nHighScore4=1e3\n"
              "[Registration]\nEulaVersion=1");
    LoadSettings();
    EXPECT_EQ(g_settings.difficulty, 1);
    EXPECT_EQ(g_settings.music, 2);
    EXPECT_EQ(g_settings.tutorialRun, 1);
    EXPECT_EQ(g_settings.speed, 1);
    EXPECT_EQ(g_settings.direction, 1);
    EXPECT_EQ(g_settings.fireKey, 32);
    EXPECT_EQ(g_settings.highScore[0][2], 42);
    EXPECT_EQ(g_settings.highScore[0][3], 0);
    EXPECT_EQ(g_settings.eulaVersion, 1);

    // A later write keeps every readable entry of the file.
    WriteConfigInt("/Player/Music", 0);
    EXPECT_EQ(StoredValue(sandbox.File(), "/Game/Easy/HighScore3"), 42);
    EXPECT_EQ(StoredValue(sandbox.File(), "/Registration/EulaVersion"), 1);
}

TEST(Settings, StringsWithAndWithoutKeys)
{
    ConfigSandbox sandbox;
    LoadSettings();
    std::string value = "old";
    ReadConfigString("/Player/Name", &value, nullptr);
    EXPECT_EQ(value, "");
    ReadConfigString("/Player/Name", &value, "Nova");
    EXPECT_EQ(value, "Nova");
    value = "kept";
    ReadConfigString(nullptr, &value, nullptr);
    EXPECT_EQ(value, "kept");
    ReadConfigString(nullptr, &value, "dflt");
    EXPECT_EQ(value, "dflt");

    SetConfigString(&value, "/Player/Name", "Vega \xc3\xa9");
    EXPECT_EQ(value, "Vega \xc3\xa9");
    std::string readBack;
    ConfigSandbox::Reset();
    ReadConfigString("/Player/Name", &readBack, nullptr);
    EXPECT_EQ(readBack, "Vega \xc3\xa9");

    SetConfigString(&value, nullptr, nullptr);
    EXPECT_EQ(value, "");
}
