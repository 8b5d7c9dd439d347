#pragma once

#include <string>

#include "reload.h"

// A copy of the project's sources with a build of its own, where a scene can
// be changed without touching the real tree. Inside the build folder, a
// shared compiler cache finds the same relative paths there.
struct SourceCopy {
    std::string root;
    std::string build;
    std::string scene;  // the tile wave's source, which clears to white
};

// Copies the sources (build folders and .git aside) to root, configures the
// copy and builds its scene library. Returns why it could not, or "".
std::string copy_and_build(const std::string &root, SourceCopy &copy);

// The player's reload in the copy: it watches the copy's src/ and builds there.
reload::Config reload_config(const SourceCopy &copy);

// The tile wave's source with its clear colour changed: one line.
std::string with_clear_colour(const std::string &source, const std::string &colour);
