// Writes the English-like text file of the text search benchmark:
//   textsearch_gen OUTPUT [BYTES]      (default 1 GiB)
// Lines end with CR LF. The text is the same on every run (a fixed seed and
// a built-in word list): sentences of common words drawn by a Zipf-like
// weight, about one line in 14,000 holding the rare word "zephyr" (a
// quarter of those written "Zephyr" or "ZEPHYR"), and one line in 2,000 an
// error line that begins "Error" and mostly ends in digits.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// splitmix64: small, fast and the same everywhere.
struct Random {
    uint64_t state = 0x5EED5EED2024ULL;
    uint64_t Next() {
        uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    uint32_t Below(uint32_t n) { return static_cast<uint32_t>(Next() % n); }
};

// Common English words, most frequent first.
const char* const kWords[] = {
    "the",      "of",      "and",   "to",       "a",     "in",     "is",      "it",      "you",
    "that",     "he",      "was",   "for",      "on",    "are",    "with",    "as",      "his",
    "they",     "be",      "at",    "one",      "have",  "this",   "from",    "or",      "had",
    "by",       "hot",     "word",  "but",      "what",  "some",   "we",      "can",     "out",
    "other",    "were",    "all",   "there",    "when",  "up",     "use",     "your",    "how",
    "said",     "an",      "each",  "she",      "which", "do",     "their",   "time",    "if",
    "will",     "way",     "about", "many",     "then",  "them",   "write",   "would",   "like",
    "so",       "these",   "her",   "long",     "make",  "thing",  "see",     "him",     "two",
    "has",      "look",    "more",  "day",      "could", "go",     "come",    "did",     "number",
    "sound",    "no",      "most",  "people",   "my",    "over",   "know",    "water",   "than",
    "call",     "first",   "who",   "may",      "down",  "side",   "been",    "now",     "find",
    "any",      "new",     "work",  "part",     "take",  "get",    "place",   "made",    "live",
    "where",    "after",   "back",  "little",   "only",  "round",  "man",     "year",    "came",
    "show",     "every",   "good",  "me",       "give",  "our",    "under",   "name",    "very",
    "through",  "just",    "form",  "sentence", "great", "think",  "say",     "help",    "low",
    "line",     "differ",  "turn",  "cause",    "much",  "mean",   "before",  "move",    "right",
    "boy",      "old",     "too",   "same",     "tell",  "does",   "set",     "three",   "want",
    "air",      "well",    "also",  "play",     "small", "end",    "put",     "home",    "read",
    "hand",     "port",    "large", "spell",    "add",   "even",   "land",    "here",    "must",
    "big",      "high",    "such",  "follow",   "act",   "why",    "ask",     "men",     "change",
    "went",     "light",   "kind",  "off",      "need",  "house",  "picture", "try",     "us",
    "again",    "animal",  "point", "mother",   "world", "near",   "build",   "self",    "earth",
    "father",   "head",    "stand", "own",      "page",  "should", "country", "found",   "answer",
    "school",   "grow",    "study", "still",    "learn", "plant",  "cover",   "food",    "sun",
    "four",     "between", "state", "keep",     "eye",   "never",  "last",    "let",     "thought",
    "city",     "tree",    "cross", "farm",     "hard",  "start",  "might",   "story",   "saw",
    "far",      "sea",     "draw",  "left",     "late",  "run",    "while",   "press",   "close",
    "night",    "real",    "life",  "few",      "north", "size",   "zero",    "amazing", "quiz",
    "organize", "dozen",   "lazy",  "puzzle",   "error", "quick",  "jump",    "box",     "question",
    "exact",    "object",  "quiet",
};
constexpr size_t kWordCount = sizeof(kWords) / sizeof(kWords[0]);

class Text {
  public:
    Text() {
        // Zipf-like weights spread over a 64 Ki-entry table for drawing.
        std::vector<double> weight(kWordCount);
        double total = 0;
        for (size_t i = 0; i < kWordCount; ++i)
            total += weight[i] = 1.0 / (static_cast<double>(i) + 2.5);
        size_t at = 0;
        double reached = 0;
        for (size_t i = 0; i < kWordCount; ++i) {
            reached += weight[i];
            size_t until = static_cast<size_t>(reached / total * kTable);
            if (i + 1 == kWordCount)
                until = kTable;
            for (; at < until; ++at)
                m_table[at] = static_cast<uint16_t>(i);
        }
    }

    void Line(std::string* out) {
        out->clear();
        uint32_t kind = m_random.Below(28000);
        if (kind < 14) {
            ErrorLine(out);
        } else {
            Sentence(out, kind == 14 || kind == 15);
        }
        out->append("\r\n");
    }

  private:
    static constexpr size_t kTable = 65536;

    const char* Word() { return kWords[m_table[m_random.Below(kTable)]]; }

    void Sentence(std::string* out, bool rare) {
        uint32_t words = 6 + m_random.Below(11);
        uint32_t rareAt = rare ? m_random.Below(words) : words;
        for (uint32_t w = 0; w < words; ++w) {
            if (w > 0)
                out->push_back(' ');
            const char* word = Word();
            if (w == rareAt) {
                static const char* const kForms[] = {"ZEPHYR", "Zephyr", "zephyr"};
                uint32_t form = m_random.Below(8);
                word = kForms[form < 2 ? form : 2];
            }
            const size_t at = out->size();
            out->append(word);
            if (w == 0 && (*out)[at] >= 'a' && (*out)[at] <= 'z')
                (*out)[at] = static_cast<char>((*out)[at] - 'a' + 'A');
            if (w + 1 < words && m_random.Below(10) == 0)
                out->push_back(',');
        }
        out->push_back(m_random.Below(12) == 0 ? '?' : '.');
    }

    void ErrorLine(std::string* out) {
        out->append("Error ");
        out->append(std::to_string(m_random.Below(1000)));
        out->append(": ");
        uint32_t words = 3 + m_random.Below(6);
        for (uint32_t w = 0; w < words; ++w) {
            out->append(Word());
            out->push_back(' ');
        }
        if (m_random.Below(5) == 0) {
            out->append("again.");
        } else {
            out->append("at block ");
            out->append(std::to_string(m_random.Below(100000)));
        }
    }

    Random m_random;
    uint16_t m_table[kTable];
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: textsearch_gen OUTPUT [BYTES]\n");
        return 2;
    }
    const uint64_t target = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : (uint64_t{1} << 30);
    std::FILE* out = std::fopen(argv[1], "wb");
    if (out == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    static Text text;
    std::string chunk;
    std::string line;
    uint64_t written = 0;
    for (;;) {
        text.Line(&line);
        if (written + chunk.size() + line.size() > target)
            break;
        chunk += line;
        if (chunk.size() >= (size_t{4} << 20)) {
            if (std::fwrite(chunk.data(), 1, chunk.size(), out) != chunk.size())
                break;
            written += chunk.size();
            chunk.clear();
        }
    }
    bool ok = std::fwrite(chunk.data(), 1, chunk.size(), out) == chunk.size();
    ok = std::fclose(out) == 0 && ok;
    if (!ok) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
