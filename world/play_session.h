// The player's choices and progress for one run of the flow of play, passed
// by pointer to every screen of the flow and to the level generator.
// A plain record: its owner zero-fills it before filling it.
#pragma once

#include <cstdint>

const uint32_t kStages = 4;
const uint32_t kLevelsPerStage = 10;

struct PlaySession
{
    int32_t difficulty;        // 0 Easy, 1 Medium, 2 Hard
    uint8_t tutorialRequested; // the stage selection ended on its tutorial item
    uint32_t stage;            // 0..3; 4 once the last stage has been completed
    uint32_t level;            // 0..9 within the stage
    uint8_t tutorialRun;       // the tutorial offer has been seen
    uint32_t maximumLevel;     // levels completed at this difficulty, 0..40
    int32_t speed;             // 0 Slow, 1 Normal, 2 Fast
    int32_t direction;         // 0 Normal, 1 Reverse
    int32_t levelTime;         // whole seconds of the last level played
    int32_t* bestTimes;        // the difficulty's 40 best times in the settings; null in the tutorial
};
