#include "shell/graphics.h"

#include <wx/time.h>

namespace {

const uint32_t kPauseGap = 5000;    // ms; a longer gap steps nothing
const uint32_t kLongestStep = 1000; // ms
const uint32_t kWarmUpFrames = 20;

} // namespace

uint32_t FrameClockNow()
{
    return uint32_t(wxGetLocalTimeMillis().GetValue());
}

void AdvanceFrameClock(CGameGraphics* g, uint32_t now)
{
    uint32_t gap = now - g->lastFrameTime;
    if (gap >= kPauseGap) {
        g->lastFrameTime = now;
        g->frameStep = 0;
        return;
    }
    uint32_t d = gap > kLongestStep ? kLongestStep : gap;
    g->frameCount += 1;
    g->clampedTotal += d;
    if (g->frameCount < kWarmUpFrames) {
        g->gameClock = g->clampedTotal;
        g->frameStep = d;
        g->averageFrameTime = double(g->clampedTotal) / double(g->frameCount);
        g->lastFrameTime = now;
        return;
    }
    g->averageFrameTime = d * 0.2 + g->averageFrameTime * 0.8;
    uint32_t s = uint32_t(int64_t(g->averageFrameTime + 0.5));
    // Stay near the clamped total: one millisecond per frame at most.
    if (g->gameClock + s < g->clampedTotal)
        s += 1;
    else if (g->gameClock + s > g->clampedTotal && s > 0)
        s -= 1;
    g->gameClock += s;
    g->frameStep = s;
    g->lastFrameTime = now;
}
