// The C library's rand and srand, replaced by glibc's sequence so that the
// scenes draw the same stars, cubes and branches as the native demo.
#include <cstdlib>

#include "glibc_rand.h"

extern "C" {

int rand() { return glibc_rand::next(); }

void srand(unsigned int seed) { glibc_rand::seed(seed); }

}
