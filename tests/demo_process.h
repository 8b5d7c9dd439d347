#pragma once

#include <string>
#include <utility>
#include <vector>

// Runs the built demo executable as a user would, in a chosen working
// directory and environment, and reports how it ended.
struct DemoRun {
    bool exited = false;  // false when it died from a signal or was killed
    int status = -1;
    std::string out, err;
    double seconds = 0;
};

struct DemoOptions {
    std::string directory;
    std::vector<std::pair<std::string, std::string>> environment;  // added to the test's own
    int signal = 0;            // sent after signal_after_ms when non-zero
    int signal_after_ms = 0;
    int kill_after_ms = 20000;  // a hung demo is killed and reported as not exited
};

DemoRun run_demo(const DemoOptions &options);
