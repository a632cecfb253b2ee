#pragma once

// Puts pictures on the current window (inside a widget's draw, or after make_current), only
// where the current clip region lets them show. UI thread only.

// Copies the source rectangle of a BGR24 picture (picture pixels, y counted from the bottom
// row) into the destination rectangle, stretching by nearest neighbour when the sizes differ.
// Returns the number of rows drawn, 0 when nothing is visible or the rectangles are empty.
int pageBlit(int destX, int destY, int destW, int destH, int srcX, int srcY, int srcW, int srcH,
             const unsigned char* pixels, int pictureW, int pictureH);

// The same for an 8-bit grey picture (rows padded to 4 bytes, bottom-up), source origin (0, 0).
int grayBlit(int pictureW, int pictureH, int destX, int destY, int destW, int destH, int srcW,
             int srcH, const unsigned char* gray);
