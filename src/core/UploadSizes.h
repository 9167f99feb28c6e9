#pragma once

#include <array>

// The upload sizes a user picks from, longer side in pixels (0 keeps the
// original), in the order every list shows them.
struct UploadSizeChoice
{
    int pixels;
    const char16_t *caption;
};

inline constexpr std::array<UploadSizeChoice, 4> kUploadSizes{{{0, u"Original size (slowest upload)"},
                                                               {1600, u"Large: 1600 pixels"},
                                                               {1024, u"Recommended: 1024 pixels"},
                                                               {800, u"Small: 800 pixels"}}};

// The entry a stored size selects: its own where it has one, else the
// smallest, so a size from an older or edited file still picks something.
constexpr int uploadSizeIndex(int pixels)
{
    for (int i = 0; i < int(kUploadSizes.size()); ++i) {
        if (kUploadSizes[size_t(i)].pixels == pixels)
            return i;
    }
    return int(kUploadSizes.size()) - 1;
}
