// The tutorial's script: what each step says, what moves it on, and where its
// pointer or marker shows.
#include "screens/tutorial.h"

#include "screens/level_play.h"
#include "shell/input.h"

const char* const g_tutorialTexts[kTutorialSteps] = {
    "Welcome to Skylume!\n\nA RodovoVoved raced through the galaxy and trapped all the Stars.\n\nPress Enter to "
    "Continue.",
    "You can free the Stars from their bubbles using this BubbleDropper.\n\nPress Enter to Continue.",
    "You rotate the BubbleDropper around the world by using the mouse or the left and right arrow keys.\n\nTry "
    "rotating the Bubble Dropper to aim at this bubble.",
    "You drop bubbles by clicking the mouse or by pressing the space bar.\n\nTry dropping a bubble.",
    "Getting three bubbles of the same color together causes them to burst.\n\nTry bursting this blue bubble.",
    "You free a star by popping the bubble trapping it.\n\nTry releasing this star.",
    "The BubbleDropper can only generate a limited number of bubbles.\n\nThis indicator shows the number of bubbles "
    "remaining.\n\nPress Enter to Continue.",
    "Free all the stars without running out of bubbles to complete each level.\n\nGood Luck!",
};

namespace {

const uint8_t kBlue = 3;
// The dropper must point within 1/180 turn (2 degrees) of 8/90 turn; the
// angle is not wrapped, so a whole extra turn does not pass.
const double kAimAngle = 0.08888888888888889;
const double kAimToleranceSq = 3.08641975308642e-05;
const double kTargetReachSq = 0.0001; // within 0.01

enum Pointing
{
    kNothing,
    kPointer, // a line from the plate; the target is in the plate frame
    kMarker,  // a spinning marker; the target is in the world frame
};

int32_t KeyCode(void* data)
{
    return *static_cast<int32_t*>(data);
}

bool IsConfirmKey(int32_t key)
{
    return key == kKeyEnter || key == kKeyPadEnter;
}

void Point(CTutorial& t, Pointing how, double x = 0, double y = 0)
{
    t.showPointer = how == kPointer;
    t.showMarker = how == kMarker;
    if (how != kNothing)
    {
        t.targetX = x;
        t.targetY = y;
    }
}

// A bubble for the dropper, loaded as a reload of the world loads one.
void QueueBlue(CBubbleWorld& world)
{
    if (world.queueCount < kMaxQueued)
        world.queue[world.queueCount++] = QueuedBubble{0, 0, kBlue};
}

// While the player is to burst the blue bubble and free the star, a blue
// bubble is always on its way into the dropper.
void TopUpQueue(CBubbleWorld& world)
{
    if (world.queueCount == 0)
        QueueBlue(world);
}

} // namespace

void CTutorial::OnInput(void* context, int32_t code, void* data)
{
    auto* t = static_cast<CTutorial*>(context);
    OnDropperInput(t->world, code, data);
    switch (code)
    {
    case InputKeyDown:
        if (KeyCode(data) == kKeyEscape)
            t->escapeDown = 1;
        if (IsConfirmKey(KeyCode(data)))
            t->confirmDown = 1;
        break;
    case InputKeyUp:
        if (KeyCode(data) == kKeyEscape && t->escapeDown)
            t->done = 1;
        if (IsConfirmKey(KeyCode(data)) && t->confirmDown) {
            t->confirmDown = 0;
            t->confirmReleased = 1;
        }
        break;
    case InputClose:
        t->done = 1;
        break;
    case InputLeftUp:
        t->mouseReleased = 1;
        break;
    default:
        break;
    }
}

void CTutorial::UpdateStep()
{
    // Each test looks at the step as it was at entry: one change at most.
    uint32_t s = step;
    uint32_t n = s == 0 ? 1 : s;
    bool confirmed = confirmReleased || mouseReleased;
    switch (s)
    {
    case 1:
        if (confirmed)
        {
            n = 2;
            Point(*this, kPointer, 0, 0.4); // on the dropper's picture
        }
        break;
    case 2:
        if (confirmed)
        {
            n = 3;
            Point(*this, kMarker, 0.06, 0.103923);
        }
        break;
    case 3:
    {
        double off = world.angle - kAimAngle;
        if (off * off <= kAimToleranceSq)
        {
            n = 4;
            Point(*this, kNothing);
            QueueBlue(world);
        }
        break;
    }
    case 4:
        if (world.freeCount > 0) // the dropped bubble is on its way
        {
            n = 5;
            Point(*this, kMarker, 0.12037747500000001, 0.0695);
        }
        break;
    case 5:
        TopUpQueue(world);
        if (!TargetStillThere())
        {
            n = 6;
            Point(*this, kMarker, 0.04, -0.139);
        }
        break;
    case 6:
        TopUpQueue(world);
        if (!TargetStillThere())
        {
            n = 7;
            Point(*this, kPointer, -0.06, 0.45); // beside the bubbles remaining
        }
        break;
    case 7:
        if (confirmed)
        {
            n = 8;
            Point(*this, kNothing);
        }
        break;
    case 8:
        if (confirmed)
        {
            n = 9;
            Point(*this, kNothing);
            done = 1;
        }
        break;
    default:
        break;
    }
    if (n == s)
        return;
    if (s != 0)
        physicsRunning = 1;
    step = n;
    LoadStepText();
    // The key or click that ended the step neither turns nor drops.
    DropHeldInput(world);
    world.dropRequested = 0;
}

bool CTutorial::TargetStillThere() const
{
    for (uint32_t i = 0; i < world.liveCount; ++i)
    {
        double dx = world.live[i]->x - targetX;
        double dy = world.live[i]->y - targetY;
        if (dx * dx + dy * dy < kTargetReachSq)
            return true;
    }
    return false;
}
