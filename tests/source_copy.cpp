#include "source_copy.h"

#include <cstring>
#include <filesystem>

#include "spawn.h"

namespace fs = std::filesystem;

namespace {

constexpr const char *tile_wave_clear = "glClearColor(1, 1, 1, 1);";

}  // namespace

std::string copy_and_build(const std::string &root, SourceCopy &copy)
{
    copy = {root, root + "/build", root + "/src/tilewave.cpp"};
    std::error_code failed;
    fs::remove_all(root, failed);
    fs::create_directories(root, failed);
    for (const fs::directory_entry &entry : fs::directory_iterator(SOURCE_DIR)) {
        const std::string name = entry.path().filename();
        if (name.rfind("build", 0) != 0 && name != ".git")
            fs::copy(entry.path(), root + "/" + name, fs::copy_options::recursive, failed);
    }
    if (failed)
        return "cannot copy the sources: " + failed.message();
    SpawnOptions options;
    options.directory = root;
    const Spawned configured =
        spawn({CMAKE_COMMAND, "-S", root, "-B", copy.build, "-DCMAKE_BUILD_TYPE=" BUILD_TYPE}, options);
    if (configured.status != 0)
        return configured.out + configured.err;
    const Spawned built = spawn({CMAKE_COMMAND, "--build", copy.build, "--target", "demo_scenes", "-j2"}, options);
    return built.status == 0 ? "" : built.out + built.err;
}

reload::Config reload_config(const SourceCopy &copy)
{
    return {copy.root + "/src", {CMAKE_COMMAND, "--build", copy.build, "--target", "demo_scenes"},
            copy.build + "/src/libdemo_scenes.so"};
}

std::string with_clear_colour(const std::string &source, const std::string &colour)
{
    std::string changed = source;
    return changed.replace(changed.find(tile_wave_clear), std::strlen(tile_wave_clear),
                           "glClearColor(" + colour + ");");
}
