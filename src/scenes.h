#pragma once

// Each scene is a set-up block, run on its first frame, and a frame routine
// that draws one whole frame, from its own clear to its own present. Scenes
// that carry state from frame to frame also have a skip routine, the frame
// without its drawing, and those whose set-up does not reset all they carry
// a rewind to program start.

void init_decrunch();  // part 1: the mock decrunching screen
void draw_decrunch();

void init_logofx();  // part 2: the logo point cloud with captions
void draw_logofx();

void init_cubevemputus();  // part 3: cube field, flower and scrambled title
void draw_cubevemputus();
void skip_cubevemputus();

void init_tilewave();  // part 4: the swirling wall of bitmap tiles
void draw_tilewave();

void init_sf();  // part 5: starfield, greetings, ship and warp
void draw_sf();
void skip_sf();
void rewind_sf();

void init_picture();  // part 6: the picture revealed row by row
void draw_picture();

void init_endpart();  // part 7: branching tree, end credits, fade to black
void draw_endpart();
void skip_endpart();
void rewind_endpart();
