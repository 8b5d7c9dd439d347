#include "glibc_rand.h"

#include <array>
#include <cstdint>

namespace glibc_rand {

namespace {

constexpr int degree = 31;      // words of state
constexpr int separation = 3;   // the lag of the second tap
constexpr int warm_up = 10 * degree;  // results glibc throws away after seeding

struct State {
    std::array<std::uint32_t, degree> r{};
    int front = 0;  // the word that takes the sum; it runs `separation` ahead of rear
    int rear = 0;
    bool seeded = false;
};

State state;

std::uint32_t step()
{
    const std::uint32_t sum = state.r[state.front] + state.r[state.rear];
    state.r[state.front] = sum;
    state.front = (state.front + 1) % degree;
    state.rear = (state.rear + 1) % degree;
    return sum >> 1;
}

}  // namespace

void seed(unsigned int value)
{
    if (value == 0)
        value = 1;
    // Park and Miller's minimal standard generator fills the state, in
    // Schrage's form so that nothing overflows. Its word is a signed 32-bit
    // number, so a seed of 2^31 or more starts it negative, as in glibc.
    std::int32_t word = static_cast<std::int32_t>(value);
    state.r[0] = value;
    for (int i = 1; i < degree; ++i) {
        const std::int32_t hi = word / 127773;
        const std::int32_t lo = word % 127773;
        word = 16807 * lo - 2836 * hi;
        if (word < 0)
            word += 2147483647;
        state.r[i] = static_cast<std::uint32_t>(word);
    }
    state.front = separation;
    state.rear = 0;
    state.seeded = true;
    for (int i = 0; i < warm_up; ++i)
        step();
}

int next()
{
    if (!state.seeded)
        seed(1);
    return static_cast<int>(step());
}

}  // namespace glibc_rand
