#pragma once

// The sequence glibc's rand gives, for the web build, whose C library has
// another one: the scenes place every star, cube and branch by it. glibc's
// rand is its random() with the default state: an additive feedback
// generator of 31 words, r[i] = r[i-3] + r[i-31], each result r[i] >> 1.
namespace glibc_rand {

// Seeds as glibc's srand does; 0 is taken for 1. An unseeded generator
// starts as one seeded with 1.
void seed(unsigned int value);

// The next value, 0 to 2^31 - 1.
int next();

}  // namespace glibc_rand
