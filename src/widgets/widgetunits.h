#pragma once

#include <cmath>

// The windows are designed in twips (1/1440 inch). Qt works in logical pixels,
// which are 1/96 inch at normal scaling, so 15 twips make one pixel everywhere.
inline constexpr int kTwipsPerPixel = 15;

// Nearest whole pixel.
constexpr int twipsToPixels(int twips)
{
    return (twips + (twips >= 0 ? kTwipsPerPixel / 2 : -(kTwipsPerPixel / 2))) / kTwipsPerPixel;
}

// Smallest whole pixel count that covers `twips` (for minimum sizes).
constexpr int twipsToPixelsCeil(int twips)
{
    return (twips + kTwipsPerPixel - 1) / kTwipsPerPixel;
}

constexpr int pixelsToTwips(int pixels)
{
    return pixels * kTwipsPerPixel;
}

// Rounds halves to the even neighbour (the default floating-point rounding mode).
inline int roundHalfEven(double value)
{
    return static_cast<int>(std::lrint(value));
}
