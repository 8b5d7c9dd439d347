#pragma once

// Draws the wall of bitmap tiles at `tenths` (tenths of a second; the scene
// passes the absolute tick / 100) over the cells u, v = -halfCells ..
// halfCells - 1. `wobble` is the amplitude of a per-cell depth wobble. Sets
// each tile's colour and nothing else: no enables, matrices, clear or present.
// Draws nothing when halfCells is not positive.
void logo(float tenths, float wobble, int halfCells);
