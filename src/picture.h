#pragma once

// Alpha of picture row r (0 at the top) at scene clock t (tenths of a second
// since the reveal began): the front moves down a row every 10 ms and each
// row fades in over 100 ms. Capped at 1 but not below 0: rows under the
// front are still drawn, invisibly.
float row_alpha(float t, unsigned row);
