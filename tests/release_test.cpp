#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
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

    static SpawnOptions running_a_while(const std::string &directory)
    {
        SpawnOptions options;
        options.directory = directory;
        options.signal = SIGTERM;
        options.signal_after_ms = 3000;
        return options;
    }

    // The .deb packed from the build; its path.
    std::string pack_deb()
    {
        const Spawned pack =
            run({CPACK_COMMAND, "--config", BUILD_DIR "/CPackConfig.cmake", "-G", "DEB", "-B", dir + "/deb"});
        EXPECT_EQ(0, pack.status) << pack.out << pack.err;
        const std::string listed = output_of({"sh", "-c", "ls deb/*.deb"});
        return dir + "/" + listed.substr(0, listed.find('\n'));
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
    // launcher finds it, also through a link as on PATH. Both run a few
    // seconds and stop on a TERM.
    const std::string elsewhere = make_temp_dir();
    const std::string link = elsewhere + "/plums-under-glass";
    ASSERT_EQ(0, symlink((folder + "/plums-under-glass").c_str(), link.c_str()));
    const Spawned bare = run({folder + "/demo"}, running_a_while(elsewhere));
    EXPECT_EQ(0u, bare.out.find("Mix_LoadMUS(): ")) << bare.out;
    const Spawned launched = run({link}, running_a_while(elsewhere));
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

TEST_F(Release, DebPutsACommandAndADesktopEntryBesideTheFolderAndLeavesOptToTheSystem)
{
    const std::string contents = output_of({"dpkg-deb", "-c", pack_deb()});
    for (const char *entry : {" ./opt/plums-under-glass/plums-under-glass\n",
                              " ./usr/bin/plums-under-glass -> /opt/plums-under-glass/plums-under-glass\n",
                              " ./usr/share/applications/plums-under-glass.desktop\n",
                              " ./usr/share/icons/hicolor/256x256/apps/plums-under-glass.png\n"})
        EXPECT_NE(std::string::npos, contents.find(entry)) << entry << contents;
    EXPECT_EQ(std::string::npos, contents.find(" ./opt/\n")) << "dpkg would take /opt for the package's own";
    const std::string entry = read_text(RELEASE_DIR "/plums-under-glass.desktop");
    for (const char *line : {"Exec=plums-under-glass\n", "Icon=plums-under-glass\n"})
        EXPECT_NE(std::string::npos, entry.find(line)) << line;
}

// Installed packages with what each brings: every alternative of its
// Pre-Depends and Depends. A name stands for the packages providing it.
struct Installed {
    std::map<std::string, std::set<std::string>> providers, depends;

    // Read from dpkg-query -W -f in this format.
    static constexpr const char *format =
        "${db:Status-Abbrev}\t${Package}\t${Provides}\t${Pre-Depends}, ${Depends}\n";
    explicit Installed(const std::string &listing)
    {
        std::istringstream list(listing);
        for (std::string status, package, provides, relations;
             std::getline(list, status, '\t') && std::getline(list, package, '\t') &&
             std::getline(list, provides, '\t') && std::getline(list, relations);)
            if (status == "ii ") {
                for (const std::string &name : package_names(provides + "," + package))
                    providers[name].insert(package);
                depends[package] = package_names(relations);
            }
    }

    std::set<std::string> providing(const std::set<std::string> &names) const
    {
        std::set<std::string> packages;
        for (const std::string &name : names)
            if (providers.count(name))
                packages.insert(providers.at(name).begin(), providers.at(name).end());
        return packages;
    }

    // The packages that names bring: those providing them and all they depend on.
    std::set<std::string> brought_by(const std::set<std::string> &names) const
    {
        std::set<std::string> brought;
        for (std::set<std::string> next = providing(names); !next.empty();) {
            std::set<std::string> wanted;
            for (const std::string &package : next)
                if (brought.insert(package).second)
                    wanted.insert(depends.at(package).begin(), depends.at(package).end());
            next = providing(wanted);
        }
        return brought;
    }
};

// The path a library has in dpkg's lists: merged /usr gives it two names.
std::string without_usr(const std::string &path) { return path.rfind("/usr/", 0) == 0 ? path.substr(4) : path; }

// Every library the installed program loads in a real run, named in it or
// opened at run time (SDL's GL, the driver GL picks, X's), belongs to a
// package that the script brings and that the .deb brings, through what it
// depends on or recommends. Those it names are read off the program, so
// their packages are named outright.
TEST_F(Release, EveryLibraryTheProgramLoadsComesWithTheScriptAndTheDeb)
{
    ASSERT_NO_FATAL_FAILURE(install());
    const Installed installed(output_of({"dpkg-query", "-W", "-f", Installed::format}));
    const std::set<std::string> script = installed.providing(packages_the_script_asks_for(""));
    const std::string deb = pack_deb();
    const std::set<std::string> depends = installed.providing(package_names(output_of({"dpkg-deb", "-f", deb, "Depends"})));
    const std::set<std::string> recommends =
        installed.providing(package_names(output_of({"dpkg-deb", "-f", deb, "Recommends"})));
    for (const std::string &package : recommends)
        EXPECT_EQ(1u, script.count(package)) << package << ": recommended by the .deb, not installed by the script";
    std::set<std::string> wanted = recommends;
    wanted.insert(depends.begin(), depends.end());
    const std::set<std::string> from_script = installed.brought_by(script), from_deb = installed.brought_by(wanted);

    SpawnOptions options = running_a_while(dir);
    options.environment = {{"LD_DEBUG", "files"}};
    std::istringstream debug(run({folder + "/demo"}, options).err);
    std::vector<std::string> loaded;
    const std::string init = "calling init: ";
    for (std::string line; std::getline(debug, line);)
        if (line.find(init) != std::string::npos)
            loaded.push_back(line.substr(line.find(init) + init.size()));
    ASSERT_GT(loaded.size(), 10u);

    std::vector<std::string> query = {"dpkg-query", "-S"};
    for (const std::string &path : loaded)
        query.insert(query.end(), {without_usr(path), "/usr" + without_usr(path)});
    std::map<std::string, std::set<std::string>> owners;
    std::istringstream owned(output_of(query));
    for (std::string line; std::getline(owned, line);)
        owners[without_usr(line.substr(line.rfind(": ") + 2))] = package_names(line.substr(0, line.rfind(": ")));
    const std::string named = output_of({"readelf", "-d", folder + "/demo"});
    for (const std::string &path : loaded) {
        const std::set<std::string> &owner = owners[without_usr(path)];
        ASSERT_FALSE(owner.empty()) << path << " belongs to no package";
        EXPECT_TRUE(shares_a_name(owner, from_script)) << path << ": no package the script brings";
        EXPECT_TRUE(shares_a_name(owner, from_deb)) << path << ": no package the .deb brings";
        if (named.find("[" + path.substr(path.rfind('/') + 1) + "]") != std::string::npos) {
            EXPECT_TRUE(shares_a_name(owner, script)) << path << ": named in the program, not by the script";
            EXPECT_TRUE(shares_a_name(owner, depends)) << path << ": named in the program, not by the .deb";
        }
    }
}

}  // namespace
