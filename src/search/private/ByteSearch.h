// Byte searches used by the text search scanner to find candidate
// positions quickly: one or two byte tests at fixed offsets (a literal's
// rarest characters, either case of a letter) and the first of two bytes
// (line ends). AVX2 is used where the processor has it, plain loops
// elsewhere. Internal to the search module.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vorlane::search::detail {

// True for a byte b when (b | orMask) == value: orMask 0x20 with a
// lower-case letter value matches the letter in either case.
struct ByteProbe {
    size_t offset = 0;
    uint8_t value = 0;
    uint8_t orMask = 0;
};

// The first s in [begin, last] (inclusive) at which probe a holds for
// s[a.offset] and, when b is given, probe b for s[b.offset]; null when none.
// REQUIRES: the bytes up to last + max(offsets) are readable.
const uint8_t* FindProbes(const uint8_t* begin, const uint8_t* last, const ByteProbe& a,
                          const ByteProbe* b);

// The first byte in [begin, end) equal to x or y; end when none.
const uint8_t* FindEitherByte(const uint8_t* begin, const uint8_t* end, uint8_t x, uint8_t y);

// Line ends in [begin, end), where begin starts a line: the LF bytes, or
// with crEnding the CR bytes and the LF bytes not right after a CR.
int64_t CountLineEnds(const uint8_t* begin, const uint8_t* end, bool crEnding);

// The first byte in [begin, end) whose entry in table is non-zero; end when
// none.
const uint8_t* FindInTable(const uint8_t* begin, const uint8_t* end, const uint8_t* table);

} // namespace vorlane::search::detail
