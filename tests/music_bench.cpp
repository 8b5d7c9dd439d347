#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include <gtest/gtest.h>

#include "music.h"

// The cost of the music check at start-up: reading the soundtrack into memory
// and a walk over every frame header of that copy, on the unsanitized code.
// Measures; judges nothing but that the walk went to the end of the file.
TEST(MusicCheck, ReadAndWalkOverTheSoundtrack)
{
    constexpr int walks = 25;
    struct stat info;
    ASSERT_EQ(0, stat(MUSIC_FILE, &info));
    std::vector<double> ms;
    for (int i = 0; i < walks; ++i) {
        const auto begin = std::chrono::steady_clock::now();
        const CheckedMusic music = read_checked_music(MUSIC_FILE);
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count());
        ASSERT_EQ(nullptr, music.refusal) << music.refusal;
    }
    const double first = ms.front();
    std::sort(ms.begin(), ms.end());
    std::printf("music check over %.1f MB: first read and walk %.2f ms, median %.2f ms, fastest %.2f ms of %d\n",
                info.st_size / 1e6, first, ms[walks / 2], ms.front(), walks);
}
