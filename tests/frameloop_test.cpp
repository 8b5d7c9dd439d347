#include <SDL.h>

#include "bench.h"
#include "frameloop.h"

namespace {

// A scripted loop: the quit request shows up on a chosen iteration, the
// timeline ends on another, and the calls to draw_frame are counted.
int iteration;
int quit_on;
int timeline_ends_on;
int frames_drawn;

bool scripted_quit() { return ++iteration >= quit_on; }

int counting_frame()
{
    ++frames_drawn;
    return frames_drawn < timeline_ends_on ? 1 : 0;
}

// Escape pressed and released while the third frame draws: a tap shorter
// than one slow frame.
constexpr int tap_during = 3;

void push_escape(Uint8 type)
{
    SDL_Event key = {};
    key.type = type;
    key.key.keysym.sym = SDLK_ESCAPE;
    SDL_PushEvent(&key);
}

int tapping_frame()
{
    if (frames_drawn + 1 == tap_during) {
        push_escape(SDL_KEYDOWN);
        push_escape(SDL_KEYUP);
    }
    return counting_frame();
}

int run(int quit_iteration, int end_iteration)
{
    iteration = frames_drawn = 0;
    quit_on = quit_iteration;
    timeline_ends_on = end_iteration;
    return run_frames(scripted_quit, counting_frame);
}

TEST(FrameLoop, QuitHeldFromTheStartStillDrawsOneFrame)
{
    EXPECT_EQ(1, run(1, 1000));
    EXPECT_EQ(1, frames_drawn);
}

TEST(FrameLoop, FrameOfTheIterationThatSeesTheQuitIsDrawnThenTheLoopEnds)
{
    EXPECT_EQ(5, run(5, 1000));
}

TEST(FrameLoop, EndsWhenTheTimelineReturnsZero)
{
    EXPECT_EQ(30, run(1000, 30));
}

TEST(FrameLoop, RealDemoTimelineDrawsNothingOnItsFirstCallWhenEscapeIsHeld)
{
    bench::open();
    offline::set_time(0);
    SDL_GetKeyState(nullptr)[SDLK_ESCAPE] = 1;
    EXPECT_EQ(1, run_frames(quit_requested, draw_frame));
    EXPECT_EQ(0, offline::presented_frames()) << "part 0 presents no frame";
}

class QuitRequest : public testing::Test {
protected:
    void SetUp() override { bench::open(); }
};

TEST_F(QuitRequest, NoneWhileTheQueueHoldsOnlyOtherEvents)
{
    SDL_Event key = {};
    key.type = SDL_KEYDOWN;
    key.key.keysym.sym = SDLK_SPACE;
    SDL_PushEvent(&key);
    EXPECT_FALSE(quit_requested());
}

TEST_F(QuitRequest, QuitEventAmongOthersIsSeenAndTheQueueDrained)
{
    SDL_Event event = {};
    event.type = SDL_MOUSEMOTION;
    SDL_PushEvent(&event);
    event.type = SDL_QUIT;
    SDL_PushEvent(&event);
    event.type = SDL_MOUSEMOTION;
    SDL_PushEvent(&event);
    EXPECT_TRUE(quit_requested());
    EXPECT_EQ(0, SDL_PollEvent(&event)) << "the queue is drained";
    EXPECT_FALSE(quit_requested());
}

TEST_F(QuitRequest, EscapeTappedWithinOneFrameEndsTheRunAfterTheNextFrame)
{
    frames_drawn = 0;
    timeline_ends_on = 1000;
    EXPECT_EQ(tap_during + 1, run_frames(quit_requested, tapping_frame));
    EXPECT_EQ(0, SDL_GetKeyState(nullptr)[SDLK_ESCAPE]) << "the key is up again: only its event ends the run";
}

TEST_F(QuitRequest, EscapeHeldIsAQuitWithoutAnyKeyEvent)
{
    SDL_GetKeyState(nullptr)[SDLK_ESCAPE] = 1;
    EXPECT_TRUE(quit_requested());
    SDL_GetKeyState(nullptr)[SDLK_ESCAPE] = 0;
    EXPECT_FALSE(quit_requested());
}

}  // namespace
