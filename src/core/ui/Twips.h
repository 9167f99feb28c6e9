#pragma once

// Window layouts are designed in twips; the screen counts pixels. At the
// designed 96 dots per inch, 15 twips make one pixel.
inline constexpr int twips(int value)
{
    return value / 15;
}
