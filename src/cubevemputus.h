#pragma once

#include <array>
#include <cstddef>

#include "platform.h"

// The title of the cube scene settles out of noise, one character every
// title_settle_ms from the scene's start, left to right.
constexpr char title_text[] = "plums under glass";
constexpr std::size_t title_length = sizeof title_text - 1;
constexpr Tick title_settle_ms = 200;

using TitleBuffer = std::array<char, 100>;

// Writes the title as it reads `elapsed` ms after the scene began into
// out[0..title_length - 1] and terminates it. Takes exactly one rand() per
// character, settled or not, so later scenes see the same random numbers
// whatever the title shows.
void scramble_title(Tick elapsed, TitleBuffer &out);
