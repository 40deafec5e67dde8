// CObjectDatabase: the program's store of named objects (file sets,
// thumbnails, user settings) in one keyed record file, VORLN32.DAT. An
// object is named by (kind, name) and holds 0 to MaxRecordSize() bytes. The
// key of an object is its kind printed as four digits ("%04ld") followed by
// the name as given, so the objects of one kind are adjacent and ordered by
// name (docs/formats/VORLN32.DAT.md).
//
// The application object owns the one database for the whole run; every
// other part reaches it through the application.
//
// Threads: the database belongs to the GUI thread, which opens it, uses it
// and closes it (in a console run the console's one thread, in a test the
// test's thread). It takes no lock of its own and nothing in it is
// thread-safe: even a read moves the position and fills the block cache.
// Background jobs on worker threads never call it. Code on another thread
// that needs an object asks the owner thread to read or write it and waits
// for the answer, or is handed the data before it starts. The thumbnail
// scan is such a job: it decodes on worker threads and stores through a
// viewers::IThumbnailStore that carries each call to the owner thread and
// waits (gui/CGuiThumbnailStore), so the database never needs a lock.
//
// Every operation returns false (or -1 / 0 counts) on failure and leaves a
// code and a message in LastErrorCode() / LastErrorMessage(); every
// operation but Open first empties the message and fails with "An object
// database is NOT opened!" when no file is open. Changes become durable at
// Flush() and Close(); a crash loses only what came after the last of them.
#pragma once

#include "objdb/CKeyedFile.h"

#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace vorlane::objdb {

// Error codes of the object database (LastErrorCode()).
enum ObjectDatabaseError : int {
    kOdbNoError = 0,
    kOdbDoesNotExist = 1,        // "Database does not exist!"
    kOdbRecordSize = 2,          // "Object record size is out of range!"
    kOdbInvalidKey = 3,          // "Invalid key."
    kOdbNoWorkRecord = 4,        // "Unable to allocate database object work record!"
    kOdbMaxRecordSize = 5,       // "Max record size allowed is %d!"
    kOdbNotFound = 6,            // "Object not found in database!"
    kOdbBufferTooSmall = 7,      // "Object buffer too small to receive object!"
    kOdbCannotDelete = 8,        // "Unable to delete the specified object!"
    kOdbCannotUpdate = 9,        // "Unable to update object (disk full??)."
    kOdbCannotAdd = 10,          // "Unable to add object (disk full??)."
    kOdbKeyExists = 11,          // "Specified key already exists!"
    kOdbFileMissing = 12,        // "File does not exist!"
    kOdbCannotOpenSource = 13,   // "Unable to open source file!"
    kOdbCannotCreateTarget = 14, // "Unable to create target file!"
    kOdbCannotReadSource = 15,   // "Unable to read all of source file!"
    kOdbCannotWriteTarget = 16,  // "Unable to write object to target file!"
    kOdbSourceTooLarge = 17,     // "Source file exceeds maximum database object size!"
    kOdbNoFileHandles = 18,      // "There are not any available file handles!"
    kOdbNoBuffer = 19,           // "Unable to allocate buffer for object record!"
    kOdbCannotSave = 20,         // "Unable to save the object database (disk full??)."
    kOdbUnreadable = 21,         // "Unable to read the object database (the file is damaged)."
};

// The largest maximum record size a database may be opened with.
constexpr int kObjectDatabaseMaxRecordSize = 30000;
// Object kinds the program stores.
constexpr int32_t kObjectKindFileSet = 3;
constexpr int32_t kObjectKindThumbnail = 5;
constexpr int32_t kObjectKindSettings = 7;

// An entry of a listing; callers may set flag to pick entries for DeleteObjects.
struct DATABASE_OBJECT_ITEM {
    int32_t kind = 0;
    std::string name;
    uint8_t flag = 0;
};

// An entry of a listing with the object's data read as a string.
struct DATABASE_OBJECT_STRING {
    int32_t kind = 0;
    std::string name;
    std::string value;
};

// A whole file read in to become an object.
using CCharBuffer = std::vector<uint8_t>;

enum class ImportMode { Add, Update, Put };

// A stream on a temporary file that stands for an object: for reading, the
// object's data; for writing, what CloseObjectStream stores. The temporary
// file is deleted when the stream is destroyed.
class CObjectDatabaseStream {
  public:
    ~CObjectDatabaseStream();
    CObjectDatabaseStream(const CObjectDatabaseStream&) = delete;
    CObjectDatabaseStream& operator=(const CObjectDatabaseStream&) = delete;

    std::fstream& stream() { return m_stream; }
    int32_t Kind() const { return m_kind; }
    const std::string& Name() const { return m_name; }
    const std::string& TempFileName() const { return m_tempFile; }
    bool ForWriting() const { return m_writing; }

  private:
    friend class CObjectDatabase;
    CObjectDatabaseStream() = default;

    int32_t m_kind = 0;
    std::string m_name;
    std::string m_tempFile;
    bool m_deleteTempFile = true;
    bool m_writing = false;
    std::fstream m_stream;
};

class CObjectDatabase {
  public:
    CObjectDatabase();
    ~CObjectDatabase(); // closes
    CObjectDatabase(const CObjectDatabase&) = delete;
    CObjectDatabase& operator=(const CObjectDatabase&) = delete;

    // ---- opening and closing ------------------------------------------------------
    // Opens fileName for exclusive use (a second holder, in this process or
    // another, fails), creating it when missing and createIfMissing is set.
    // maxRecordSize below 256 becomes 256; above 30000 fails with code 5. A
    // failure leaves the database closed with "Unable to create/open object
    // database '<file>'." (LastErrorDetail() says why).
    bool Open(const std::string& fileName, bool createIfMissing, int maxRecordSize);
    // Commits and closes; false when the final commit failed (code 20).
    bool Close();
    bool IsOpen() const;
    // Makes every change so far durable (code 20 on failure).
    bool Flush();
    // See CKeyedFile::SetDurable; true by default.
    void SetDurable(bool durable);

    int LastErrorCode() const { return m_lastErrorCode; }
    const std::string& LastErrorMessage() const { return m_lastErrorMessage; }
    // The engine's sentence behind the last failure, when there is one.
    const std::string& LastErrorDetail() const { return m_lastErrorDetail; }
    // The keyed file status behind the last failed Open (kKfInUse, kKfDamaged,
    // ...); 0 when the engine did not refuse it.
    int32_t LastOpenStatus() const { return m_lastOpenStatus; }
    const std::string& FileName() const { return m_fileName; }
    int MaxRecordSize() const { return m_maxRecordSize; }
    void SetTempDirectory(const std::string& dir) { m_tempDirectory = dir; }
    const std::string& TempDirectory() const { return m_tempDirectory; }

    // The message of a code, as LastErrorMessage() gives it ("" for codes
    // outside the table).
    static std::string ErrorText(int code);
    // The key of (kind, name): four characters of "%04ld", then the name.
    static std::string MakeKey(int32_t kind, const std::string& name);

    // ---- single objects -----------------------------------------------------------
    bool AddObject(int32_t kind, const std::string& name, const void* data, size_t length);
    bool UpdateObject(int32_t kind, const std::string& name, const void* data, size_t length);
    bool PutObject(int32_t kind, const std::string& name, const void* data, size_t length);
    bool AddString(int32_t kind, const std::string& name, const std::string& value);
    bool PutString(int32_t kind, const std::string& name, const std::string& value);
    // Stores a 32-bit little-endian count followed by the values.
    bool PutIntArray(int32_t kind, const std::string& name, const std::vector<int32_t>& values);
    // Finds the object; *length (when given) receives its stored length.
    // With a buffer and a nonzero bufferSize the data is copied, which
    // needs bufferSize >= the stored length (code 7 otherwise).
    bool GetObject(int32_t kind, const std::string& name, void* buffer, size_t* length,
                   size_t bufferSize);
    // The data in a buffer of exactly the stored length.
    bool GetObjectAllocated(int32_t kind, const std::string& name, std::vector<uint8_t>* data);
    // The data up to its first NUL.
    bool GetString(int32_t kind, const std::string& name, std::string* value);
    // Appends the stored values; fails (without a code) when the stored
    // length is not (count + 1) * 4.
    bool GetIntArray(int32_t kind, const std::string& name, std::vector<int32_t>* values);
    // The stored length, or -1 when the object is absent.
    int64_t GetObjectSize(int32_t kind, const std::string& name);
    bool DeleteObject(int32_t kind, const std::string& name);
    bool CopyObject(int32_t kind, const std::string& fromName, const std::string& toName);
    // Adds under the new name before it deletes the old one.
    bool RenameObject(int32_t kind, const std::string& oldName, const std::string& newName);

    // ---- walking and bulk operations --------------------------------------------------
    // Positions on the first object of kind (-1: of any kind).
    bool GetFirstOfKind(int32_t kind, std::string* name, size_t* length);
    // Move the position; data (when given) receives the object's data.
    bool GetFirst(int32_t* kind, std::string* name, std::vector<uint8_t>* data = nullptr);
    bool GetLast(int32_t* kind, std::string* name, std::vector<uint8_t>* data = nullptr);
    bool GetNext(int32_t* kind, std::string* name, std::vector<uint8_t>* data = nullptr);
    bool GetPrevious(int32_t* kind, std::string* name, std::vector<uint8_t>* data = nullptr);
    int CountObjects(int32_t kind);
    int ListObjects(int32_t kind, std::vector<DATABASE_OBJECT_ITEM>* items);
    int ListObjectStrings(int32_t kind, std::vector<DATABASE_OBJECT_STRING>* items);
    int ListObjectNames(int32_t kind, std::vector<std::string>* names);
    // Deletes the entries whose flag equals flag (all of them for 255);
    // deleted entries leave the array. Returns the number deleted.
    int DeleteObjects(std::vector<DATABASE_OBJECT_ITEM>* items, uint8_t flag);
    int DeleteObjects(std::vector<DATABASE_OBJECT_STRING>* items);
    int DeleteObjects(int32_t kind, std::vector<std::string>* names);
    int DeleteAllOfKind(int32_t kind);
    // The names of kind that begin with prefix (letters compared without
    // case), in key order, found without walking the rest of the kind.
    int ListObjectsByPrefix(int32_t kind, const std::string& prefix,
                            std::vector<std::string>* names);
    // Deletes every object of kind whose name begins with prefix, letters
    // compared without case. Returns the number deleted.
    int DeleteByPrefix(int32_t kind, const std::string& prefix);
    // Renames every object of kind whose name begins with oldPrefix (letters
    // without case) to newPrefix + the rest; true when one was renamed.
    bool RenameByPrefix(int32_t kind, const std::string& oldPrefix, const std::string& newPrefix);
    bool IsEmpty();

    // ---- files as objects -----------------------------------------------------------
    bool ImportFile(int32_t kind, const std::string& name, const std::string& filePath,
                    bool deleteSource, ImportMode mode);
    // Writes the object to filePath. The file is replaced only when the whole
    // data is written, so a failure leaves an old file as it was.
    bool ExportObject(int32_t kind, const std::string& name, const std::string& filePath);
    bool OpenObjectForReading(int32_t kind, const std::string& name,
                              std::unique_ptr<CObjectDatabaseStream>* stream);
    bool CreateObjectForWriting(int32_t kind, const std::string& name,
                                std::unique_ptr<CObjectDatabaseStream>* stream);
    bool CloseObjectStream(std::unique_ptr<CObjectDatabaseStream> stream, bool save);
    // Creates an empty, new temporary file "%08ld.$$$" in the temporary
    // directory (or the database's directory) and gives its path.
    bool MakeTempFileName(std::string* path);

  private:
    bool OpenCheck();
    bool SetError(int code);
    bool EngineError(int code);
    bool ValidName(const std::string& name);
    // Positions on the exact key; false with code 6 (absent) or 21.
    bool FindExact(int32_t kind, const std::string& name);
    // Reads the record positioned on into *data (whole).
    bool ReadCurrent(std::vector<uint8_t>* data);
    // Kind and name of the record positioned on.
    void CurrentObject(int32_t* kind, std::string* name) const;
    bool Move(int how, int32_t* kind, std::string* name, std::vector<uint8_t>* data);
    // Calls visit(kind, name) for each object of kind in key order.
    template <typename Visit> int Walk(int32_t kind, Visit visit);
    // The names of kind that begin with prefix, letters without case.
    bool NamesWithPrefix(int32_t kind, const std::string& prefix, std::vector<std::string>* names);

    int m_lastErrorCode = 0;
    std::string m_lastErrorMessage;
    std::string m_lastErrorDetail;
    int32_t m_lastOpenStatus = 0;
    std::unique_ptr<CKeyedFile> m_file;
    std::vector<uint8_t> m_work; // work record: data area of maxRecordSize + 512 bytes
    std::string m_fileName;
    int m_maxRecordSize = 0;
    std::string m_tempDirectory;
    bool m_durable = true;
};

} // namespace vorlane::objdb
