// The fit rule: the size a picture of w by h pixels is given to fit a box of
// W by H, aspect kept, in integer arithmetic throughout, so that thumbnails,
// wallpapers and converted pictures come out at the same sizes every time:
//
//   r = w * 100 / h
//   r <= 100: height H, width H * r / 100; else width W, height W * 100 / r
//   while the height exceeds H: W - 1, again;
//   then while the width exceeds W: H - 1, again.
//
// The rule does not look at whether the picture is already smaller: callers
// fit a picture only when it is wider or higher than the box. A result may
// have a side of 0 for a very thin picture; callers that make an image of
// it use at least 1 (FitToBoxAtLeastOne).
//
// Pure functions; any thread.
#pragma once

namespace vorlane::viewers {

struct ImageSize {
    int width = 0;
    int height = 0;
    bool operator==(const ImageSize&) const = default;
};

// {0, 0} when any side is 0 or negative.
ImageSize FitToBox(int boxWidth, int boxHeight, int width, int height);
// FitToBox with each side at least 1 (for a picture that has pixels).
ImageSize FitToBoxAtLeastOne(int boxWidth, int boxHeight, int width, int height);
// The size a picture is shown or stored at in a box: its own when it fits,
// else the fit rule's.
ImageSize ShrinkToBox(int boxWidth, int boxHeight, int width, int height);

} // namespace vorlane::viewers
