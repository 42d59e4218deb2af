// The level-completed screen: the stage's level picture with the level number,
// "completed" and the time taken, under a rain of coloured bubbles that fall,
// bounce weakly and pile up on the picture and the floor. The rain is an
// event-driven simulation like the world's, in the screen's own units (the
// shorter side of the screen spans -1 to 1); it needs no toolkit and no GL.
#pragma once

#include <cstdint>

#include "screens/celebration_input.h"
#include "world/bubble_world.h"

struct PlaySession;
struct RGBABitmap;
struct TextureRecord;

const uint32_t kMaxRainBubbles = 512;
const uint32_t kMaxRainContacts = 6;
const uint32_t kDomeCircleCount = 13;
const double kRainRadius = 1.0 / 15;
const double kRainMargin = 0.06733333333333333; // 1.01 radii: sweep boxes and lost contacts
const double kRainSpawnInterval = 0.25;
const double kRainEndAfter = 30; // seconds before the screen may end by itself

// A circle under and around the level picture that the rain rests on.
struct DomeCircle
{
    double x, y;
    double radius;
};

// Centres written at start-up by InitProfileTable; the radii are constant.
extern DomeCircle g_domeCircles[kDomeCircleCount];
void InitProfileTable();

enum RainWall : uint32_t
{
    kRainLeftWall = 0,
    kRainRightWall = 1,
    kRainFloor = 2,
};

enum RainEventType : uint32_t
{
    kRainNone = 0,
    kRainSpawn = 1,
    kRainMeetsRain = 2, // a: the lower broad-phase id
    kRainMeetsWall = 3, // b: the wall
    kRainMeetsDome = 4, // b: the dome circle
};

// The world's event record, so that both simulations pick their next event
// with the one KeepEarliestHit; the rain leaves its bubble pointers null.
using RainEvent = WorldEvent;

struct FallingBubble
{
    double x, y;
    double vx, vy;
    double sx, sy; // smoothed velocity, for the rest test only
    uint8_t colour; // 0 .. colour count - 1
    uint8_t frozen; // at rest for good: never moves, never simulated again
    uint32_t contactCount;
    FallingBubble* contacts[kMaxRainContacts];
    uint8_t leftWall, rightWall, floor;
    const DomeCircle* dome; // the one dome circle it rests on, or null
    uint32_t body;          // broad-phase object id, equal to its index
    uint8_t queued;         // in the solver's ring
    uint32_t visits;        // solver visits in the current solve
};

struct CLevelCompleteScreen
{
    RGBABitmap* bubbleImage;
    TextureRecord* bubbleTexture;
    RGBABitmap* levelImage;
    TextureRecord* levelTexture;
    RGBABitmap* digitsImage;
    TextureRecord* digitsTexture;
    RGBABitmap* levelLabelImage;
    TextureRecord* levelLabelTexture;
    RGBABitmap* completedImage;
    TextureRecord* completedTexture;
    uint32_t stage; // 0..3
    uint32_t level; // 0..9
    uint32_t bubbleCount; // made in index order, never removed
    FallingBubble bubbles[kMaxRainBubbles];
    uint32_t leftWall, rightWall, floor; // broad-phase ids
    double clock;      // seconds since the screen started
    double sinceSpawn; // seconds since the last spawn
    uint8_t done;
    CelebrationPresses presses; // what may end the screen
    double ax, ay; // half-width and half-height of the view
    uint32_t levelTime; // whole seconds
    uint32_t colourCount;
    CCollisionBroadPhase* broadPhase; // capacity 528, three groups; the runner owns it

    static void OnInput(void* context, int32_t code, void* data);

    // The view's extent and the broad phase's bodies for a stage of w x h
    // pixels: bubbles 0..511, the walls just outside the view, the dome.
    void SetUpBodies(int32_t width, int32_t height);

    // One frame of the rain; returns the number of sub-steps it ran.
    uint32_t Update(CRandomGenerator& rng, double dt);
    void FindNextEvent(RainEvent& ev);
    void Advance(double t);
    void ResolveEvent(CRandomGenerator& rng, const RainEvent& ev);
    void SolveContacts(FallingBubble** ring, uint32_t n, bool restingPass);
    void FreezeRestingBubbles();
    void DropLostContacts();
    void UnlinkBodies(FallingBubble& a, FallingBubble& b);
    void CheckAnimationDone();

    // With the toolkit and OpenGL.
    void Load();
    void Unload();
    void Draw();
    void DrawDigit(uint32_t digit, double x0, double y0, double x1, double y1);
    void DrawLevelTitle(uint32_t level, double x, double y, double size);
    void DrawTime(uint32_t seconds, double x, double y, double height);
};

// The level's own number of colours, kept within the colour table.
uint32_t RainColourCount(int32_t difficulty, uint32_t stage);

// Shows the screen for the session's last won level until a key or the
// mouse button is released, a close request comes, or the rain has settled
// some time after 30 s.
void RunLevelCompleteScreen(const PlaySession* session);
