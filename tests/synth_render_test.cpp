// The build's synthesizer program: the same source renders the same samples every time.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "mp3_fixtures.h"

namespace {

std::vector<unsigned char> render(const std::string &path)
{
    const std::string command = std::string("'" SYNTH_EXECUTABLE "' '") + path + "' > /dev/null";
    EXPECT_EQ(0, std::system(command.c_str()));
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t le32(const std::vector<unsigned char> &b, std::size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t(b[at + 3]) << 24;
}

}  // namespace

TEST(SynthProgram, WritesTheSameWavOnEveryRun)
{
    const std::string dir = make_temp_dir(), a = dir + "/a.wav", b = dir + "/b.wav";
    const std::vector<unsigned char> first = render(a);
    const std::vector<unsigned char> second = render(b);
    std::remove(a.c_str());
    std::remove(b.c_str());
    rmdir(dir.c_str());
    ASSERT_GT(first.size(), 44u);
    EXPECT_TRUE(first == second);
    // 16-bit stereo at 44.1 kHz, every sample accounted for in the header.
    EXPECT_EQ(44100u, le32(first, 24));
    EXPECT_EQ(2, first[22]);
    EXPECT_EQ(16, first[34]);
    EXPECT_EQ(first.size() - 44, le32(first, 40));
    EXPECT_GE((first.size() - 44) / 4.0 / 44100.0, 125.0);
}
