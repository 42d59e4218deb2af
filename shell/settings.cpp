#include "shell/settings.h"

#include <climits>

#include <wx/config.h>
#include <wx/log.h>

#include "foundation/format.h"
#include "platform/durable_file_config.h"

GameSettings g_settings;

wxConfigBase* ConfigStore()
{
    wxConfigBase* store = wxConfigBase::Get(false);
    if (!store) {
        store = new CDurableFileConfig("skylume", DefaultConfigFilePath("skylume"));
        wxConfigBase::Set(store);
    }
    return store;
}

void LoadSettings()
{
    GameSettings& s = g_settings;
    ConfigStore();
    ReadConfigInt("/Player/Difficulty", &s.difficulty, 1);
    ReadConfigInt("/Player/Music", &s.music, 2);
    ReadConfigInt("/Player/TutorialRun", &s.tutorialRun, 0);
    ReadConfigInt("/Control/Speed", &s.speed, 1);
    ReadConfigInt("/Control/Direction", &s.direction, 0);
    ReadConfigInt("/Control/Fire", &s.fireKey, 32);
    ReadConfigInt("/Control/Left", &s.leftKey, 314);
    ReadConfigInt("/Control/Right", &s.rightKey, 316);
    ReadConfigInt("/Game/Easy/SelectedStage", &s.selectedStage[0], 0);
    ReadConfigInt("/Game/Medium/SelectedStage", &s.selectedStage[1], 0);
    ReadConfigInt("/Game/Hard/SelectedStage", &s.selectedStage[2], 0);
    ReadConfigIntArray(s.selectedLevel[0], 4, "/Game/Easy/SelectedLevel%1");
    ReadConfigIntArray(s.selectedLevel[1], 4, "/Game/Medium/SelectedLevel%1");
    ReadConfigIntArray(s.selectedLevel[2], 4, "/Game/Hard/SelectedLevel%1");
    ReadConfigInt("/Game/Easy/MaximumLevel", &s.maximumLevel[0], 0);
    ReadConfigInt("/Game/Medium/MaximumLevel", &s.maximumLevel[1], 0);
    ReadConfigInt("/Game/Hard/MaximumLevel", &s.maximumLevel[2], 0);
    ReadConfigIntArray(s.highScore[0], 40, "/Game/Easy/HighScore%1");
    ReadConfigIntArray(s.highScore[1], 40, "/Game/Medium/HighScore%1");
    ReadConfigIntArray(s.highScore[2], 40, "/Game/Hard/HighScore%1");
    ReadConfigInt("/Registration/EulaVersion", &s.eulaVersion, 0);
    ReadConfigInt("/Display/Index", &s.displayIndex, -1);
    ReadConfigInt("/Display/Top", &s.displayTop, 0);
    ReadConfigInt("/Display/Left", &s.displayLeft, 0);
    ReadConfigInt("/Display/Width", &s.displayWidth, 0);
    ReadConfigInt("/Display/Height", &s.displayHeight, 0);
    ReadConfigInt("/Display/GameWidth", &s.gameWidth, 0);
    ReadConfigInt("/Display/GameHeight", &s.gameHeight, 0);
    ReadConfigInt("/Display/Depth", &s.depth, 0);
}

// A value that is not a whole number in range is as good as missing.
void ReadConfigInt(const char* key, int* value, int defaultValue)
{
    wxLogNull quiet;
    long stored = 0;
    if (ConfigStore()->Read(key, &stored) && stored >= INT_MIN && stored <= INT_MAX)
        *value = static_cast<int>(stored);
    else
        *value = defaultValue;
}

void ReadConfigIntArray(int* values, unsigned count, const char* keyFormat)
{
    std::string key;
    for (unsigned i = 0; i < count; ++i) {
        if (!keyFormat) {
            values[i] = 0;
            continue;
        }
        ReadConfigInt(FormatUnsigned(key, keyFormat, i + 1).c_str(), &values[i], 0);
    }
}

void WriteConfigInt(const char* key, int value)
{
    ConfigStore()->Write(key, static_cast<long>(value));
}

void SetConfigIntArrayItem(const char* keyFormat, int* values, unsigned count, unsigned index,
                           int value)
{
    if (index >= count)
        throw "{22171280-25EF-440a-8E87-D810C59DA456}";
    std::string key;
    if (keyFormat)
        FormatUnsigned(key, keyFormat, index + 1);
    values[index] = value;
    if (keyFormat)
        WriteConfigInt(key.c_str(), value);
}

void ReadConfigString(const char* key, std::string* value, const char* defaultValue)
{
    if (!key) {
        if (defaultValue)
            *value = defaultValue;
        return;
    }
    wxLogNull quiet;
    wxString stored;
    if (ConfigStore()->Read(wxString::FromUTF8(key), &stored))
        *value = stored.utf8_string();
    else
        *value = defaultValue ? defaultValue : "";
}

void SetConfigString(std::string* setting, const char* key, const char* value)
{
    *setting = value ? value : "";
    if (key)
        ConfigStore()->Write(wxString::FromUTF8(key), wxString::FromUTF8(setting->c_str()));
}
