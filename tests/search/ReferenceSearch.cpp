#include "search/ReferenceSearch.h"

#include <cstdio>
#include <functional>

namespace vorlane::search::reference {

namespace {

int Fold(int c, bool ignoreCase) {
    return ignoreCase && c >= 'a' && c <= 'z' ? c - 32 : c;
}

// A symbol of a line: -1 before the first character, -2 after the last.
constexpr int kStart = -1;
constexpr int kEnd = -2;

bool AtomMatches(const Atom& atom, int symbol, bool ignoreCase) {
    switch (atom.kind) {
    case Atom::kLineStart:
        return symbol == kStart;
    case Atom::kLineEnd:
        return symbol == kEnd;
    case Atom::kAny:
        return symbol >= 0;
    case Atom::kLiteral:
        return symbol >= 0 && Fold(symbol, ignoreCase) == Fold(atom.ch, ignoreCase);
    case Atom::kSet: {
        if (symbol < 0)
            return false;
        bool member = false;
        for (int b = 0; b < 256; ++b)
            if (atom.members.test(b) && Fold(b, ignoreCase) == Fold(symbol, ignoreCase))
                member = true;
        return member != atom.negate;
    }
    }
    return false;
}

} // namespace

std::optional<std::vector<Piece>> Parse(const std::string& p, bool plainText) {
    std::vector<Piece> pieces;
    int elements = 0;
    for (size_t i = 0; i < p.size(); ++i) {
        char c = p[i];
        Atom atom;
        if (plainText) {
            atom.ch = static_cast<uint8_t>(c);
        } else if (c == '*' || c == '+') {
            if (pieces.empty() || pieces.back().repeat != Piece::kOnce || i == 0)
                return std::nullopt;
            pieces.back().repeat = c == '*' ? Piece::kStar : Piece::kPlus;
            if (++elements > 62)
                return std::nullopt;
            continue;
        } else if (c == '.') {
            atom.kind = Atom::kAny;
        } else if (c == '^') {
            if (i != 0)
                return std::nullopt;
            atom.kind = Atom::kLineStart;
        } else if (c == '$') {
            if (i + 1 != p.size())
                return std::nullopt;
            atom.kind = Atom::kLineEnd;
        } else if (c == '\\') {
            if (++i == p.size())
                return std::nullopt;
            atom.ch = static_cast<uint8_t>(p[i]);
        } else if (c == '[') {
            atom.kind = Atom::kSet;
            ++i;
            if (i < p.size() && p[i] == '^') {
                atom.negate = true;
                ++i;
            }
            // Members as (character, may start a range).
            int count = 0;
            int previous = -1;
            for (;;) {
                if (i >= p.size())
                    return std::nullopt;
                char s = p[i];
                if (s == ']') {
                    if (count == 0)
                        return std::nullopt;
                    break;
                }
                if (s == '^')
                    return std::nullopt;
                int ch;
                if (s == '\\') {
                    if (++i >= p.size())
                        return std::nullopt;
                    ch = static_cast<uint8_t>(p[i]);
                } else if (s == '-') {
                    if (previous < 0 || i + 1 >= p.size() || p[i + 1] == ']' || p[i + 1] == '^')
                        return std::nullopt;
                    ++i;
                    int high = static_cast<uint8_t>(p[i]);
                    if (p[i] == '\\') {
                        if (++i >= p.size())
                            return std::nullopt;
                        high = static_cast<uint8_t>(p[i]);
                    }
                    if (high <= previous)
                        return std::nullopt;
                    for (int b = previous; b <= high; ++b)
                        atom.members.set(b);
                    previous = -1;
                    ++i;
                    continue;
                } else {
                    ch = static_cast<uint8_t>(s);
                }
                atom.members.set(ch);
                previous = ch;
                ++count;
                ++i;
            }
        } else {
            atom.ch = static_cast<uint8_t>(c);
        }
        if (++elements > 62)
            return std::nullopt;
        pieces.push_back(Piece{atom, Piece::kOnce});
    }
    return pieces;
}

bool MatchLine(const std::vector<Piece>& pieces, const std::string& line, bool ignoreCase) {
    std::vector<int> symbols{kStart};
    for (char c : line)
        symbols.push_back(static_cast<uint8_t>(c));
    symbols.push_back(kEnd);
    std::function<bool(size_t, size_t)> from = [&](size_t piece, size_t pos) -> bool {
        if (piece == pieces.size())
            return true;
        const Piece& p = pieces[piece];
        size_t least = p.repeat == Piece::kStar ? 0 : 1;
        size_t most = p.repeat == Piece::kOnce ? 1 : symbols.size();
        size_t taken = 0;
        for (;;) {
            if (taken >= least && from(piece + 1, pos + taken))
                return true;
            if (taken == most || pos + taken >= symbols.size() ||
                !AtomMatches(p.atom, symbols[pos + taken], ignoreCase))
                return false;
            ++taken;
        }
    };
    for (size_t start = 0; start <= symbols.size(); ++start)
        if (from(0, start))
            return true;
    return false;
}

std::vector<Line> SplitLines(std::string bytes) {
    if (!bytes.empty() && bytes.back() == '\x1a')
        bytes.pop_back();
    size_t firstEnd = bytes.find_first_of("\r\n");
    const bool crEnding = firstEnd != std::string::npos && bytes[firstEnd] == '\r';
    std::vector<Line> lines;
    std::string current;
    for (size_t i = 0; i < bytes.size(); ++i) {
        char c = bytes[i];
        if (c == '\n' || (crEnding && c == '\r')) {
            if (!crEnding && !current.empty() && current.back() == '\r')
                current.pop_back();
            lines.push_back({static_cast<int64_t>(lines.size()) + 1, current});
            current.clear();
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
        } else {
            current.push_back(c);
        }
    }
    if (!crEnding && !current.empty())
        lines.push_back({static_cast<int64_t>(lines.size()) + 1, current});
    return lines;
}

std::string Report(const std::string& name, const std::vector<Line>& matches) {
    if (matches.empty())
        return "";
    std::string out = "File: '" + name + "' \n\n";
    for (const Line& line : matches) {
        char number[32];
        std::snprintf(number, sizeof number, "%-6lld ", static_cast<long long>(line.number));
        // 72 characters: a well-formed UTF-8 sequence is one, any other byte one; NUL ends.
        std::string text;
        size_t i = 0;
        for (int shown = 0; shown < 72 && i < line.text.size() && line.text[i] != '\0'; ++shown) {
            unsigned char lead = static_cast<unsigned char>(line.text[i]);
            size_t length = lead >= 0xF0 && lead <= 0xF4  ? 4
                            : lead >= 0xE0 && lead < 0xF0 ? 3
                            : lead >= 0xC2 && lead < 0xE0 ? 2
                                                          : 1;
            bool whole = i + length <= line.text.size();
            for (size_t k = 1; whole && k < length; ++k)
                whole = (static_cast<unsigned char>(line.text[i + k]) & 0xC0) == 0x80;
            if (!whole)
                length = 1;
            text += line.text.substr(i, length);
            i += length;
        }
        out += number + text + "\n";
    }
    char summary[64];
    std::snprintf(summary, sizeof summary, "\n%lld lines found.\n",
                  static_cast<long long>(matches.size()));
    return out + summary;
}

} // namespace vorlane::search::reference
