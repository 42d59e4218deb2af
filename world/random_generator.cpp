#include "world/random_generator.h"

#include "foundation/startup_globals.h"

namespace {

const int32_t kModulus = 2147483647;
const int32_t kMultiplier = 48271;
const int32_t kQuotient = kModulus / kMultiplier;  // 44488
const int32_t kRemainder = kModulus % kMultiplier; // 3399
const int32_t kZeroStateReplacement = 2147483644;

} // namespace

void CRandomGenerator::Refill()
{
    position = 0;
    int32_t s = state == 0 ? kZeroStateReplacement : state;
    for (int i = 0; i < 512; ++i)
    {
        // Schrage's form keeps 48271 * s mod (2^31 - 1) inside 32 bits.
        int32_t v = kMultiplier * (s % kQuotient) - kRemainder * (s / kQuotient);
        uint32_t bits = static_cast<uint32_t>(v);
        uint8_t byte0 = bits & 0xFF;
        uint8_t byte1 = (bits >> 8) & 0xFF;
        uint8_t byte2 = (bits >> 16) & 0xFF;
        uint8_t byte3 = (bits >> 24) & 0xFF;
        pool[2 * i] ^= byte1 ^ byte2;
        pool[2 * i + 1] ^= byte0 ^ byte3;
        s = v >= 0 ? v : v + kModulus;
    }
    state = s;
}

uint8_t CRandomGenerator::NextByte()
{
    if (position >= 1024)
        Refill();
    return pool[position++];
}

uint32_t CRandomGenerator::GetUInt32()
{
    uint32_t r = 0;
    for (int i = 0; i < 4; ++i)
        r = (r << 8) | NextByte();
    return r;
}

uint32_t CRandomGenerator::GetBelow(int n)
{
    if (n == 0)
        throw "{7C59ED93-7B31-46ea-BAE3-A553AD8AF47C}";
    uint32_t range = static_cast<uint32_t>(n);
    uint32_t r = GetUInt32() % range;
    if (range > 65535)
    {
        // The remainder favours low values over wide ranges; mirror it at random.
        if ((NextByte() & 1) == 0)
            r = range - 1 - r;
    }
    return r;
}

void SeedRandomGenerator(CRandomGenerator& rng)
{
    uint32_t seed = g_seedCounter;
    g_seedCounter += 1;
    rng.state = static_cast<int32_t>(seed);
    for (uint32_t i = 0; i < 1024; ++i)
        rng.pool[i] = static_cast<uint8_t>(i - seed);
    rng.Refill();
}

void SeedTutorialGenerator(CRandomGenerator& rng)
{
    const uint32_t seed = 107;
    rng.state = seed;
    for (uint32_t i = 0; i < 1024; ++i)
        rng.pool[i] = static_cast<uint8_t>(i + seed);
    rng.Refill();
}

void ShuffleBubbles(CRandomGenerator& rng, CBubble** list, uint32_t count)
{
    for (uint32_t i = 0; i < count; ++i)
    {
        uint32_t j = rng.GetBelow(static_cast<int>(count));
        CBubble* kept = list[i];
        list[i] = list[j];
        list[j] = kept;
    }
}
