// Test pictures made on the spot with libvips: gradients (so that resizing
// and palettes have something to do), written in a chosen format, and
// PNG headers patched to claim other sizes.
#pragma once

#include <string>
#include <vector>

namespace vorlane::viewers::test {

// A width x height RGB gradient saved to path by libvips' saver for its
// extension (".png", ".jpg", ".tif", ".gif", ...). orientation != 0 sets
// the EXIF orientation tag. Fails the test on error.
void MakePicture(const std::string& path, int width, int height, int orientation = 0);
// The bytes of a PNG of width x height.
std::vector<unsigned char> PngBytes(int width, int height);
// A PNG whose header claims width x height (its one IDAT is from a 1 x 1
// picture): a few hundred bytes.
std::vector<unsigned char> PngClaimingSize(unsigned width, unsigned height);
void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes);
std::vector<unsigned char> ReadBytes(const std::string& path);

} // namespace vorlane::viewers::test
