// The bytes of a resource of the program's own, looked up the way both the
// sound and the music loaders do it.
#pragma once

#include <cstdint>

// Null when any step of the lookup gives nothing, or the resource is empty.
const uint8_t* FindResourceBytes(const char* name, const char* type, uint32_t* size);
