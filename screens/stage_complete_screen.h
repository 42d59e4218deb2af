// The stage-completed celebration: rockets rise from the bottom and burst
// into rings of coloured bubbles while the stage's picture and "completed"
// fade in and out. Rockets and particles live in fixed arrays; the display
// itself needs no toolkit and no GL.
#pragma once

#include <cstdint>

#include "screens/celebration_input.h"
#include "shell/texture_atlas.h"

struct CRandomGenerator;
struct PlaySession;
struct RGBABitmap;
struct TextureRecord;

const uint32_t kMaxRockets = 10;
const uint32_t kMaxParticles = 2000;
const uint32_t kRingParticles = 75;
const double kLaunchesUntil = 18; // seconds; the display ends once all is gone after

// The display runs in fixed steps of a 60 Hz frame, as many as the frame
// time holds, so it looks the same at any frame rate. Velocities are
// distances moved in half a step: positions move by a fixed amount per
// step, while gravity, timers and ages follow the step's time.
const double kFireworkStep = 1.0 / 60; // seconds

struct FireworkRocket
{
    double x, y;
    double vx, vy;
    double trailTimer; // seconds until the next trail particle
};

struct FireworkParticle
{
    double x, y;
    double vx, vy;
    double age;           // 0 at birth, gone at 1
    const double* colour; // an entry of g_fireworkColours; null for a trail spark
};

extern const double g_fireworkColours[6][3];

struct EnvelopeKey
{
    double time; // seconds
    double value;
};

const uint32_t kEnvelopeKeys = 5;
extern const EnvelopeKey g_pictureEnvelope[kEnvelopeKeys];
extern const EnvelopeKey g_captionEnvelope[kEnvelopeKeys];

// Straight lines between the keys; 0 at or before the first and after the last.
double EnvelopeValue(const EnvelopeKey* keys, double t);

struct CStageCompleteScreen
{
    RGBABitmap* stageImage;
    TextureRecord* stageTexture;
    RGBABitmap* captionImage;
    TextureRecord* captionTexture;
    TextureAtlas sparkAtlas; // bubble and star side by side: the particles are one draw
    TextureRegion bubbleRegion;
    TextureRegion starRegion;
    uint32_t rocketCount;
    FireworkRocket rockets[kMaxRockets]; // in no particular order
    uint32_t particleCount;
    FireworkParticle particles[kMaxParticles]; // in no particular order
    double pictureAlpha;
    double captionAlpha;
    double clock;       // seconds since the screen started
    double launchTimer; // a launch is due at 0 or less
    double unstepped;   // frame time not yet run, within half a step of 0
    uint8_t done;
    CelebrationPresses presses; // what may end the screen

    static void OnInput(void* context, int32_t code, void* data);

    // Runs the fixed steps that the frame time dt (seconds) holds.
    void Update(CRandomGenerator& rng, double dt);
    void Step(CRandomGenerator& rng);
    void SpawnParticle(CRandomGenerator& rng, const FireworkRocket& rocket, const double* colour, double k);
    void SpawnBurst(CRandomGenerator& rng, const FireworkRocket& rocket);

    // With the toolkit and OpenGL.
    void Load(uint32_t stage);
    void Unload();
    void Draw();
};

// Shows the fireworks for the session's stage until a key or the mouse
// button is released, a close request comes, or the display is over.
void RunStageCompleteScreen(PlaySession* session);
