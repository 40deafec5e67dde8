#include "viewers/DocumentTypes.h"

#include <magic.h>

#include <array>
#include <string_view>
#include <utility>

namespace vorlane::viewers {

namespace {

constexpr std::array<const char*, kDocumentTypeCount> kNames = {
    "",         "ASCII",       "Hex",         "Graphic",   "Icon",  "Word",      "WordPerfect",
    "AmiPro",   "DBase",       "Paradox",     "Lotus 123", "Excel", "Lotus 123", "ZIP",
    "LZH",      "Quattro Pro", "Sound File",  "Meta File", "Q&A",   "Q&A",       "MS Works",
    "MS Works", "Unused",      "WordPerfect", "MS Works",  "Excel", "MS Works",  "Write",
    "Truetype", "Program",     "PIF",         "Group"};

// MIME types (exact, or a prefix ending in '/' or '.') and the closest type.
constexpr std::pair<std::string_view, int> kMimeTypes[] = {
    {"inode/x-empty", kDocumentEmpty},
    {"application/json", kDocumentAscii},
    {"application/xml", kDocumentAscii},
    {"application/javascript", kDocumentAscii},
    {"application/x-shellscript", kDocumentAscii},
    {"application/postscript", kDocumentAscii},
    {"image/svg+xml", kDocumentAscii},
    {"image/x-icon", kDocumentIcon},
    {"image/vnd.microsoft.icon", kDocumentIcon},
    {"image/wmf", kDocumentMetaFile},
    {"image/x-wmf", kDocumentMetaFile},
    {"image/emf", kDocumentMetaFile},
    {"image/x-emf", kDocumentMetaFile},
    {"application/msword", kDocumentWord},
    {"application/vnd.openxmlformats-officedocument.wordprocessingml", kDocumentWord},
    {"application/vnd.oasis.opendocument.text", kDocumentWord},
    {"application/rtf", kDocumentWord},
    {"text/rtf", kDocumentWord},
    {"application/vnd.wordperfect", kDocumentWordPerfect},
    {"application/x-dbf", kDocumentDBase},
    {"application/x-dbase", kDocumentDBase},
    {"application/x-paradox", kDocumentParadox},
    {"application/vnd.lotus-1-2-3", kDocumentLotus},
    {"application/vnd.ms-excel", kDocumentExcel},
    {"application/vnd.openxmlformats-officedocument.spreadsheetml", kDocumentExcel},
    {"application/vnd.oasis.opendocument.spreadsheet", kDocumentExcel},
    {"application/zip", kDocumentZip},
    {"application/x-lha", kDocumentLzh},
    {"application/x-lzh-compressed", kDocumentLzh},
    {"application/x-quattro-pro", kDocumentQuattroPro},
    {"application/vnd.ms-works", kDocumentWorks},
    {"application/x-mswrite", kDocumentWrite},
    {"font/ttf", kDocumentTrueType},
    {"font/sfnt", kDocumentTrueType},
    {"font/otf", kDocumentTrueType},
    {"application/x-font-ttf", kDocumentTrueType},
    {"application/x-executable", kDocumentProgram},
    {"application/x-pie-executable", kDocumentProgram},
    {"application/x-sharedlib", kDocumentProgram},
    {"application/x-dosexec", kDocumentProgram},
    {"application/x-mach-binary", kDocumentProgram},
    {"text/", kDocumentAscii},
    {"audio/", kDocumentSound},
    {"image/", kDocumentGraphic},
};

// One libmagic handle per thread, its database loaded once.
magic_t ThreadMagic() {
    struct Handle {
        magic_t cookie = nullptr;
        Handle() {
            cookie = magic_open(MAGIC_MIME_TYPE | MAGIC_NO_CHECK_COMPRESS | MAGIC_ERROR);
            if (cookie != nullptr && magic_load(cookie, nullptr) != 0) {
                magic_close(cookie);
                cookie = nullptr;
            }
        }
        ~Handle() {
            if (cookie != nullptr)
                magic_close(cookie);
        }
    };
    thread_local Handle handle;
    return handle.cookie;
}

} // namespace

std::string DocumentTypeName(int type) {
    return type >= 0 && type < kDocumentTypeCount ? kNames[static_cast<size_t>(type)] : "";
}

int DocumentTypeOfMime(const std::string& mime) {
    for (const auto& [name, type] : kMimeTypes) {
        const bool prefix = name.back() == '/' || name.back() == '.';
        if (prefix ? mime.starts_with(name)
                   : mime == name || (mime.starts_with(name) && mime[name.size()] == '.'))
            return type;
    }
    return kDocumentHex;
}

int DocumentTypeOfFile(const std::string& hostPath) {
    magic_t cookie = ThreadMagic();
    const char* mime = cookie != nullptr ? magic_file(cookie, hostPath.c_str()) : nullptr;
    return mime != nullptr ? DocumentTypeOfMime(mime) : kDocumentHex;
}

} // namespace vorlane::viewers
