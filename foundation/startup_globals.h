// Globals set before main that the logic code shares without the toolkit.
#pragma once

#include <cstdint>

// Seeds the random generator; starts at the time of start-up, so two starts
// within one second generate the same levels.
extern uint32_t g_seedCounter;
