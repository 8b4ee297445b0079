#pragma once
#include <QImage>

// The 55 × 56 picture of a green pencil lying across a white and blue
// eraser on a white ground, shown under the board and printed on the page.
QImage pencilPicture();
