#include "objdb/KeyedFileDump.h"

#include "objdb/CKeyedFile.h"
#include "objdb/private/FileFormat.h"
#include "objdb/private/IndexBlock.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <ostream>
#include <set>
#include <sstream>
#include <vector>

namespace vorlane::objdb {

using namespace detail;

namespace {

std::string Printable(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F && c != '"') {
            out.push_back(char(c));
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        }
    }
    return out;
}

std::string Quoted(const std::string& bytes) {
    std::string out(1, '"');
    out.append(Printable(bytes));
    out.push_back('"');
    return out;
}

std::string Hex(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02x", c);
        if (!out.empty())
            out.push_back(' ');
        out += hex;
    }
    return out;
}

std::string Range(uint32_t first, uint32_t n) {
    return n == 1 ? "block " + std::to_string(first)
                  : "blocks " + std::to_string(first) + ".." + std::to_string(first + n - 1);
}

std::string BlockName(uint32_t b) {
    return b == kNoBlock ? "-1" : std::to_string(b);
}

const char* KindName(KeyKind kind) {
    switch (kind) {
    case KeyKind::String:
        return "string";
    case KeyKind::StringNoCase:
        return "string without case";
    case KeyKind::Counted:
        return "counted";
    case KeyKind::Int32:
        return "signed 32-bit";
    case KeyKind::Int16:
        return "signed 16-bit";
    case KeyKind::Float32:
        return "float";
    case KeyKind::Float64:
        return "double";
    case KeyKind::Bytes6:
        return "six bytes";
    case KeyKind::UInt16:
        return "unsigned 16-bit";
    case KeyKind::Unsupported:
        break;
    }
    return "unsupported";
}

// Reads blocks either through an open engine handle or from the raw file.
class Source {
  public:
    CKeyedFile* engine = nullptr;
    std::ifstream raw;

    bool Header(std::string* bytes) {
        if (engine)
            return engine->ReadHeaderBytes(bytes) == kKfSuccess;
        return Read(0, kHeaderSize, bytes);
    }
    bool Block(uint32_t n, std::string* bytes) {
        if (engine)
            return engine->ReadBlockBytes(n, bytes) == kKfSuccess;
        return Read(uint64_t(n + 1) * kBlockSize, kBlockSize, bytes);
    }
    bool Bytes(uint64_t offset, size_t size, std::string* bytes) {
        return Read(offset, size, bytes);
    }

  private:
    bool Read(uint64_t offset, size_t size, std::string* bytes) {
        bytes->assign(size, '\0');
        raw.clear();
        raw.seekg(std::streamoff(offset));
        raw.read(bytes->data(), std::streamsize(size));
        return raw.gcount() == std::streamsize(size);
    }
};

struct Record {
    std::string key;
    uint32_t recno = 0;
    uint32_t length = 0;
};

} // namespace

int DumpKeyedFile(const std::string& path, const KeyedFileDumpOptions& options, std::ostream& out) {
    Source source;
    source.raw.open(path, std::ios::binary);
    if (!source.raw) {
        out << path << ": cannot be read\n";
        return 2;
    }
    CKeyedFile file;
    int result = 0;
    if (!options.raw) {
        if (file.Open(path, 'S', 0) == kKfSuccess) {
            source.engine = &file;
        } else {
            out << path << ": the engine refuses it: " << file.LastErrorDetail() << "\n"
                << path << ": dumping its raw bytes\n";
            result = 1;
        }
    } else {
        result = 1;
    }

    std::string header;
    if (!source.Header(&header)) {
        out << path << ": shorter than its 1024-byte header\n";
        return 2;
    }
    const auto* h = reinterpret_cast<const uint8_t*>(header.data());
    ByteOrder order;
    order.big = ByteOrder{}.Get32(h + kHdrByteOrder) == 0x01000000u;
    std::string magic;
    for (const MagicWord& m : kMagic) {
        uint32_t letter = order.Get32(h + m.offset);
        magic.push_back(letter >= 0x20 && letter < 0x7F ? char(letter) : '?');
    }
    uint32_t count = order.Get32(h + kHdrBlockCount);
    IndexKinds kinds{};
    for (int i = 1; i <= kMaxIndex; ++i)
        kinds[size_t(i)] = KindOfType(h[kHdrKeyTypes + uint32_t(i)]);
    std::vector<uint32_t> roots(kTrees);
    roots[0] = order.Get32(h + kHdrRoot0);
    for (int t = 1; t < kTrees; ++t)
        roots[size_t(t)] = order.Get32(h + kHdrRoots + 4 * uint32_t(t - 1));
    uint32_t journal = order.Get32(h + kHdrJournal);
    uint32_t journalLen = order.Get32(h + kHdrJournalLen);

    if (options.header) {
        uint32_t commentLen = std::min(order.Get32(h + kHdrCommentLen), kMaxComment);
        out << "file: " << path << "\n"
            << "header: format " << order.Get32(h + kHdrFormat) << ", magic " << magic
            << ", byte order " << (order.big ? "big" : "little") << "-endian (word "
            << ByteOrder{}.Get32(h + kHdrByteOrder) << ")\n"
            << "  blocks after the header: " << count << "\n"
            << "  commits: " << order.Get32(h + kHdrSequence) << ", checksum "
            << order.Get32(h + kHdrChecksum) << "\n"
            << "  journal: "
            << (journal == kNoBlock ? std::string("none")
                                    : "blocks " + std::to_string(journal) + ".." +
                                          std::to_string(journal + journalLen - 1))
            << "\n"
            << "  allocation words: " << order.Get32(h + kHdrAlloc1) << " "
            << order.Get32(h + kHdrAlloc2) << " " << order.Get32(h + kHdrAlloc3) << "\n"
            << "  comment: \"" << Printable(header.substr(kHdrComment, commentLen)) << "\"\n";
        for (int t = 0; t < kTrees; ++t)
            if (roots[size_t(t)] != 0)
                out << "  root of "
                    << (t == 0 ? std::string("the main tree") : "tree " + std::to_string(t))
                    << ": block " << roots[size_t(t)] << "\n";
        for (int i = 1; i <= kMaxIndex; ++i) {
            uint8_t type = h[kHdrKeyTypes + uint32_t(i)];
            uint8_t tree = h[kHdrTrees + uint32_t(i) - 1];
            if (type != 0 || tree != 0 || i == 1)
                out << "  index " << i << ": key type " << int(type) << " ("
                    << KindName(kinds[size_t(i)]) << "), tree " << int(tree) << "\n";
        }
    }

    // Walk every tree from its root: what each block holds, and the records.
    std::map<uint32_t, std::string> use; // first block -> description
    std::map<uint32_t, uint32_t> span;   // first block -> blocks
    std::vector<Record> records;
    std::vector<std::string> blockLines;
    if (count > 0) {
        use[0] = "header shadow";
        span[0] = 1;
    }
    if (journal != kNoBlock && journalLen > 0) {
        use[journal] = "journal of commit " + std::to_string(order.Get32(h + kHdrSequence));
        span[journal] = journalLen;
    }
    std::set<uint32_t> seen;
    for (int t = 0; t < kTrees; ++t) {
        std::vector<std::pair<uint32_t, int>> stack; // block, depth
        if (roots[size_t(t)] != 0)
            stack.push_back({roots[size_t(t)], 0});
        while (!stack.empty()) {
            auto [b, depth] = stack.back();
            stack.pop_back();
            std::string bytes;
            if (b == 0 || b >= count || !seen.insert(b).second || depth > kMaxLevel ||
                !source.Block(b, &bytes)) {
                blockLines.push_back("block " + BlockName(b) +
                                     ": named by a tree but outside the file or seen before");
                continue;
            }
            IndexBlock block;
            block.order = order;
            std::copy(bytes.begin(), bytes.end(), block.bytes.begin());
            std::string why;
            if (!block.Parse(kinds, &why)) {
                use[b] = "damaged index block: " + why;
                span[b] = 1;
                continue;
            }
            bool leaf = block.Level() == 0;
            use[b] = (leaf ? "leaf" : "index block, level " + std::to_string(block.Level())) +
                     ", " + std::to_string(block.Count()) + " entries, " +
                     std::to_string(block.Free()) + " bytes free, prev " + BlockName(block.Prev()) +
                     ", next " + BlockName(block.Next()) +
                     (leaf ? "" : ", first child " + BlockName(block.LeftChild()));
            span[b] = 1;
            std::ostringstream lines;
            for (int i = 0; i < block.Count(); ++i) {
                EntryView e = block.Entry(i);
                std::string key = DecodeKey(kinds[e.index], order, e.key, e.keyLen);
                bool text =
                    kinds[e.index] == KeyKind::String || kinds[e.index] == KeyKind::StringNoCase;
                std::string shown = text ? Quoted(key) : Hex(key);
                lines << "    [" << i << "] index " << int(e.index) << " " << shown;
                if (!leaf) {
                    lines << " -> block " << e.tail << "\n";
                    continue;
                }
                lines << ": " << e.tail << " bytes";
                if (e.recno != 0)
                    lines << " at block " << e.recno;
                lines << "\n";
                if (e.index == 1)
                    records.push_back({key, e.recno, e.tail});
                if (e.recno != 0) {
                    std::ostringstream what;
                    what << "record data of " << shown << ", " << e.tail << " bytes";
                    use[e.recno] = what.str();
                    span[e.recno] = ExtentBlocks(e.tail);
                }
            }
            if (options.blocks)
                blockLines.push_back("block " + std::to_string(b) + ": " + use[b] + "\n" +
                                     lines.str());
            if (!leaf) {
                for (int i = block.Count() - 1; i >= 0; --i)
                    stack.push_back({block.Entry(i).tail, depth + 1});
                stack.push_back({block.LeftChild(), depth + 1});
            }
        }
    }

    if (options.records) {
        out << "records of index 1: " << records.size() << "\n";
        std::sort(records.begin(), records.end(),
                  [](const Record& a, const Record& b) { return a.key < b.key; });
        for (const Record& r : records) {
            std::string line;
            bool objectKey = r.key.size() >= 4 && r.key.find_first_not_of("-0123456789") >= 4;
            if (objectKey)
                line = "  kind " + r.key.substr(0, 4) + " \"" + Printable(r.key.substr(4)) + "\"";
            else
                line = "  \"" + Printable(r.key) + "\"";
            out << line << ": " << r.length << " bytes\n";
            if (options.data && r.length > 0) {
                std::string data;
                uint64_t at = uint64_t(r.recno + 1) * kBlockSize + kDataHeader;
                if (source.Bytes(at, std::min<uint32_t>(r.length, 64), &data))
                    out << "    " << Hex(data) << (r.length > 64 ? " ..." : "") << "\n";
                else
                    out << "    (data cannot be read)\n";
            }
        }
    }

    if (options.blocks) {
        out << "blocks:\n";
        for (const std::string& line : blockLines)
            out << "  " << line << (line.back() == '\n' ? "" : "\n");
        // Everything else, in order, with runs of free blocks folded.
        uint32_t b = 0;
        while (b < count) {
            auto it = use.find(b);
            if (it != use.end() && it->second.rfind("leaf", 0) != 0 &&
                it->second.rfind("index block", 0) != 0) {
                uint32_t n = std::max<uint32_t>(1, span[b]);
                out << "  " << Range(b, n) << ": " << it->second << "\n";
                b += n;
            } else if (it != use.end()) {
                ++b;
            } else {
                uint32_t start = b;
                while (b < count && use.find(b) == use.end())
                    ++b;
                out << "  " << Range(start, b - start) << ": free\n";
            }
        }
    }
    if (source.engine)
        file.Close();
    return result;
}

} // namespace vorlane::objdb
