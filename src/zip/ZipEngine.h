// The zip engine: two entry points, one that changes archives (ZipEntry)
// and one that reads them (UnzipEntry). Each takes one command record,
// works synchronously on the calling thread and returns 0 on success or an
// error code (kUnzip... / kZip... below; CZipFileOperation words them).
//
// The records keep the fields and the roles of the program's engine
// interface; pointers are native pointers. The callbacks are called on the
// caller's thread during the call, with the user data of their record.
//
// Paths handed to the engine (archive, file specification, destination)
// are DOS paths of the drive map (platform/DosPath.h). A file
// specification is a list of names separated by single blanks; a name that
// holds a blank is written in double quotes. Names may hold the wildcards
// '*' and '?'. For the zip side a name is a disk path; for extraction and
// deletion it is matched, without regard to case, against the member's
// path name ('\' between components) or, when it holds no '\', against the
// member's base name.
//
// A member's name as the engine lists it has '/' between components; the
// '\' separators of archives made on DOS or Windows are turned into '/',
// while from Unix and other hosts a '\' is an ordinary character of a
// name. Operations that must reach exactly the members a user chose (a
// delete, the members of a move) pass those whole names instead of a
// specification (memberNames of both records); they are compared exactly,
// case and all.
//
// Reading never trusts an archive: the central directory is parsed with
// bounds checks, overlapping members are refused, a member that inflates
// past its declared size is stopped, and extraction never writes outside
// its destination. Every change goes through libzip, which writes a new
// archive beside the old one and renames it over it only when complete.
// A change holds the archive's write lock from reading it to the rename
// (a second writer gets kZipArchiveBusy), refuses to rename over an
// archive that another program changed meanwhile (kZipArchiveChanged),
// keeps a program in front of the archive (a self-extractor), and removes
// the temporary files that killed changes left beside the archive.
#pragma once

#include <cstdint>
#include <string>

namespace vorlane::platform {
class DriveMap;
}

namespace vorlane::zip {

class ZipIndexCache; // ZipIndexCache.h

// --- callbacks -----------------------------------------------------------

// Two lines of status text (either may be null or empty). True: cancel.
using ZipStatusCallback = bool (*)(const char* text1, const char* text2, void* user);
// A line of text (may be null or empty) and a percentage (0: none). True: cancel.
using ZipProgressCallback = bool (*)(const char* text, int percent, void* user);
// A question of the engine: its number (ZipMessage), three values the
// program does not use, its text, and a reply buffer of kZipReplySize bytes.
using ZipMessageCallback = int (*)(int number, int value1, int value2, int value3, const char* text,
                                   char* reply, void* user);
// Called nowhere that matters; answers 0.
using ZipNullCallback = int (*)(void* user);

constexpr int kZipReplySize = 256;

// Message numbers the engine asks through the message callback.
enum ZipMessage : int {
    // The archive spans or is split over several volumes (or another
    // multi-volume request: 1, 5, 6, 7, 10). Answer 0 to go on (reading the
    // central directory of the last volume), 2 to refuse: the call then
    // ends with kUnzipUserCancelled / kZipUserCancelled.
    kMessageMultiVolume = 0,
    // "Overwrite '<file>'?": asked during an extract that must prompt
    // before overwriting. Answer 6 (yes) to overwrite; anything else skips.
    kMessageOverwrite = 8,
    // An encrypted member was met and no password was given: it is skipped.
    // The text is the file it would have become.
    kMessageEncryptedSkipped = 9,
    // A member was refused while the others went on (value1: the refusal,
    // one of kUnzipUnsafeName .. kUnzipInvalidName). The text is the
    // member's name as stored. The answer is not used.
    kMessageMemberRefused = 14,
    // A file to add could not be read (a dangling link, no permission) and
    // was left out; the text is "'<DOS path>': <reason>". The answer is not
    // used. The call goes on with the other files and ends with
    // kZipFilesSkipped (or kZipOpenForRead when nothing could be added).
    kMessageFileSkipped = 20,
    // What lies behind the failure the call is about to return: the path
    // and the reason ("Cannot create 'C:\OUT\DIR': it is a symbolic link,
    // which extraction never follows"). Sent at most once per call, for
    // its first failure; the answer is not used.
    kMessageErrorDetail = 21,
};

// --- result codes ----------------------------------------------------------

enum UnzipResult : int {
    kUnzipOk = 0,
    kUnzipUnexpectedEnd = 2, // truncated archive, directory past the end
    kUnzipNotZip = 3,        // no end-of-central-directory record
    kUnzipOutOfMemory = 4,
    kUnzipFileNotFound = 9, // the archive does not exist
    kUnzipNothingFound = 11,
    kUnzipIndexOutOfBounds = 25,
    kUnzipCreateOutput = 28,
    kUnzipOpenOutput = 29,
    kUnzipCrcError = 39,
    kUnzipCancelled = 40,
    kUnzipEncryptedSkipped = 41,
    kUnzipUnknownMethod = 42,
    kUnzipBadPassword = 44,
    kUnzipVolumeItem = 46, // a member of a split or spanned archive
    kUnzipBadCommand = 47,
    kUnzipUserCancelled = 48,
    kUnzipSkipped = 49,
    kUnzipDiskFull = 50,
    // Refusals of hostile archives (the program's own codes).
    kUnzipOverlappingMembers = 80, // members share bytes (a zip bomb)
    kUnzipMemberTooLarge = 81,     // inflates past its declared size
    kUnzipUnsafeName = 82,         // absolute, drive letter or ".." component
    kUnzipSymlinkMember = 83,      // a symbolic link member
    kUnzipCaseCollision = 84,      // names that differ only in case, on a
                                   // target that does not tell case apart
    kUnzipInvalidName = 85,        // flagged UTF-8, but not valid UTF-8
    // The archive exists but could not be opened or read (permission, I/O
    // error); the record's systemError holds the errno.
    kUnzipReadError = 90,
};

enum ZipResult : int {
    kZipOk = 0,
    kZipUnexpectedEnd = 2,
    kZipStructureError = 3,
    kZipOutOfMemory = 4,
    kZipInternalError = 5,
    kZipUserCancelled = 9,
    kZipTempFileError = 10,
    kZipReadError = 11,
    kZipNothingToDo = 12,
    kZipMissingOrEmpty = 13,
    kZipWriteError = 14,
    kZipOpenForWrite = 15,
    kZipConflictingNames = 16,
    kZipIncomplete = 17,
    kZipOpenForRead = 18,
    kZipMultiVolume = 21,
    // The program's own results of a change.
    // (Numbered apart from the unzip side's own codes, 80 to 90, which
    // share one table of texts.)
    kZipArchiveBusy = 95,    // another writer holds the archive's lock
    kZipArchiveChanged = 96, // another program changed the archive meanwhile: nothing written
    kZipFilesSkipped = 97,   // done, but unreadable files were left out (kMessageFileSkipped)
};

// --- records -------------------------------------------------------------

enum ZipFunction : int32_t {
    kZipFreshen = 1,
    kZipDelete = 2,
    kZipUpdate = 3,
    kZipAdd = 4,
};

enum UnzipFunction : int32_t {
    kUnzipOpen = 1,
    kUnzipCommentLength = 5,
    kUnzipReadComment = 6,
    kUnzipMemberInfo = 7,
    kUnzipExtract = 8,
};

// Option bits of ZipCommandRecord::options.
constexpr uint16_t kZipStoreRelativePaths = 0x0001;
constexpr uint16_t kZipDosNames = 0x0020; // store DOS 8.3 names
// Option bits of UnzipCommandRecord::options.
constexpr uint16_t kUnzipDosNames = 0x0020; // extract as DOS 8.3 names
// Treat the destination as one that does not tell names apart by case,
// whatever its file system says (the engine also finds out by itself).
constexpr uint16_t kUnzipCaseInsensitiveTarget = 0x0040;

constexpr uint32_t kZipCommandRecordSize = 188;
constexpr uint32_t kUnzipCommandRecordSize = 142;

// The record of the zip entry point. The initialisers are the reset values
// except for the pointers and callbacks, which the caller fills.
struct ZipCommandRecord {
    uint32_t recordSize = kZipCommandRecordSize;
    int32_t function = 6;
    const char* zipPath = nullptr;
    const char* fileSpec = nullptr; // names separated by blanks
    ZipStatusCallback statusCallback = nullptr;
    void* statusUser = nullptr;
    ZipProgressCallback progressCallback = nullptr;
    void* progressUser = nullptr;
    int32_t reserved32 = 0;
    int32_t recurse = 0; // into subdirectories of the specification
    int32_t compressionLevel = 5;
    int32_t reserved44 = 1;
    int32_t useWorkPath = 0;
    const char* workPath = nullptr;
    int32_t reserved56 = 0;
    int32_t reserved60 = 0;
    int32_t reserved64 = 0;
    int32_t move = 0; // delete each source file once it has been added
    // Set by the engine: the errno behind a failure the system reported
    // (reading or writing a file), 0 when none; the result code alone
    // cannot say "permission denied" from "I/O error".
    int32_t systemError = 0;
    int32_t storeNoPaths = 1;
    int32_t reserved80 = 0;
    int32_t writeComment = 0; // replace the archive comment by comment
    const char* comment = nullptr;
    int32_t reserved92[12] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0}; // 92 to 136; 124 is 1
    int32_t usePassword = 0;
    const char* password = nullptr; // traditional zip encryption
    ZipMessageCallback messageCallback = nullptr;
    void* messageUser = nullptr;
    uint16_t reserved156 = 0;
    uint16_t options = 2; // kZipStoreRelativePaths, kZipDosNames
    int32_t reserved160 = 0;
    int32_t reserved164 = 0;
    ZipNullCallback nullCallback = nullptr;
    void* nullUser = nullptr;
    int32_t reserved176[3] = {0, 0, 0};
    // Beyond the engine's record: a descriptor of the archive on which the
    // caller already holds the write lock, so that a change made of several
    // calls keeps the archive locked between them; -1: the call locks the
    // archive itself and fails with kZipArchiveBusy when another holds it.
    int32_t heldLockFd = -1;
    // Delete: when set, the members to remove, each by its whole name as
    // the engine lists it (kUnzipMemberInfo's memberName), compared
    // exactly; a null pointer ends the list. fileSpec is not used then.
    const char* const* memberNames = nullptr;
    // The drive map the call translates DOS paths with (not owned; the
    // caller's snapshot). Required: a call without one is refused as a bad
    // command.
    const platform::DriveMap* drives = nullptr;
};

// The record of the unzip entry point.
struct UnzipCommandRecord {
    uint32_t recordSize = kUnzipCommandRecordSize;
    int32_t function = 9;
    const char* zipPath = nullptr;
    void* buffer = nullptr; // a ZipItemRecord for kUnzipMemberInfo
    const char* fileSpec = nullptr;
    int32_t memberIndex = -1; // kUnzipMemberInfo; extract of one member
    const char* destination = nullptr;
    int32_t freshen = 0;   // only files that exist there and are older
    int32_t update = 0;    // only files newer than there, or missing there
    int32_t overwrite = 1; // 0: ask kMessageOverwrite before overwriting
    int32_t reserved40 = 0;
    int32_t reserved44 = 0;
    int32_t dropPaths = 1; // extract every member into the destination itself
    int32_t reserved52 = 1;
    int32_t reserved56 = 1;
    ZipProgressCallback progressCallback = nullptr;
    void* progressUser = nullptr;
    ZipStatusCallback statusCallback = nullptr;
    void* statusUser = nullptr;
    // Member count after kUnzipOpen, comment length after
    // kUnzipCommentLength, buffer size for kUnzipReadComment.
    int32_t count = 0;
    char* commentBuffer = nullptr;
    // Set by the engine: the errno behind a failure the system reported
    // (kUnzipReadError, a file that could not be written), 0 when none.
    int32_t systemError = 0;
    int32_t reserved88 = 0;
    int32_t usePassword = 0;
    const char* password = nullptr;
    ZipMessageCallback messageCallback = nullptr;
    void* messageUser = nullptr;
    uint16_t options = 3; // kUnzipDosNames
    int32_t reserved110 = 0;
    int32_t reserved114 = 0;
    ZipNullCallback nullCallback = nullptr;
    void* nullUser = nullptr;
    int32_t reserved126[4] = {0, 0, 0, 0};
    // Extract: when set, the members to extract, each by its whole name as
    // kUnzipMemberInfo gives it, compared exactly; a null pointer ends the
    // list. fileSpec and memberIndex are not used then.
    const char* const* memberNames = nullptr;
    // kUnzipMemberInfo: when set, receives the member's whole name as
    // stored ('/' between components, UTF-8), which the item record's
    // 260-byte field may have to cut.
    std::string* memberName = nullptr;
    // The caller's cache of parsed central directories (not owned; used
    // on the calling thread only for the call). With one, an open
    // (kUnzipOpen) keeps the archive's index there and member information
    // reads it, so listing 100,000 members parses the directory once. Null:
    // every call parses the archive afresh.
    ZipIndexCache* indexCache = nullptr;
    // The drive map the call translates DOS paths with (not owned; the
    // caller's snapshot). Required: a call without one is refused as a bad
    // command.
    const platform::DriveMap* drives = nullptr;
};

// One member as the engine describes it (kUnzipMemberInfo): exactly 310
// bytes, little-endian, packed. The two 8-byte areas the program does not
// read carry the full 32-bit member index and the high halves of the sizes,
// so members past 65,535 and over 4 GiB are exact.
#pragma pack(push, 1)
struct ZipItemRecord {
    uint16_t memberNumber;     // 0: the index, low 16 bits
    uint32_t uncompressedSize; // 2: low 32 bits
    uint32_t compressedSize;   // 6: low 32 bits
    uint16_t method;           // 10: compression method number
    uint32_t memberIndex;      // 12: the whole 0-based index
    uint32_t compressedHigh;   // 16: high 32 bits of the compressed size
    char dateText[10];         // 20: "MM-DD-YYYY" (fills the field: no NUL)
    char timeText[8];          // 30: "HH:MM" (24-hour), NUL-terminated
    char pathName[260];        // 38: the member's name, NUL-terminated
    uint32_t attributes;       // 298: DOS bits in the low byte; 0x8000 encrypted
    uint32_t uncompressedHigh; // 302: high 32 bits of the uncompressed size
    uint32_t reserved306;      // 306: 0
};
#pragma pack(pop)
static_assert(sizeof(ZipItemRecord) == 310, "ZipItemRecord is 310 bytes");

constexpr uint32_t kZipItemEncrypted = 0x8000;

// The two entry points. A record whose size field is wrong gives
// kUnzipBadCommand / kZipInternalError.
int ZipEntry(ZipCommandRecord& record);
int UnzipEntry(UnzipCommandRecord& record);

} // namespace vorlane::zip
