#include "viewers/ThumbnailStore.h"

#include "objdb/CObjectDatabase.h"
#include "platform/AsciiCase.h"
#include "platform/DosPath.h"
#include "platform/FileSystem.h"

#include <array>
#include <cstring>

namespace vorlane::viewers {

namespace {

constexpr std::array<uint8_t, 8> kPngSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0xFFFFFFFFu) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    for (size_t i = 0; i < size; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc;
}

uint32_t ReadBig(const uint8_t* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

void AppendBig(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

struct Chunk {
    size_t offset; // of its length field
    uint32_t length;
    char type[5];
};

// Walks the chunks after the signature; false when one runs past the end.
template <typename F> bool WalkChunks(const std::vector<uint8_t>& png, F visit) {
    if (png.size() < kPngSignature.size() ||
        std::memcmp(png.data(), kPngSignature.data(), kPngSignature.size()) != 0)
        return false;
    size_t at = kPngSignature.size();
    while (at + 12 <= png.size()) {
        Chunk chunk{at, ReadBig(&png[at]), {}};
        std::memcpy(chunk.type, &png[at + 4], 4);
        if (chunk.length > png.size() - at - 12)
            return false;
        if (!visit(chunk))
            return true;
        at += 12 + chunk.length;
    }
    return true;
}

// Whether the chunk is our path chunk.
bool IsPathChunk(const std::vector<uint8_t>& png, const Chunk& c) {
    const size_t keyword = std::strlen(kThumbnailPathKeyword);
    return std::strcmp(c.type, "iTXt") == 0 && c.length > keyword &&
           std::memcmp(&png[c.offset + 8], kThumbnailPathKeyword, keyword + 1) == 0;
}

} // namespace

std::string ThumbnailKey(const std::string& dosPath) {
    return platform::LowerAscii(dosPath);
}

// iTXt: keyword, NUL, compression flag 0, method 0, empty language tag and
// translated keyword (each NUL-ended), then the UTF-8 text. An older path
// chunk is left out, so the object can be given a new path (a rename).
std::vector<uint8_t> EncodeThumbnailObject(const std::vector<uint8_t>& png,
                                           const std::string& exactPath) {
    std::vector<uint8_t> out(kPngSignature.begin(), kPngSignature.end());
    bool ended = false;
    const bool ok = WalkChunks(png, [&](const Chunk& c) {
        const auto begin = png.begin() + static_cast<std::ptrdiff_t>(c.offset);
        if (std::strcmp(c.type, "IEND") == 0) {
            std::vector<uint8_t> body = {'i', 'T', 'X', 't'};
            body.insert(body.end(), kThumbnailPathKeyword,
                        kThumbnailPathKeyword + std::strlen(kThumbnailPathKeyword));
            for (uint8_t b : {0, 0, 0, 0, 0})
                body.push_back(b);
            body.insert(body.end(), exactPath.begin(), exactPath.end());
            AppendBig(out, static_cast<uint32_t>(body.size() - 4));
            out.insert(out.end(), body.begin(), body.end());
            AppendBig(out, Crc32(body.data(), body.size()) ^ 0xFFFFFFFFu);
            out.insert(out.end(), begin, begin + 12);
            ended = true;
            return false;
        }
        if (!IsPathChunk(png, c))
            out.insert(out.end(), begin, begin + 12 + c.length);
        return true;
    });
    if (!ok || !ended)
        return {};
    return out;
}

bool DecodeThumbnailObject(const std::vector<uint8_t>& data, std::string* exactPath) {
    exactPath->clear();
    const std::string keyword(kThumbnailPathKeyword);
    const size_t header = keyword.size() + 5; // keyword, NUL, flag, method, two NULs
    return WalkChunks(data, [&](const Chunk& c) {
        if (std::strcmp(c.type, "iTXt") == 0 && c.length >= header) {
            const auto* body = reinterpret_cast<const char*>(&data[c.offset + 8]);
            if (std::memcmp(body, keyword.c_str(), keyword.size() + 1) == 0) {
                exactPath->assign(body + header, c.length - header);
                return false;
            }
        }
        return std::strcmp(c.type, "IEND") != 0;
    });
}

bool ThumbnailBelongsTo(const std::vector<uint8_t>& data, const std::string& dosPath) {
    std::string exact;
    if (!DecodeThumbnailObject(data, &exact))
        return false;
    return exact.empty() || exact == dosPath;
}

bool ThumbnailShowsFile(const std::vector<uint8_t>& data, const std::string& dosPath,
                        const platform::DriveMap& drives) {
    std::string exact;
    if (!DecodeThumbnailObject(data, &exact))
        return false;
    if (exact.empty() || exact == dosPath)
        return true;
    std::string hostA;
    std::string hostB;
    platform::FileEntry a;
    platform::FileEntry b;
    return platform::DosToHost(exact, &hostA, nullptr, drives) &&
           platform::DosToHost(dosPath, &hostB, nullptr, drives) &&
           platform::StatEntry(hostA, &a) && platform::StatEntry(hostB, &b) &&
           a.device == b.device && a.inode == b.inode;
}

bool CObjectDatabaseThumbnailStore::Get(const std::string& key, std::vector<uint8_t>* data) {
    return m_db.GetObjectAllocated(objdb::kObjectKindThumbnail, key, data);
}

bool CObjectDatabaseThumbnailStore::Put(const std::string& key, const std::vector<uint8_t>& data) {
    return m_db.PutObject(objdb::kObjectKindThumbnail, key, data.data(), data.size());
}

bool CObjectDatabaseThumbnailStore::Delete(const std::string& key) {
    return m_db.DeleteObject(objdb::kObjectKindThumbnail, key);
}

std::vector<std::string> CObjectDatabaseThumbnailStore::Names() {
    std::vector<std::string> names;
    m_db.ListObjectNames(objdb::kObjectKindThumbnail, &names);
    return names;
}

std::string CObjectDatabaseThumbnailStore::LastError() {
    return m_db.LastErrorMessage();
}

} // namespace vorlane::viewers
