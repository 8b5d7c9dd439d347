#include <cstdlib>

#include <gtest/gtest.h>

#include "glibc_rand.h"

// The web build's rand against the C library's own, unseeded and after
// seeds at the edges of the seeding arithmetic: 0 (taken for 1) and the
// seeds that start its signed word negative.
TEST(GlibcRand, FirstThousandValuesMatchTheNativeLibrary)
{
    const auto expect_same_thousand = [](const char *after) {
        for (int i = 0; i < 1000; ++i)
            ASSERT_EQ(std::rand(), glibc_rand::next()) << "value " << i << " " << after;
    };
    expect_same_thousand("unseeded");
    for (unsigned int seed : {0u, 1u, 2u, 12345u, 2147483647u, 2147483648u, 4294967295u}) {
        std::srand(seed);
        glibc_rand::seed(seed);
        expect_same_thousand(("after seed " + std::to_string(seed)).c_str());
    }
}
