#pragma once

#include <string>
#include <vector>

#include "demo_code.h"

// Reload in place: rebuilds the scene code as a shared library, when asked or
// when a source file is saved, and loads what the build made. The build runs
// beside the player, which plays on with the code it has; a failed build
// leaves that code in place and says why.
namespace reload {

struct Config {
    std::string sources;             // folder whose saved files start a build
    std::vector<std::string> build;  // the command that rebuilds the library
    std::string library;             // the library the build leaves
};

// Takes the configuration; with watch set, saved files under config.sources
// start builds too. Returns why it cannot watch, or an empty string.
std::string setup(const Config &config, bool watch);

// Starts a build, or asks for one more after the one running.
void request();

enum class Event { none, started, loaded, failed };
struct Outcome {
    Event event = Event::none;
    const DemoCode *code = nullptr;    // loaded: the new code
    std::vector<std::string> message;  // failed: the first lines of what went wrong
};

// What has happened since the last call; never waits.
Outcome poll();

// Stops a build still running; the code loaded stays loaded.
void stop();

// The lines of a build's output worth showing: its first error and the lines
// after it, or its last lines when none says error.
std::vector<std::string> first_errors(const std::string &output);

}  // namespace reload
