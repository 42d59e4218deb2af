// The two celebration screens in the screen loop on a game window: they end
// on the release of a key or the button or on a close request, and give back
// the cursor and their pictures.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include <GL/gl.h>
#include <wx/image.h>
#include <wx/timer.h>

#include "screens/level_complete_screen.h"
#include "screens/stage_complete_screen.h"
#include "shell/game_window.h"
#include "shell/graphics.h"
#include "shell/input.h"
#include "shell/textures.h"
#include "world/play_session.h"
#include "tests/screens/screen_test_window.h"

namespace {

const int32_t kSpace = 32;

void Send(int32_t code, int32_t key = 0)
{
    g_graphics->inputCallback(g_graphics->inputContext, code, &key);
}

// Acts between the frames of the screen whose input handler is `callback`;
// the action returns false once it has sent what ends the screen.
template <typename Screen>
class ScreenPlayer : public wxTimer
{
public:
    ScreenPlayer(InputCallback callback, std::function<bool(Screen&, int)> act)
        : m_callback(callback), m_act(std::move(act))
    {
    }

    void Notify() override
    {
        if (!g_graphics->active || g_graphics->inputCallback != m_callback || m_finished)
            return;
        auto* screen = static_cast<Screen*>(g_graphics->inputContext);
        if (++m_tick > 2000)
        {
            ADD_FAILURE() << "the screen did not end";
            Send(InputClose);
            m_finished = true;
            return;
        }
        m_finished = !m_act(*screen, m_tick);
    }

    std::vector<GLuint> textures;

    void Hold(std::initializer_list<const TextureRecord*> records)
    {
        textures.clear();
        for (const TextureRecord* r : records)
            if (r && r->valid)
                textures.push_back(r->name);
    }

private:
    InputCallback m_callback;
    std::function<bool(Screen&, int)> m_act;
    int m_tick = 0;
    bool m_finished = false;
};

void ExpectGivenBack(const std::vector<GLuint>& textures, size_t handlers)
{
    EXPECT_EQ(g_inputHandlers.size(), handlers);
    EXPECT_EQ(g_graphics->hideCount, 0) << "the cursor is shown again";
    EXPECT_GE(textures.size(), 3u);
    g_graphics->stage->MakeCurrent();
    for (GLuint name : textures)
        EXPECT_FALSE(glIsTexture(name)) << "texture " << name << " left behind";
}

void RunRain(PlaySession& session, const std::function<bool(CLevelCompleteScreen&, int)>& act)
{
    size_t handlers = g_inputHandlers.size();
    ScreenPlayer<CLevelCompleteScreen> player(CLevelCompleteScreen::OnInput, [&](CLevelCompleteScreen& s, int tick) {
        player.Hold({s.bubbleTexture, s.levelTexture, s.digitsTexture, s.levelLabelTexture, s.completedTexture});
        EXPECT_EQ(g_graphics->hideCount, 1) << "hidden, not captured";
        EXPECT_EQ(g_graphics->captureCount, 0);
        return act(s, tick);
    });
    player.Start(15);
    RunLevelCompleteScreen(&session);
    player.Stop();
    ExpectGivenBack(player.textures, handlers);
}

void RunFireworks(PlaySession& session, const std::function<bool(CStageCompleteScreen&, int)>& act)
{
    size_t handlers = g_inputHandlers.size();
    ScreenPlayer<CStageCompleteScreen> player(CStageCompleteScreen::OnInput, [&](CStageCompleteScreen& s, int tick) {
        player.Hold({s.stageTexture, s.captionTexture, s.sparkAtlas.texture});
        EXPECT_EQ(g_graphics->hideCount, 1);
        return act(s, tick);
    });
    player.Start(15);
    RunStageCompleteScreen(&session);
    player.Stop();
    ExpectGivenBack(player.textures, handlers);
}

} // namespace

TEST(LevelCompleteScreen, EndsWhenSpaceIsReleasedNotPressed)
{
    PlaySession session{};
    session.difficulty = 2;
    session.stage = 3;
    session.level = 9;
    session.levelTime = 75;
    RunRain(session, [](CLevelCompleteScreen& s, int tick) {
        if (tick == 1)
        {
            EXPECT_EQ(s.stage, 3u);
            EXPECT_EQ(s.level, 9u);
            EXPECT_EQ(s.levelTime, 75u);
            EXPECT_EQ(s.colourCount, 11u);
            EXPECT_NEAR(s.ax, 16.0 / 9, 1e-12);
            Send(InputKeyDown, kSpace);
            Send(InputChar, kSpace);
            return true;
        }
        if (tick < 40)
        {
            EXPECT_EQ(s.done, 0);
            return true;
        }
        EXPECT_GT(s.clock, 0);
        Send(InputKeyUp, kSpace);
        return false;
    });
}

TEST(LevelCompleteScreen, CloseRequestEndsWithoutAQuit)
{
    PlaySession session{};
    RunRain(session, [](CLevelCompleteScreen&, int) {
        Send(InputClose);
        return false;
    });
    EXPECT_FALSE(IsQuitRequested());
}

TEST(StageCompleteScreen, EndsWhenTheButtonIsReleased)
{
    PlaySession session{};
    session.stage = 1;
    RunFireworks(session, [](CStageCompleteScreen& s, int tick) {
        if (tick == 1)
        {
            InputPoint p{20, 30};
            g_graphics->inputCallback(g_graphics->inputContext, InputLeftDown, &p);
            return true;
        }
        if (tick < 40)
        {
            EXPECT_EQ(s.done, 0);
            return true;
        }
        EXPECT_GT(s.rocketCount + s.particleCount, 0u) << "the display is under way";
        InputPoint p{20, 30};
        g_graphics->inputCallback(g_graphics->inputContext, InputLeftUp, &p);
        return false;
    });
}

TEST(StageCompleteScreen, EscapeAndCloseEndIt)
{
    PlaySession session{};
    RunFireworks(session, [](CStageCompleteScreen& s, int) {
        Send(InputKeyDown, 27);
        Send(InputKeyUp, 27);
        EXPECT_EQ(s.done, 1);
        return false;
    });
    RunFireworks(session, [](CStageCompleteScreen&, int) {
        Send(InputClose);
        return false;
    });
    EXPECT_FALSE(IsQuitRequested());
}
