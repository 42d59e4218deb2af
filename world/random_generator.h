// The game's only source of chance. Levels are generated, not stored, so the
// exact byte stream is part of the game: the same seed gives the same level.
#pragma once

#include <cstdint>

struct CBubble;

// A 1024-byte pool refilled by XOR-ing a Park-Miller generator
// (multiplier 48271, modulus 2^31 - 1) into it. Owners place it next to what
// uses it and seed it before the first draw; it is never copied.
struct CRandomGenerator
{
    uint8_t pool[1024];
    uint32_t position; // next byte to hand out; 1024 or more refills first
    int32_t state;     // 1 .. 2^31 - 2 in use; 0 is replaced at the next refill

    void Refill();
    uint32_t GetUInt32();
    // A number in 0 .. n-1; n = 0 throws.
    uint32_t GetBelow(int n);

private:
    uint8_t NextByte();
};

// Seeds from g_seedCounter and advances it, so two levels started within
// one second of start-up still differ.
void SeedRandomGenerator(CRandomGenerator& rng);

// The tutorial's seeding: the same world at every run, counter untouched.
void SeedTutorialGenerator(CRandomGenerator& rng);

// One pass over the whole list; each entry is swapped with any entry.
void ShuffleBubbles(CRandomGenerator& rng, CBubble** list, uint32_t count);
