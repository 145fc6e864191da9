// Portraits for the demo installation: a simple face, different for every
// face number and showing the number, so that faces can be told apart even
// at 60 x 60. Drawn by the program itself; no picture of the game is used.
#pragma once

#include <cstdint>

namespace kaocgtool {

// Draws the portrait of faceNumber for a face size (0 small, 1 medium,
// 2 large) into a 24-bit canvas of blue, green, red rows, top row first, of
// at least the face's visible area; stride is the bytes per row. Only the
// visible area is touched. A negative face number draws a portrait without
// a number.
void DrawDemoPortrait(int faceNumber, int faceSize, uint8_t* bgr, int stride);

}  // namespace kaocgtool
