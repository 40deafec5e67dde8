// ZipMemberEntry: one member of an archive as a directory read lists it
// (CZipFileOperation::ReadDirectory), made from the engine's member record
// (ZipItemRecord) and the member's whole name. It keeps only what the
// record says and cannot be worked out again, compactly: an archive may
// hold hundreds of thousands of members, and whoever shows them (the
// catalogue's zip directory) takes the name's buffer over without a copy.
//
// The rules of the zip texts are here too (method names, ratio, the size
// in kilobytes, the record's date and time texts, the member's path name),
// for anyone who shows a member.
#pragma once

#include "zip/ZipEngine.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace vorlane::zip {

struct ZipMemberEntry {
    // The whole name as stored ('/' between components, case kept; a '\'
    // is part of a name), NUL-terminated.
    std::unique_ptr<char[]> storedName;
    uint64_t uncompressedSize = 0;
    uint64_t compressedSize = 0;
    uint32_t attributes = 0; // DOS bits in the low byte; kZipItemEncrypted
    uint32_t index = 0;      // the engine's member number
    uint16_t method = 0;
    uint16_t dosDate = 0;
    uint16_t dosTime = 0;

    // realName: the member's whole name as the engine lists it
    // (UnzipCommandRecord::memberName); "" takes the record's name field,
    // read no further than the field even without its NUL.
    static ZipMemberEntry FromRecord(const ZipItemRecord& record, std::string_view realName = {});

    std::string_view StoredName() const {
        return storedName ? std::string_view(storedName.get()) : std::string_view();
    }
    // The record as the engine gave it (a name longer than the record's
    // field is cut there, as the engine cuts it).
    ZipItemRecord Record() const;

    // --- the rules, for anyone who shows zip texts ----------------------------
    // "Stored", "Deflated", ...; "Unknown" outside 0 to 8.
    static const char* MethodName(int method);
    // Whole percent saved: 100 - compressed * 100 / uncompressed, truncated
    // toward zero; 0 for an empty member; negative for one that grew.
    static int Ratio(uint64_t compressed, uint64_t uncompressed);
    static uint64_t KilobytesRoundedUp(uint64_t bytes);
    // "MM-DD-YY" or "MM-DD-YYYY" to a DOS date (years before 1980 give
    // 1980, after 2107 give 2107); unreadable numbers read as 0.
    static uint16_t DecodeDate(const char* text, size_t size);
    // "HH:MM" (24-hour), or "HH:MMa" / "HH:MMp" (12-hour) to a DOS time.
    static uint16_t DecodeTime(const char* text, size_t size);
    // A stored name as the program shows it: ASCII letters upper-cased,
    // '\' for every '/'.
    static std::string PathName(std::string_view stored);
};

} // namespace vorlane::zip
