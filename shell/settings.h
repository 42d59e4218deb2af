// The player's settings and progress: one record of plain integers, read
// from the configuration store once at start-up and written back key by key
// as it changes.
#pragma once

#include <cstdint>
#include <string>

struct GameSettings
{
    int32_t difficulty;           // 0 Easy, 1 Medium, 2 Hard
    int32_t music;                // 0 Off, 1 Once, 2 Loop
    int32_t tutorialRun;
    int32_t speed;                // 0 Slow, 1 Normal, 2 Fast
    int32_t direction;            // 0 Normal, 1 Reverse
    int32_t fireKey;              // toolkit key codes
    int32_t leftKey;
    int32_t rightKey;
    int32_t selectedStage[3];     // by difficulty
    int32_t selectedLevel[3][4];  // by difficulty, stage
    int32_t maximumLevel[3];      // levels completed, by difficulty
    int32_t highScore[3][40];     // best seconds by difficulty, stage * 10 + level; 0 = none
    int32_t eulaVersion;
    int32_t displayIndex;         // below 0: no stored display choice
    int32_t displayTop;
    int32_t displayLeft;
    int32_t displayWidth;
    int32_t displayHeight;
    int32_t gameWidth;
    int32_t gameHeight;
    int32_t depth;
};

extern GameSettings g_settings;

class wxConfigBase;

// The installed store, created on first use.
wxConfigBase* ConfigStore();

void LoadSettings();
void ReadConfigInt(const char* key, int* value, int defaultValue);
void ReadConfigIntArray(int* values, unsigned count, const char* keyFormat);
void WriteConfigInt(const char* key, int value);
void SetConfigIntArrayItem(const char* keyFormat, int* values, unsigned count, unsigned index,
                           int value);
void ReadConfigString(const char* key, std::string* value, const char* defaultValue);
void SetConfigString(std::string* setting, const char* key, const char* value);
