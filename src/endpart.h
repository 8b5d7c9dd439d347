#pragma once

#include <cstdint>

// The end scene's tree: bars that grow from a root, fork off children that
// turn 45 degrees further, and spin about their bases.
struct Branch {
    float x, y;                // base, eye-space units at depth -500
    float length;              // grows by 0.01 per elapsed ms; 0 at creation
    float angle;               // degrees, 0 straight up; fixed at creation
    float red, green, blue;    // 0..1
    std::int32_t tries;        // fork tries so far; next when length > 6 * tries + 4
    std::int32_t generation;   // 0 for the root; alpha is 1 - generation / 10
};

constexpr int branch_capacity = 1024;
constexpr int branch_limit = branch_capacity - 1;  // the last record is never filled

// Read-only views of the tree for tests: all records, and how many are live.
const Branch *tree_branches();
int tree_size();

// Swing amplitude of credit line 0..3 in degrees at scene clock t (tenths of
// a second): dies away linearly and stays at 0 once it gets there.
float swing_amplitude(int line, float t);
