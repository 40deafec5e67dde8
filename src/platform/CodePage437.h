// Code page 437, the character set of DOS text: the characters of its
// upper half (bytes 0x80 to 0xFF) as Unicode code points. Zip names without
// the UTF-8 flag and the viewer's "OEM" encoding read bytes through it.
#pragma once

#include <cstdint>

namespace vorlane::platform {

extern const uint16_t kCodePage437High[128];

} // namespace vorlane::platform
