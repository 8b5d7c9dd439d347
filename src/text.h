#pragma once

// Text in a vector font modelled on a sixteen-segment display: each glyph is
// a mask of up to sixteen thin bars. Lower-case letters, digits and ' ( ) /;
// every other character is blank but still takes its place.

// Writes the font's forty glyphs into the glyph table, which is blank until
// then. The set-up blocks of parts 1, 3 and 7 each call it; parts 2 and 5
// draw text with what part 1 left there.
void fill_glyphs();

// One bar 0.2 units wide, centred on (x, y), turned by angle degrees about z.
void draw_segment(float x, float y, float angle, float halfLength);

// Draws text at the current model-view origin in the current colour: the
// first character is centred on the origin, the next 2 units further along
// +x. The caller's matrix is left as it was.
void draw_text(const char *text);
