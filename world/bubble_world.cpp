#include "world/bubble_world.h"

#include <cmath>

#include "foundation/shared_constants.h"

const float g_bubbleColours[13][3] = {
    {0.0f, 0.0f, 0.0f}, // the centre: never drawn as a bubble
    {0.65f, 0.09f, 0.09f},
    {0.2f, 0.8f, 0.2f},
    {0.08f, 0.1f, 0.85f},
    {0.85f, 0.85f, 0.1f},
    {0.62f, 0.32f, 0.72f},
    {0.9f, 0.45f, 0.0f},
    {0.1f, 0.6f, 1.0f},
    {0.66f, 0.53f, 0.24f},
    {0.8f, 0.8f, 0.8f},
    {0.98f, 0.55f, 0.55f},
    {0.4f, 0.2f, 0.1f},
    {0.4f, 0.4f, 0.4f},
};

double GridRowHeight()
{
    return 0.04 * 1.00001 * g_sin60;
}

void SnapToHexGrid(double x, double y, double& cellX, double& cellY)
{
    // Inside the grid the sums are positive, so truncation rounds to nearest.
    double rowHeight = GridRowHeight();
    int row = static_cast<int>(std::trunc(y / rowHeight + 32.5));
    double off = (row % 2 != 0) ? kOddRowShift : 0.0;
    int col = static_cast<int>(std::trunc((x - off) * kColumnsPerUnit + 32.5));
    cellX = (col - 32) * kColumnPitch + off;
    cellY = (row - 32) * rowHeight;
}

bool CBubble::IsLinkedTo(const CBubble* other) const
{
    for (uint32_t k = 0; k < neighbourCount; ++k)
        if (neighbours[k] == other)
            return true;
    return false;
}
