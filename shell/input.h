// Input codes that the game window sends to the current input handler, and
// the handler types. The data pointer is valid during the call only.
#pragma once

#include <cstdint>

enum : int32_t
{
    InputClose = 0,          // data: null
    InputLeftDown = 0x100,   // data: InputPoint, stage client coordinates, y downward
    InputLeftUp = 0x101,     // data: InputPoint, as InputLeftDown
    InputMousePos = 0x102,   // data: InputPoint, screen coordinates, y downward
    InputMouseDelta = 0x103, // data: InputDelta, screen pixels moved since the last poll
    InputChar = 0x200,       // data: int32_t, the toolkit's key code
    InputKeyDown = 0x201,    // data: int32_t, the toolkit's key code; repeated while
                             // held, but for the keys of key_repeats.h
    InputKeyUp = 0x202,      // data: int32_t, the toolkit's key code
};

struct InputPoint
{
    int32_t x;
    int32_t y;
};

struct InputDelta
{
    double dx;
    double dy;
};

// The toolkit's codes of the keys the game screens handle themselves.
enum : int32_t
{
    kKeyEnter = 13,
    kKeyEscape = 27,
    kKeySpace = 32,
    kKeyLeft = 314,
    kKeyRight = 316,
    kKeyPadEnter = 370,
};

typedef void (*InputCallback)(void* context, int32_t code, void* data);

struct InputHandler
{
    InputCallback callback;
    void* context;
};
