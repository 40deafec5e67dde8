#include "viewers/FitToBox.h"

#include <algorithm>
#include <cstdint>

namespace vorlane::viewers {

namespace {

// One pass of the rule for the box as it stands; 64-bit so that pictures of
// any size and boxes of any size cannot overflow.
ImageSize Compute(int64_t boxWidth, int64_t boxHeight, int64_t ratio) {
    if (ratio <= 100)
        return {static_cast<int>(boxHeight * ratio / 100), static_cast<int>(boxHeight)};
    return {static_cast<int>(boxWidth), static_cast<int>(boxWidth * 100 / ratio)};
}

} // namespace

ImageSize FitToBox(int boxWidth, int boxHeight, int width, int height) {
    if (boxWidth <= 0 || boxHeight <= 0 || width <= 0 || height <= 0)
        return {};
    const int64_t ratio = int64_t{width} * 100 / height;
    int64_t w = boxWidth;
    int64_t h = boxHeight;
    ImageSize size = Compute(w, h, ratio);
    while (size.height > h && w > 0)
        size = Compute(--w, h, ratio);
    while (size.width > w && h > 0)
        size = Compute(w, --h, ratio);
    return size;
}

ImageSize FitToBoxAtLeastOne(int boxWidth, int boxHeight, int width, int height) {
    ImageSize size = FitToBox(boxWidth, boxHeight, width, height);
    if (width > 0 && height > 0) {
        size.width = std::max(size.width, 1);
        size.height = std::max(size.height, 1);
    }
    return size;
}

ImageSize ShrinkToBox(int boxWidth, int boxHeight, int width, int height) {
    if (width <= boxWidth && height <= boxHeight)
        return {width, height};
    return FitToBoxAtLeastOne(boxWidth, boxHeight, width, height);
}

} // namespace vorlane::viewers
