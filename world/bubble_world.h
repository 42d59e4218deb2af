// The whole state of one level in play: bubbles and their links, the dropper
// and its loading queue, animations, timers and the win/lose state. One
// fixed-size record; owners zero-fill it, build it, and never copy it.
#pragma once

#include <cstdint>

#include "world/broad_phase.h"
#include "world/circle_timing.h"
#include "world/random_generator.h"

struct PlaySession;
struct WorldAssets;

// Lengths in world units (bubble diameter 0.04, centre at the origin), time
// in seconds, angles in turns.
const double kBubbleRadius = 0.02;
const double kContactRadius = 0.02002;                              // box half-size, half the link distance
const double kLinkDistanceSq = 4 * kContactRadius * kContactRadius; // linked while closer
const double kColumnPitch = 0.0400004;
const double kColumnsPerUnit = 24.99975;
const double kOddRowShift = 0.02;
const uint32_t kMaxBubbles = 4096;
const uint32_t kMaxNeighbours = 6;
const uint32_t kMaxQueued = 6;
const uint32_t kMaxPops = 64;
const uint32_t kMaxFreedStars = 16;
const uint32_t kMaxBurstGroup = 32;
const uint32_t kMaxFreeForRelease = 500;
const uint32_t kCentreBubbles = 7;
// No valid frame comes near this; it only keeps a bad value from freezing the game.
const uint32_t kMaxSubStepsPerFrame = 100000;

// The height of a grid row: 0.04 x 1.00001 x sin 60.
double GridRowHeight();

enum WorldState : int32_t
{
    kWorldPlay = 0,
    kWorldClearing = 1,     // every star freed; the rest bursts away
    kWorldOutOfBubbles = 2, // supply used up; waiting for the last bubbles
    kWorldTutorial = 3,     // fire allowed, no loading, no win or loss
    kWorldAborted = 5,
    kWorldLost = 6,
    kWorldWon = 7,
};
const int32_t kWorldFinalStates = 4; // owners step a world while state is below

enum WorldEventType : uint32_t
{
    kEventNone = 0,
    kEventReload = 1,
    kEventFire = 2,
    kEventContact = 3,
    kEventBurst = 4,
    kEventClearingPop = 5,
};

// Bubble colours 1..12 as RGB; colour 0 (the centre) is never drawn.
extern const float g_bubbleColours[13][3];

struct CBubbleWorld;

struct CBubble
{
    double x, y;
    double vx, vy;
    uint32_t index;  // its place in live
    uint32_t body;   // broad-phase object id
    uint32_t visits; // contact solver visits in the current run
    uint8_t stuck;   // fixed on the hex grid; never moves
    uint8_t centre;  // one of the seven centre bubbles
    uint8_t hasStar;
    uint8_t queued;  // waiting in the contact solver's queue
    uint8_t touched; // has touched another bubble
    uint8_t colour;  // 1..12; 0 for the centre
    uint8_t supportCcw, supportCw, supportIn;
    uint32_t neighbourCount;
    CBubble* neighbours[kMaxNeighbours];

    bool IsSupported(bool innermost);
    void Unlink(CBubble* other, CBubbleWorld& world);
    bool IsLinkedTo(const CBubble* other) const;
};

struct QueuedBubble
{
    double progress; // 0 at the back of the feed, 1 in the firing position
    double speed;    // progress per second
    uint8_t colour;
};

struct PopEffect
{
    double x, y;
    uint8_t colour;
    double age; // ends at 1
};

struct FreedStar
{
    double x, y, vx, vy;
    double age; // ends at 1
};

struct WorldEvent
{
    uint32_t type;
    double time; // seconds from now, never negative
    uint32_t a, b; // places in live when found
    // The bubbles themselves: motion before the event can reorder live.
    CBubble* first;
    CBubble* second;
};

struct CBubbleWorld
{
    int32_t state; // WorldState
    WorldAssets* assets; // pictures and sounds of the play screen (world_assets.h), while loaded
    double reloadInterval;     // between loads once 3 or more are queued
    double fastReloadInterval; // between loads while fewer are queued
    double popInterval;        // between bursts of the clearing phase
    uint32_t colourCount;
    double gravity;
    double turnSpeed; // negative for reversed controls
    double mouseDelta; // input, cleared after every step
    uint8_t leftHeld, rightHeld;
    uint8_t dropRequested; // input, cleared after every step
    uint8_t dropHeld;      // input: the drop key is down, and drops whenever a bubble is in
    uint8_t escapeDown;    // input: Escape went down in this level; its release pauses
    double angle;          // turns; 0 points up, growing clockwise
    double distance;
    double targetDistance;
    double sinceReload;
    double sincePop;
    double outOfBubblesTime;
    double clock;
    uint32_t starsLeft;
    uint32_t supply; // bubbles still to be fired, the queued ones included
    uint32_t liveCount;
    uint32_t freeCount; // live bubbles not stuck
    CBubble* live[kMaxBubbles]; // live ones first, then idle ones in order of use
    CBubble pool[kMaxBubbles];  // records never move; live is reordered
    uint32_t queueCount;
    QueuedBubble queue[kMaxQueued]; // front first
    uint32_t popCount;
    PopEffect pops[kMaxPops];
    uint32_t freedStarCount;
    FreedStar freedStars[kMaxFreedStars];
    // Set by the simulation, played and cleared by the next drawing. Nothing
    // in the simulation sets the bounce flag.
    uint8_t bouncePending;
    uint8_t firePending;
    uint8_t popPending;
    uint8_t starPending;
    CCollisionBroadPhase* broadPhase; // made by BuildLevel; the owner deletes it

    // Level generation.
    void BuildLevel(CRandomGenerator& rng, const PlaySession& session);
    void UpdateDropperTarget();
    // Clear of every stuck or touched bubble in the direction of an angle.
    double DropperTargetAt(double turns) const;

    // One frame; returns the number of sub-steps it ran.
    uint32_t Step(CRandomGenerator& rng, double dt);
    void FindNextEvent(WorldEvent& ev);
    void Advance(double dt, double share);
    void HandleEvent(CRandomGenerator& rng, const WorldEvent& ev);
    void PostStep();

    // Dropper.
    void FireBubble(CRandomGenerator& rng);
    void ReloadQueue(CRandomGenerator& rng);

    // Contacts and the velocity solver.
    void OnContact(CBubble* a, CBubble* b);
    void DropLostContacts(CBubble* b);
    void ResolvePair(CBubble* a, CBubble* b);
    void ResolveAll();
    void ResolveContacts(CBubble** queue, uint32_t n);

    // Sticking, bursting and release.
    void SettleResting();
    void StickBubble(CBubble* b, double cellX, double cellY);
    uint32_t CollectSameColour(CBubble* b, CBubble** out);
    void ReleaseOutward(CBubble* b);
    void RemoveBubble(CBubble* b);
    void BurstBubble(CBubble* b);
    void PopRandomBubble(CRandomGenerator& rng);

    bool IsLive(const CBubble* b) const { return b->index < liveCount && live[b->index] == b; }

    // Look and sound of the play screen, in skylume_world_draw: these need
    // the toolkit and OpenGL, which this library stays free of.
    void LoadAssets(const PlaySession* session);
    void UnloadAssets();
    void Draw();
    // Only the sky, as Draw draws it: the least that a frame of a level costs.
    void DrawBackground();
    void DrawBubble(uint8_t colour, bool star, double x, double y, double scale);
    void DrawNumber(uint32_t number, double x, double y, double height);
    void PlayPendingSounds();

    // The level's input handler, in skylume_screens; the context is the world.
    static void OnInput(void* context, int32_t code, void* data);
};

// Links two bubbles both ways, or not at all when either holds six.
bool LinkBubbles(CBubble* a, CBubble* b);

// Whether two bubbles move toward each other, beyond rounding.
bool Approaching(const CBubble* a, const CBubble* b);

// The centre of the grid cell that a point belongs to.
void SnapToHexGrid(double x, double y, double& cellX, double& cellY);

// Replaces the record only with a strictly earlier event (times clamp to 0),
// so among equal times the first found wins. Returns whether it replaced.
bool KeepEarliestHit(WorldEvent& ev, uint32_t type, double t, uint32_t a, uint32_t b,
                     CBubble* first = nullptr, CBubble* second = nullptr);
