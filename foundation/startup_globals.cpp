#include "foundation/startup_globals.h"

#include <ctime>

uint32_t g_seedCounter = static_cast<uint32_t>(static_cast<uint64_t>(std::time(nullptr)));
