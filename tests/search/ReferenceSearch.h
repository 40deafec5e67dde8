// A slow, plain reference of the text search for the randomised tests: its
// own pattern reader, a backtracking matcher that tries every start and
// every repeat count, and a whole-file line splitter. It shares no code with
// the engine.
#pragma once

#include <bitset>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vorlane::search::reference {

struct Atom {
    enum Kind { kLiteral, kAny, kSet, kLineStart, kLineEnd } kind = kLiteral;
    uint8_t ch = 0;
    std::bitset<256> members; // raw bytes, before negation
    bool negate = false;
};

struct Piece {
    Atom atom;
    enum Repeat { kOnce, kStar, kPlus } repeat = kOnce;
};

// Reads a pattern; nullopt when the pattern language refuses it (any error,
// the length limit included).
std::optional<std::vector<Piece>> Parse(const std::string& pattern, bool plainText);

// Whether the line (without its line end) holds a match.
bool MatchLine(const std::vector<Piece>& pieces, const std::string& line, bool ignoreCase);

struct Line {
    int64_t number;
    std::string text;
};

// The lines of a whole file's bytes, numbered, by the line-end rules of the
// engine (decided by the first line-end byte; Ctrl-Z as the last byte is
// dropped).
std::vector<Line> SplitLines(std::string bytes);

// The report the engine writes for these matching lines.
std::string Report(const std::string& name, const std::vector<Line>& matches);

} // namespace vorlane::search::reference
