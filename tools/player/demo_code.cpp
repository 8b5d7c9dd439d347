#include "demo_code.h"

#include "view.h"

namespace {

int step(Step how) { return how == Step::draw ? draw_frame() : skip_frame(); }

constexpr DemoCode code = {step, rewind_demo, &currentPart, platform_install, setup_view};

}  // namespace

extern "C" const DemoCode *demo_code() { return &code; }
