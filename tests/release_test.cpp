#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
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

// The package names in a Debian relation list such as "a (>= 1), b:amd64 | c":
// the first word of each alternative, without an architecture.
std::set<std::string> package_names(std::string relations)
{
    std::replace(relations.begin(), relations.end(), '|', ',');
    std::istringstream list(relations);
    std::set<std::string> names;
    for (std::string alternative, name; std::getline(list, alternative, ',');)
        if (std::istringstream(alternative) >> name)
            names.insert(name.substr(0, name.find(':')));
    return names;
}

bool shares_a_name(const std::set<std::string> &a, const std::set<std::string> &b)
{
    return std::any_of(a.begin(), a.end(), [&](const std::string &name) { return b.count(name) > 0; });
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

    std::string output_of(const std::vector<std::string> &argv) { return run(argv).out; }

    void write_program(const std::string &path, const std::string &body)
    {
        std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
        chmod(path.c_str(), 0755);
    }

    void install()
    {
        const Spawned install = run({CMAKE_COMMAND, "--install", BUILD_DIR, "--prefix", folder});
        ASSERT_EQ(0, install.status) << install.err;
    }

    // What the installed install-runtime.sh asks apt to install, with stand-ins
    // for apt and friends that only note it. dpkg_query is the body of a
    // stand-in for dpkg-query, or empty for the real one.
    std::set<std::string> packages_the_script_asks_for(const std::string &dpkg_query)
    {
        const std::string bin = dir + "/bin";
        mkdir(bin.c_str(), 0755);
        write_program(bin + "/apt-get", "echo apt-get \"$@\" >> " + dir + "/asked");
        write_program(bin + "/sudo", "exec \"$@\"");
        write_program(bin + "/id", "echo 1000");
        std::remove((bin + "/dpkg-query").c_str());
        if (!dpkg_query.empty())
            write_program(bin + "/dpkg-query", dpkg_query);
        std::remove((dir + "/asked").c_str());
        SpawnOptions options;
        options.environment = {{"PATH", bin + ":/usr/bin:/bin"}};
        EXPECT_EQ(0, run({"sh", folder + "/install-runtime.sh"}, options).status);

        const std::string asked = read_text(dir + "/asked");
        const std::string install = "apt-get install -y --no-upgrade ";
        EXPECT_EQ(0u, asked.find("apt-get update\n" + install)) << asked;
        std::set<std::string> names;
        std::istringstream words(asked.substr(std::min(asked.size(), asked.find(install) + install.size())));
        for (std::string word; words >> word;)
            names.insert(word);
        return names;
    }
};

TEST_F(Release, InstalledFolderHoldsTheReleaseAndPlaysItsMusicFromAnywhere)
{
    ASSERT_NO_FATAL_FAILURE(install());
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

TEST_F(Release, RuntimeScriptKeepsTheSdlLayerThatIsThere)
{
    ASSERT_NO_FATAL_FAILURE(install());
    const std::set<std::string> bare = packages_the_script_asks_for("exit 1");
    EXPECT_EQ(1u, bare.count("libsdl1.2debian"));
    EXPECT_EQ(0u, bare.count("libsdl1.2-compat-shim"));
    const std::set<std::string> layered = packages_the_script_asks_for("echo install ok installed");
    EXPECT_EQ(0u, layered.count("libsdl1.2debian"));
    EXPECT_EQ(1u, layered.count("libsdl1.2-compat-shim"));
}

// Each library the installed program needs, found where the loader finds
// it, belongs to a package that the script installs on this machine and
// that the .deb depends on (by name or through what the package provides).
TEST_F(Release, EveryLibraryTheProgramNeedsComesWithTheScriptAndTheDeb)
{
    ASSERT_NO_FATAL_FAILURE(install());
    const std::set<std::string> script = packages_the_script_asks_for("");
    const Spawned pack =
        run({CPACK_COMMAND, "--config", BUILD_DIR "/CPackConfig.cmake", "-G", "DEB", "-B", dir + "/deb"});
    ASSERT_EQ(0, pack.status) << pack.out << pack.err;
    std::string deb = output_of({"sh", "-c", "ls deb/*.deb"});
    deb = dir + "/" + deb.substr(0, deb.find('\n'));
    const std::set<std::string> depends = package_names(output_of({"dpkg-deb", "-f", deb, "Depends"}));
    const std::string launcher = "./opt/plums-under-glass/plums-under-glass\n";
    EXPECT_NE(std::string::npos, output_of({"dpkg-deb", "-c", deb}).find(launcher));

    const std::string program = folder + "/demo";
    const std::string loaded = output_of({"ldd", program});
    std::istringstream dynamic(output_of({"readelf", "-d", program}));
    int needed = 0;
    for (std::string line; std::getline(dynamic, line);) {
        if (line.find("(NEEDED)") == std::string::npos)
            continue;
        ++needed;
        const std::size_t open = line.find('[');
        const std::string library = line.substr(open + 1, line.find(']') - open - 1);
        const std::size_t at = loaded.find("\t" + library + " => ");
        ASSERT_NE(std::string::npos, at) << library << " is not found by the loader";
        std::string path;
        std::istringstream(loaded.substr(at + library.size() + 5)) >> path;
        // Merged /usr: dpkg may know the file under either name.
        std::string owners = output_of({"dpkg-query", "-S", path});
        if (owners.empty())
            owners = output_of({"dpkg-query", "-S", "/usr" + path});
        std::set<std::string> owner = package_names(owners.substr(0, owners.rfind(": ")));
        ASSERT_FALSE(owner.empty()) << library << " at " << path << " belongs to no package";
        for (const std::string &package : std::set<std::string>(owner)) {
            const std::string provides = output_of({"dpkg-query", "-W", "-f", "${Provides}", package});
            for (const std::string &provided : package_names(provides))
                owner.insert(provided);
        }
        EXPECT_TRUE(shares_a_name(owner, script)) << library << " at " << path << ": no package the script installs";
        EXPECT_TRUE(shares_a_name(owner, depends)) << library << " at " << path << ": no package the .deb depends on";
    }
    EXPECT_GT(needed, 0);
}

}  // namespace
