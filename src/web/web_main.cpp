// The demo in a browser. The page calls these from its start screen and from
// its animation frames, one step of the timeline each; the timeline, the
// scenes and the view are the native demo's own.

#include <algorithm>
#include <vector>

#include <emscripten.h>
#include <emscripten/html5.h>

#include "fixed_gl.h"
#include "partit.h"
#include "platform.h"
#include "timeline.h"
#include "view.h"

namespace {

constexpr const char *canvas_selector = "#demo";

// The tick at which the music starts: the capture tool's clock gives the
// demo's first frame this tick and starts the music with it.
constexpr Tick music_start = offline::default_start;

// The capture's frame rate unless it is told another.
constexpr offline::Rate capture_rate;

enum OpenResult { opened = 0, no_webgl = 1, no_program = 2 };

Tick demo_now;       // ms: the demo's clock, set before every step of the timeline
long capture_frame;  // frame number on the capture's clock, in the test mode

Tick demo_ticks() { return demo_now; }

}  // namespace

extern "C" {

// Opens WebGL on the page's canvas and gets the demo ready to start at this
// size. Returns an OpenResult.
EMSCRIPTEN_KEEPALIVE int web_open(int width, int height)
{
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    // Opaque like a window, and no multisampling, as the native demo's GL.
    attributes.alpha = false;
    attributes.antialias = false;
    attributes.majorVersion = 1;
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = emscripten_webgl_create_context(canvas_selector, &attributes);
    if (context <= 0)
        return no_webgl;
    emscripten_webgl_make_context_current(context);
    if (!fixed_gl_open())
        return no_program;
    platform_install(demo_ticks, nullptr);
    setup_view(width, height);
    return opened;
}

// The window changed size: between two frames the model-view matrix is the
// base one, so the view can be set again as at start-up.
EMSCRIPTEN_KEEPALIVE void web_resize(int width, int height) { setup_view(width, height); }

// Back to the state of a fresh start: GL, the timeline, every scene and
// rand's sequence. The first step, which only leaves part 0, is taken at the
// music's start, so part 1 begins with the music.
EMSCRIPTEN_KEEPALIVE void web_rewind(int width, int height)
{
    fixed_gl_reset();
    setup_view(width, height);
    rewind_demo();
    demo_now = music_start;
    capture_frame = 0;
    draw_frame();
}

// One iteration of the frame loop at this position of the music (ms since
// its start): one frame drawn. Returns 0 once the demo has ended.
EMSCRIPTEN_KEEPALIVE int web_frame(double music_ms)
{
    const Tick now = std::max(demo_now, music_start + static_cast<Tick>(std::max(music_ms, 0.0)));
    // Each part is set up at its cue and hands over where its time runs out,
    // wherever the frames fall, so that after a seek, a stall or a hidden tab
    // the scenes are where the music is. A part passed over whole is still
    // set up and stepped once, for what it leaves to the parts after it.
    while (currentPart >= 1 && currentPart < final_part) {
        const Tick elapsed = now - partBeginTime;
        if (!partInited && elapsed > 0) {
            demo_now = partBeginTime;
        } else if (elapsed > partDuration[currentPart] + 1) {
            demo_now = partBeginTime + partDuration[currentPart] + 1;
        } else {
            break;
        }
        if (!skip_frame())
            return 0;
    }
    demo_now = now;
    return draw_frame();
}

// The test mode: from a fresh start, steps on the capture's clock to the
// frame it writes for this time and draws it. Returns the part drawn, 0 when
// the time is past the demo's end.
EMSCRIPTEN_KEEPALIVE int web_moment(double seconds)
{
    const long target = offline::frame_at(seconds, capture_rate);
    for (capture_frame = 0; capture_frame < target; ++capture_frame) {
        demo_now = offline::frame_tick(music_start, capture_rate, capture_frame);
        if (!offline::next_frame(Step::skip))
            return 0;
    }
    demo_now = offline::frame_tick(music_start, capture_rate, capture_frame);
    return offline::next_frame(Step::draw);
}

// The median time of the next frames on the capture's clock after
// web_moment, in ms, each from an idle rasterizer to a finished frame.
EMSCRIPTEN_KEEPALIVE double web_frame_time(int frames)
{
    std::vector<double> times;
    fixed_gl_finish();
    for (int i = 0; i < frames; ++i) {
        demo_now = offline::frame_tick(music_start, capture_rate, ++capture_frame);
        const double begin = emscripten_get_now();
        offline::next_frame(Step::draw);
        fixed_gl_finish();
        times.push_back(emscripten_get_now() - begin);
    }
    if (times.empty())
        return 0;
    std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
    return times[times.size() / 2];
}

// The part on screen, 1 to 7; 0 before the first step, 8 after the last.
EMSCRIPTEN_KEEPALIVE int web_part() { return currentPart; }

// When the current part began, in ms of the music.
EMSCRIPTEN_KEEPALIVE int web_part_begin() { return static_cast<int>(partBeginTime - music_start); }

}  // extern "C"
