#pragma once

#include <string>
#include <utility>
#include <vector>

// Runs a program without a shell, its output kept in files under a working
// directory, and reports how it ended.
struct Spawned {
    bool exited = false;  // false when it died from a signal or was killed
    int status = -1;
    std::string out, err;
};

struct SpawnOptions {
    std::string directory;  // the working directory, also where its output is kept
    std::vector<std::pair<std::string, std::string>> environment;  // added to the test's own
    std::vector<std::string> unset;                                 // removed from the test's own
    int signal = 0;         // sent after signal_after_ms when non-zero
    int signal_after_ms = 0;
    int kill_after_ms = 120000;
    std::vector<int> closed;  // standard descriptors the program starts without, as 2>&- leaves them
};

// argv[0] is looked up on PATH when it has no slash.
Spawned spawn(const std::vector<std::string> &argv, const SpawnOptions &options);
