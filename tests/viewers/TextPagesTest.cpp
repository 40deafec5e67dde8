// The text viewer's lines: checked against a plain reference walk over
// random files of CR LF, LF, lone CR and long break-free stretches (fixed
// seeds), forward, backward, from any offset and by line number; the
// decoding of the offered encodings; the hex rows; the mapping refusing
// what is not a regular file.
#include "viewers/TextPages.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <random>
#include <sys/stat.h>

namespace vorlane::viewers {
namespace {

constexpr uint64_t K = TextLayout::kMaxLineBytes;

// Bytes with every kind of line end, and stretches longer than a line may be.
std::string RandomText(size_t size, uint32_t seed) {
    std::mt19937 random(seed);
    std::string text;
    while (text.size() < size) {
        switch (random() % 12) {
        case 0:
            text += "\r\n";
            break;
        case 1:
            text += '\n';
            break;
        case 2:
            text += '\r';
            break;
        case 3:
            if (random() % 8 == 0)
                text.append(K + random() % (3 * K), 'x'); // no break for a while
            break;
        default:
            text.append(random() % 40, 'a');
        }
    }
    text.resize(size);
    return text;
}

struct RefLine {
    uint64_t start, end, next;
    uint64_t number; // 1-based: breaks before start, plus one
};

// The lines as the reference sees them: a row ends at a break, or at a
// multiple of K when the K bytes before it hold no break (so an ordinary
// line across a multiple of K stays whole). Written the slow, plain way.
std::vector<RefLine> ReferenceLines(const std::string& t, uint64_t cut = K) {
    const auto isBreak = [&](uint64_t q) { return t[q] == '\n' || t[q] == '\r'; };
    const auto isCut = [&](uint64_t q) {
        if (q == 0 || q % cut != 0)
            return false;
        for (uint64_t b = q - cut; b < q; ++b)
            if (isBreak(b))
                return false;
        return true;
    };
    std::vector<RefLine> lines;
    uint64_t breaks = 0;
    uint64_t start = 0;
    while (start < t.size()) {
        uint64_t p = start;
        while (p < t.size() && (p == start || !isCut(p)) && !isBreak(p))
            ++p;
        RefLine line{start, p, p, breaks + 1};
        if (p < t.size() && (p == start || !isCut(p)) && isBreak(p)) {
            line.next = p + 1 + (t[p] == '\r' && p + 1 < t.size() && t[p + 1] == '\n');
            ++breaks;
        }
        lines.push_back(line);
        start = line.next;
    }
    return lines;
}

TEST(TextLayout, LinesMatchTheReferenceForwardBackwardAndFromAnyOffset) {
    for (uint32_t seed : {1u, 2u, 3u, 4u}) {
        SCOPED_TRACE(seed);
        const std::string text = RandomText(60000 + seed * 977, seed);
        const std::vector<RefLine> ref = ReferenceLines(text);
        TextLayout layout(text.data(), text.size());
        // Forward.
        uint64_t at = 0;
        for (const RefLine& r : ref) {
            const TextLine line = layout.LineAt(at);
            ASSERT_EQ(line.end, r.end) << "line at " << r.start;
            ASSERT_EQ(line.next, r.next) << "line at " << r.start;
            at = line.next;
        }
        // Backward from the end.
        for (size_t i = ref.size() - 1; i > 0; --i)
            ASSERT_EQ(layout.PreviousLineStart(ref[i].start), ref[i - 1].start) << ref[i].start;
        EXPECT_EQ(layout.PreviousLineStart(0), 0u);
        // Any offset up to its line's break finds the line; numbers agree.
        std::mt19937 random(seed);
        for (int n = 0; n < 3000; ++n) {
            const RefLine& r = ref[random() % ref.size()];
            // Up to its break, which belongs to it; a piece that ends without
            // one ends before the next piece.
            const uint64_t span = r.end - r.start + (r.next != r.end ? 1 : 0);
            if (span == 0)
                continue;
            const uint64_t offset = r.start + random() % span;
            if (offset >= text.size())
                continue;
            ASSERT_EQ(layout.LineStartOf(offset), r.start) << offset;
            ASSERT_EQ(layout.LineNumberAt(r.start), r.number) << r.start;
        }
    }
}

// Each byte as one UTF-16 unit (a zero high byte), in either byte order.
std::string Widen(const std::string& narrow, bool bigEndian) {
    std::string wide;
    wide.reserve(narrow.size() * 2);
    for (char c : narrow) {
        wide += bigEndian ? '\0' : c;
        wide += bigEndian ? c : '\0';
    }
    return wide;
}

TEST(TextLayout, Utf16LinesAreTheLinesOfItsCharacters) {
    // The same text in UTF-16 has the same lines at twice the offsets; a
    // piece is cut after half as many characters (the cut is in bytes).
    for (const bool bigEndian : {false, true}) {
        SCOPED_TRACE(bigEndian ? "BE" : "LE");
        const std::string narrow = RandomText(2 * TextLayout::kCheckpointBytes / 3 + 501, 7);
        const std::string wide = Widen(narrow, bigEndian);
        const std::vector<RefLine> ref = ReferenceLines(narrow, K / 2);
        TextLayout layout(wide.data(), wide.size(),
                          bigEndian ? TextEncoding::Utf16Be : TextEncoding::Utf16Le);
        uint64_t at = 0;
        for (const RefLine& r : ref) {
            const TextLine line = layout.LineAt(at);
            ASSERT_EQ(line.end, 2 * r.end) << "line at " << r.start;
            ASSERT_EQ(line.next, 2 * r.next) << "line at " << r.start;
            at = line.next;
        }
        for (size_t i = ref.size() - 1; i > 0; --i)
            ASSERT_EQ(layout.PreviousLineStart(2 * ref[i].start), 2 * ref[i - 1].start);
        std::mt19937 random(11);
        for (int n = 0; n < 2000; ++n) {
            const RefLine& r = ref[random() % ref.size()];
            const uint64_t span = r.end - r.start + (r.next != r.end ? 1 : 0);
            if (span == 0 || r.start + span > narrow.size())
                continue;
            // Either byte of a unit finds its line.
            const uint64_t offset = 2 * (r.start + random() % span) + random() % 2;
            ASSERT_EQ(layout.LineStartOf(offset), 2 * r.start) << offset;
            ASSERT_EQ(layout.LineNumberAt(2 * r.start), r.number) << r.start;
            ASSERT_TRUE(layout.FollowsBreak(2 * r.start) ||
                        (2 * r.start) % TextLayout::kMaxLineBytes == 0);
        }
    }
    // A break byte inside another character is no break: U+0A0D and
    // U+0D0A are letters; a last odd byte is not part of the text.
    const std::string text = std::string("\x0D\x0A\x0A\x0D"
                                         "a\0\n\0b\0"
                                         "\n",
                                         11);
    TextLayout layout(text.data(), text.size(), TextEncoding::Utf16Le);
    EXPECT_EQ(layout.Size(), 10u);
    EXPECT_EQ(layout.LineAt(0).end, 6u);
    EXPECT_EQ(layout.LineAt(0).next, 8u);
    EXPECT_EQ(layout.LineAt(8).end, 10u);
    EXPECT_EQ(layout.LineNumberAt(9), 2u);
}

TEST(TextLayout, LineNumbersPastSeveralCheckpointsInAnyOrder) {
    const std::string text = RandomText(3 * TextLayout::kCheckpointBytes + 12345, 9);
    const std::vector<RefLine> ref = ReferenceLines(text);
    TextLayout layout(text.data(), text.size());
    // Far first (counting through the checkpoints), then back and between.
    for (size_t i : {ref.size() - 1, size_t{0}, ref.size() / 2, ref.size() / 3, ref.size() - 2})
        EXPECT_EQ(layout.LineNumberAt(ref[i].start), ref[i].number) << ref[i].start;
}

TEST(TextLayout, LineEndsOfEveryKindAndNoBreakAtAll) {
    struct Case {
        const char* what;
        std::string text;
        std::vector<std::string> lines;
    } cases[] = {
        {"CR LF", "one\r\ntwo\r\n", {"one", "two"}},
        {"LF", "one\ntwo", {"one", "two"}},
        {"CR", "one\rtwo\r", {"one", "two"}},
        {"mixed and empty lines", "a\r\n\n\r\rb", {"a", "", "", "", "b"}},
        {"a binary stretch is cut into pieces",
         std::string(K + 5, '\0'),
         {std::string(K, '\0'), std::string(5, '\0')}},
        {"a short line across a multiple of the piece length stays whole",
         std::string(K - 10, 'a') + "\n" + std::string(30, 'b') + "\nc",
         {std::string(K - 10, 'a'), std::string(30, 'b'), "c"}},
        {"a long line is cut at the first multiple a whole piece past its start",
         "x\n" + std::string(2 * K + 7, 'y'),
         {"x", std::string(2 * K - 2, 'y'), std::string(9, 'y')}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TextLayout layout(c.text.data(), c.text.size());
        std::vector<std::string> got;
        for (uint64_t at = 0; at < c.text.size();) {
            const TextLine line = layout.LineAt(at);
            got.push_back(c.text.substr(line.start, line.end - line.start));
            at = line.next;
        }
        EXPECT_EQ(got, c.lines);
    }
}

TEST(DecodeLine, EncodingsTabsAndControlCharacters) {
    struct Case {
        const char* what;
        std::string bytes;
        TextEncoding encoding;
        std::string shown;
    } cases[] = {
        {"UTF-8 as it is", "caf\xC3\xA9", TextEncoding::Utf8, "caf\xC3\xA9"},
        {"bad UTF-8 shows U+FFFD", "a\xE9z\xC0\xAF", TextEncoding::Utf8,
         "a\xEF\xBF\xBDz\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"a cut sequence at the end", "a\xE2\x82", TextEncoding::Utf8, "a\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"Latin-1", "caf\xE9", TextEncoding::Latin1, "caf\xC3\xA9"},
        {"Windows-1252 euro and dash", "\x80\x96\xE9", TextEncoding::Windows1252,
         "\xE2\x82\xAC\xE2\x80\x93\xC3\xA9"},
        {"code page 437 box and accents", "\xC9\xCD\x82\xE1", TextEncoding::Oem437,
         "\xE2\x95\x94\xE2\x95\x90\xC3\xA9\xC3\x9F"},
        {"tabs to the next multiple of 8", "ab\tc\td", TextEncoding::Utf8, "ab      c       d"},
        {"controls as dots", std::string("a\0b\x1B", 4), TextEncoding::Latin1,
         "a\xC2\xB7"
         "b\xC2\xB7"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(DecodeLine(c.bytes, c.encoding), c.shown);
    }
    EXPECT_EQ(TextEncodingNames().size(), 6u);
    // UTF-16: the byte order mark unseen, a pair of surrogates one letter,
    // a lone surrogate and a last odd byte replaced.
    const struct {
        std::string bytes;
        TextEncoding encoding;
        std::string shown;
    } wide[] = {
        {std::string("\xFF\xFE"
                     "a\0\xE9\0",
                     6),
         TextEncoding::Utf16Le, "a\xC3\xA9"},
        {std::string("\xFE\xFF\0a\0\xE9", 6), TextEncoding::Utf16Be, "a\xC3\xA9"},
        {std::string("\x3D\xD8\x00\xDE", 4), TextEncoding::Utf16Le, "\xF0\x9F\x98\x80"},
        {std::string("\x00\xDE"
                     "b\0",
                     4),
         TextEncoding::Utf16Le,
         "\xEF\xBF\xBD"
         "b"},
        {std::string("c\0\t\0d", 5), TextEncoding::Utf16Le, "c       \xEF\xBF\xBD"},
    };
    for (const auto& c : wide)
        EXPECT_EQ(DecodeLine(c.bytes, c.encoding), c.shown);
}

TEST(GuessTextEncoding, UtfEightWhereItIsElseTheUsersChoiceOrWindows1252) {
    using E = TextEncoding;
    const struct {
        std::string sample;
        E current;
        E guessed;
    } cases[] = {
        {"plain ASCII\n", E::Oem437, E::Oem437},             // reads the same: kept
        {"", E::Latin1, E::Latin1},                          // empty: kept
        {"caf\xC3\xA9\n", E::Windows1252, E::Utf8},          // UTF-8 letters
        {"caf\xE9\n", E::Utf8, E::Windows1252},              // Latin-1 after UTF-8
        {"caf\xE9\n", E::Oem437, E::Oem437},                 // the user's choice kept
        {"\xC3\xA9 then \xE9!", E::Utf8, E::Windows1252},    // bad later on
        {"\xC0\xAF overlong", E::Utf8, E::Windows1252},      // overlong form
        {"\xED\xA0\x80 surrogate", E::Utf8, E::Windows1252}, // surrogate
        // A sequence cut by the sample's end is no evidence either way.
        {"caf\xC3\xA9 \xE2\x82", E::Latin1, E::Utf8},
        {"ascii \xF0\x9F", E::Latin1, E::Latin1},
        // Not a continuation after the lead: not UTF-8, even at the end.
        {"caf\xC3\xA9 \xE2\x82X", E::Utf8, E::Windows1252},
        // UTF-16 by its byte order mark, or by where its zero bytes are.
        {std::string("\xFF\xFEh\0i\0", 6), E::Oem437, E::Utf16Le},
        {std::string("\xFE\xFF\0h\0i", 6), E::Utf8, E::Utf16Be},
        {Widen("no mark, Latin letters\r\n", false), E::Utf8, E::Utf16Le},
        {Widen("no mark, Latin letters\r\n", true), E::Latin1, E::Utf16Be},
        // Not UTF-16: a choice of UTF-16 from another file goes.
        {"plain ASCII\n", E::Utf16Le, E::Utf8},
        {"caf\xE9\n", E::Utf16Be, E::Windows1252},
        {std::string("bin\0\0\0ary\0", 10), E::Utf8, E::Utf8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sample);
        EXPECT_EQ(GuessTextEncoding(c.sample, c.current), c.guessed);
    }
}

TEST(HexRow, OffsetBytesAndCharacters) {
    EXPECT_EQ(HexRow(0x10, "ABCDEFGHIJKLMNOP"),
              "00000010  41 42 43 44 45 46 47 48  49 4A 4B 4C 4D 4E 4F 50  ABCDEFGHIJKLMNOP");
    EXPECT_EQ(HexRow(0x123456789ULL, std::string("\0\xFFz", 3)),
              "123456789  00 FF 7A" + std::string(42, ' ') + "..z");
}

TEST(MappedFile, MapsRegularFilesOnlyAndEmptyOnesToo) {
    test::TempDir dir;
    test::WriteFile(dir / "text", "hello");
    test::WriteFile(dir / "empty", "");
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    MappedFile file;
    int error = 0;
    ASSERT_TRUE(file.Open(dir / "text", &error));
    EXPECT_EQ(std::string(file.Data(), file.Size()), "hello");
    ASSERT_TRUE(file.Open(dir / "empty", &error));
    EXPECT_EQ(file.Size(), 0u);
    struct Refused {
        std::string path;
        int error;
    } refused[] = {{dir / "fifo", ENODEV}, {dir.path(), EISDIR}, {dir / "missing", ENOENT}};
    for (const Refused& r : refused) {
        SCOPED_TRACE(r.path);
        EXPECT_FALSE(file.Open(r.path, &error));
        EXPECT_EQ(error, r.error);
        EXPECT_FALSE(file.IsOpen());
    }
}

TEST(MappedFile, FollowsAFileCutShortOrWrittenToWhileMapped) {
    test::TempDir dir;
    const std::string path = dir / "log";
    test::WriteFile(path, std::string(3 * 4096 + 5, 'x'));
    MappedFile file;
    int error = 0;
    ASSERT_TRUE(file.Open(path, &error));
    EXPECT_FALSE(file.Follow()); // nothing changed
    // Cut short (as a log rotation does), then written to again.
    ASSERT_EQ(::truncate(path.c_str(), 3), 0);
    EXPECT_TRUE(file.Follow());
    EXPECT_EQ(std::string(file.Data(), file.Size()), "xxx");
    ASSERT_EQ(::truncate(path.c_str(), 0), 0);
    EXPECT_TRUE(file.Follow());
    EXPECT_EQ(file.Size(), 0u);
    test::WriteFile(path, "fresh line\n");
    EXPECT_TRUE(file.Follow());
    EXPECT_EQ(std::string(file.Data(), file.Size()), "fresh line\n");
    EXPECT_TRUE(file.IsOpen());
}

} // namespace
} // namespace vorlane::viewers
