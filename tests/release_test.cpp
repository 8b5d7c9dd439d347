#include <signal.h>
#include <sys/stat.h>

#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "mp3_fixtures.h"
#include "spawn.h"

namespace {

// The card that demo parties show next to the release.
constexpr std::size_t diz_lines = 10;
constexpr std::size_t diz_width = 45;

std::vector<std::string> read_lines(const std::string &path)
{
    std::ifstream file(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);)
        lines.push_back(line);
    return lines;
}

std::string read_text(const std::string &path)
{
    std::string text;
    for (const std::string &line : read_lines(path))
        text += line + "\n";
    return text;
}

bool executable(const std::string &path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && (info.st_mode & S_IXUSR);
}

TEST(ReleaseCard, FitsTenLinesOfFortyFiveAndNamesTheReleaseAndItsMakers)
{
    const std::vector<std::string> lines = read_lines(RELEASE_DIR "/file_id.diz");
    EXPECT_LE(lines.size(), diz_lines);
    for (const std::string &line : lines) {
        EXPECT_LE(line.size(), diz_width) << line;
        for (char c : line)
            EXPECT_TRUE(c >= ' ' && c <= '~') << "not plain ASCII: " << line;
    }
    const std::string card = read_text(RELEASE_DIR "/file_id.diz");
    for (const char *needed : {"plums under glass", "tavilo 2008", "vetra", "kostival groove", "zomka"})
        EXPECT_NE(std::string::npos, card.find(needed)) << needed;
}

class Release : public testing::Test {
protected:
    std::string dir = make_temp_dir();
    std::string folder = dir + "/plums-under-glass";

    Spawned run(const std::vector<std::string> &argv, SpawnOptions options = {})
    {
        if (options.directory.empty())
            options.directory = dir;
        return spawn(argv, options);
    }

    void write_program(const std::string &path, const std::string &body)
    {
        std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
        chmod(path.c_str(), 0755);
    }
};

TEST_F(Release, InstalledFolderHoldsTheReleaseAndPlaysItsMusicFromAnywhere)
{
    const Spawned install = run({CMAKE_COMMAND, "--install", BUILD_DIR, "--prefix", folder});
    ASSERT_EQ(0, install.status) << install.err;
    EXPECT_TRUE(executable(folder + "/demo"));
    EXPECT_TRUE(executable(folder + "/plums-under-glass"));
    EXPECT_TRUE(executable(folder + "/install-runtime.sh"));
    EXPECT_EQ(read_text(RELEASE_DIR "/file_id.diz"), read_text(folder + "/file_id.diz"));
    EXPECT_FALSE(read_text(folder + "/plums-under-glass.txt").empty());
    EXPECT_FALSE(read_text(folder + "/data/tapestrybeats.mp3").empty());

    // Started from elsewhere, the program alone misses its music; the
    // launcher finds it. Both run a few seconds and stop on a TERM.
    const std::string elsewhere = make_temp_dir();
    SpawnOptions options;
    options.directory = elsewhere;
    options.signal = SIGTERM;
    options.signal_after_ms = 3000;
    const Spawned bare = run({folder + "/demo"}, options);
    EXPECT_EQ(0u, bare.out.find("Mix_LoadMUS(): ")) << bare.out;
    const Spawned launched = run({folder + "/plums-under-glass"}, options);
    ASSERT_TRUE(launched.exited) << launched.err;
    EXPECT_EQ(0, launched.status) << launched.err;
    EXPECT_EQ("", launched.out);
}

TEST_F(Release, RuntimeScriptAsksAptForTheLibrariesAndKeepsTheSdlLayer)
{
    // Stand-ins for apt and friends that only note what they were asked.
    const std::string bin = dir + "/bin";
    mkdir(bin.c_str(), 0755);
    write_program(bin + "/apt-get", "echo apt-get \"$@\" >> " + dir + "/asked");
    write_program(bin + "/sudo", "exec \"$@\"");
    write_program(bin + "/id", "echo 1000");
    SpawnOptions options;
    options.environment = {{"PATH", bin + ":/usr/bin:/bin"}};

    write_program(bin + "/dpkg-query", "exit 1");
    ASSERT_EQ(0, run({"sh", RELEASE_DIR "/install-runtime.sh"}, options).status);
    EXPECT_EQ("apt-get update\napt-get install -y libsdl1.2debian libsdl-mixer1.2 libgl1 libgl1-mesa-dri libmad0\n",
              read_text(dir + "/asked"));

    std::remove((dir + "/asked").c_str());
    write_program(bin + "/dpkg-query", "echo install ok installed");
    ASSERT_EQ(0, run({"sh", RELEASE_DIR "/install-runtime.sh"}, options).status);
    EXPECT_NE(std::string::npos, read_text(dir + "/asked").find("install -y libsdl1.2-compat-shim libsdl-mixer1.2"));
}

}  // namespace
