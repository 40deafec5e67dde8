#include "fileops/ZipToExe.h"

#include "fileops/CFileOperation.h"
#include "platform/DosPath.h"
#include "platform/DosPathText.h"
#include "platform/File.h"
#include "platform/FileCopy.h"
#include "platform/FileSystem.h"
#include "platform/PathAbbreviation.h"
#include "platform/ProgramDirs.h"
#include "ui/MessageText.h"
#include "ui/UserInterface.h"
#include "zip/CZipFileOperation.h"
#include "zip/ZipMemberEntry.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <sys/stat.h>
#include <vector>

namespace vorlane::fileops {

namespace {

constexpr uint32_t kLocalSignature = 0x04034b50;
constexpr uint32_t kCentralSignature = 0x02014b50;
constexpr uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr size_t kEndRecordSize = 22;
constexpr size_t kCentralHeaderSize = 46;
constexpr uint64_t kMaxCommentLength = 65535;
constexpr size_t kScanBlock = 16384;
constexpr size_t kShortPath = 60;

const char* const kNoEmbeddedZip = "Could not find an embedded zip file in '%s'!";
const char* const kMultiVolume = "Multi-volume ZIP files are not supported!";
const char* const kCorrupt = "Embedded zip file in '%s' is corrupt!";
const char* const kZip64 =
    "'%s' is a ZIP64 archive (or would need ZIP64 offsets): it cannot be made into a "
    "self-extracting program!";

uint16_t Le16(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t Le32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
void Put32(unsigned char* p, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(value >> (8 * i));
}

// Reads exactly size bytes at offset, never past the end of the file.
bool ReadAt(platform::File& file, uint64_t fileSize, void* buffer, size_t size, uint64_t offset) {
    if (offset > fileSize || size > fileSize - offset)
        return false;
    size_t done = 0;
    while (done < size) {
        size_t got = 0;
        if (!file.PRead(static_cast<char*>(buffer) + done, size - done, offset + done, &got) ||
            got == 0)
            return false;
        done += got;
    }
    return true;
}

// The end record: among the "PK\5\6" signatures of the last 22 + 65535
// bytes with a whole record after them, the last whose comment runs
// exactly to the end of the file, else the last one (a file with bytes
// after its comment). The loader looks for it the same way.
std::optional<uint64_t> FindEndRecord(platform::File& file, uint64_t size) {
    if (size < kEndRecordSize)
        return std::nullopt;
    const uint64_t span = std::min<uint64_t>(size, kEndRecordSize + kMaxCommentLength);
    std::vector<unsigned char> tail(span);
    if (!ReadAt(file, size, tail.data(), tail.size(), size - span))
        return std::nullopt;
    std::optional<uint64_t> last;
    for (size_t i = span - kEndRecordSize + 1; i-- > 0;) {
        if (tail[i] != 0x50 || tail[i + 1] != 0x4B || tail[i + 2] != 0x05 || tail[i + 3] != 0x06)
            continue;
        const uint64_t at = size - span + i;
        if (at + kEndRecordSize + Le16(&tail[i + 20]) == size)
            return at;
        if (!last)
            last = at;
    }
    return last;
}

// The offset of the first local header signature, scanning from 0 in
// blocks (each read with 3 bytes more, so that a signature across two
// blocks is found).
std::optional<uint64_t> FindFirstLocalHeader(platform::File& file, uint64_t size) {
    std::vector<unsigned char> block(kScanBlock + 3);
    for (uint64_t start = 0; start + 4 <= size; start += kScanBlock) {
        const size_t length = static_cast<size_t>(std::min<uint64_t>(block.size(), size - start));
        if (!ReadAt(file, size, block.data(), length, start))
            return std::nullopt;
        for (size_t i = 0; i + 4 <= length && i < kScanBlock; ++i)
            if (Le32(&block[i]) == kLocalSignature)
                return start + i;
    }
    return std::nullopt;
}

std::string Shown(const std::string& path) {
    return platform::AbbreviatePath(path, kShortPath);
}

// The DOS error table's text of a platform error, as the file operations show it.
std::string DosText(const platform::SysError& err) {
    CDosErrorMessage message;
    message.Set(err);
    return message.Message();
}

} // namespace

std::optional<std::vector<std::string>> ReadZipToExeMembers(const ui::OperationContext& context,
                                                            const std::string& zipPath) {
    zip::CZipFileOperation op(context);
    std::vector<zip::ZipMemberEntry> entries;
    const int state = op.ReadDirectory(zipPath, false, &entries);
    const std::string shown = platform::AbbreviatePath(zipPath, 50);
    const char* problem = nullptr;
    if (state == 0 || state == 2)
        problem = "'%s' is NOT a zip file!";
    else if (state != 4)
        problem = "'%s' has been damaged!";
    else if (entries.empty())
        problem = "'%s' is empty!";
    if (problem) {
        context.Ui().Message(ui::FormatText(problem, shown.c_str()));
        return std::nullopt;
    }
    std::vector<std::string> names;
    names.reserve(entries.size());
    for (const zip::ZipMemberEntry& entry : entries)
        names.emplace_back(entry.StoredName());
    return names;
}

const char* SfxStubName(SfxTarget target) {
    return target == SfxTarget::Windows ? kSfxWindowsStubName : kSfxStubName;
}

std::string FindSfxStub(const std::string& directory, SfxTarget target) {
    const std::vector<const char*> names =
        target == SfxTarget::Windows ? std::vector<const char*>{kSfxWindowsStubName}
                                     : std::vector<const char*>{kSfxStubName, kSfxStubHostName};
    for (const char* name : names) {
        const std::string path = platform::JoinHostPath(directory, name);
        platform::FileEntry entry;
        if (platform::StatEntry(path, &entry) && !(entry.attributes & platform::kAttrDirectory))
            return path;
    }
    return "";
}

std::optional<std::string> ZipToExeOutputPath(const std::string& zipPath) {
    const size_t dot = zipPath.rfind('.');
    const size_t slash = zipPath.rfind('\\');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return std::nullopt;
    return zipPath.substr(0, dot + 1) + "EXE";
}

bool FillSlot(std::string& stub, std::string_view marker, const std::string& text) {
    for (size_t at = stub.find('['); at != std::string::npos; at = stub.find('[', at + 1)) {
        if (stub.compare(at + 1, marker.size(), marker) != 0)
            continue;
        const size_t close = stub.find(']', at + 1);
        if (close == std::string::npos)
            return false;
        const size_t length = close - at + 1;
        // "%-*.*s": left-aligned, blank-padded, cut at the slot's length.
        std::string filled = text.substr(0, std::min(text.size(), length));
        filled.resize(length, ' ');
        stub.replace(at, length, filled);
        return true;
    }
    return false;
}

bool UpdateZipHeaders(platform::File& file, const std::string& shownPath,
                      std::optional<uint64_t> zipStart, std::string* error, bool* changed) {
    if (changed)
        *changed = false;
    auto fail = [&](const char* format) {
        *error = ui::FormatText(format, Shown(shownPath).c_str());
        return false;
    };
    uint64_t size = 0;
    if (!file.Size(&size))
        return fail(kNoEmbeddedZip);
    const std::optional<uint64_t> end = FindEndRecord(file, size);
    if (!end)
        return fail(kNoEmbeddedZip);
    unsigned char record[kEndRecordSize];
    if (!ReadAt(file, size, record, sizeof record, *end))
        return fail(kNoEmbeddedZip);
    // Any disk number but 0 belongs to a split or spanned archive.
    if (Le16(record + 4) != 0 || Le16(record + 6) != 0)
        return fail(kMultiVolume);
    const uint16_t entries = Le16(record + 10);
    const uint32_t directorySize = Le32(record + 12);
    const uint32_t directoryOffset = Le32(record + 16);
    unsigned char locator[4];
    if (entries == 0xFFFF || directorySize == 0xFFFFFFFF || directoryOffset == 0xFFFFFFFF ||
        (*end >= 20 && ReadAt(file, size, locator, 4, *end - 20) &&
         Le32(locator) == kZip64LocatorSignature))
        return fail(kZip64);

    uint64_t start = 0;
    if (zipStart) {
        start = *zipStart;
    } else {
        const std::optional<uint64_t> first = FindFirstLocalHeader(file, size);
        if (!first)
            return fail(kCorrupt);
        start = *first;
    }
    if (start == 0)
        return true;

    // Already adjusted: the directory ends right where the end record
    // begins, or a central header stands where the record says counting
    // from the file's start (when the caller knows where the zip starts,
    // only inside the zip: the loader's own code holds the signature), or
    // the first header at the moved place already names the first member
    // at the zip's start. An update always leaves the first of these true,
    // so a second one writes nothing.
    unsigned char header[kCentralHeaderSize];
    auto firstHeaderAt = [&](uint64_t offset) {
        return ReadAt(file, size, header, sizeof header, offset) &&
               Le32(header) == kCentralSignature;
    };
    if (uint64_t(directoryOffset) + directorySize == *end ||
        ((!zipStart || directoryOffset >= start) && firstHeaderAt(directoryOffset)))
        return true;
    const uint64_t directory = uint64_t(directoryOffset) + start;
    if (firstHeaderAt(directory) && Le32(header + 42) == start)
        return true;
    if (directory > *end || (entries > 0 && !firstHeaderAt(directory)) ||
        (entries == 0 && directory + directorySize != *end))
        return fail(kCorrupt);
    if (directory > 0xFFFFFFFFull)
        return fail(kZip64);

    // The whole directory (up to the end record) is read and checked
    // before anything is written.
    std::vector<unsigned char> headers(static_cast<size_t>(*end - directory));
    if (!ReadAt(file, size, headers.data(), headers.size(), directory))
        return fail(kCorrupt);
    size_t at = 0;
    for (uint32_t i = 0; i < entries; ++i) {
        if (headers.size() - at < kCentralHeaderSize || Le32(&headers[at]) != kCentralSignature)
            return fail(kCorrupt);
        unsigned char* h = &headers[at];
        const uint64_t moved = uint64_t(Le32(h + 42)) + start;
        if (Le32(h + 42) == 0xFFFFFFFF || moved > 0xFFFFFFFFull)
            return fail(kZip64);
        Put32(h + 42, static_cast<uint32_t>(moved));
        const size_t length =
            kCentralHeaderSize + size_t(Le16(h + 28)) + Le16(h + 30) + Le16(h + 32);
        if (length > headers.size() - at)
            return fail(kCorrupt);
        at += length;
    }
    Put32(record + 16, static_cast<uint32_t>(directory));
    if (changed)
        *changed = true;
    if (!file.PWrite(headers.data(), at, directory) || !file.PWrite(record, sizeof record, *end))
        return fail(kCorrupt);
    return true;
}

bool UpdateHeaders(const ui::OperationContext& context, const std::string& dosPath) {
    std::string host;
    platform::File file;
    std::string error;
    if (!platform::DosToHost(dosPath, &host, nullptr, context.Drives()) ||
        !file.Open(host, platform::kOpenReadWrite | platform::kOpenNoFollow))
        error = ui::FormatText(kNoEmbeddedZip, Shown(dosPath).c_str());
    else if (UpdateZipHeaders(file, dosPath, std::nullopt, &error) && file.Close())
        return true;
    if (error.empty())
        error = ui::FormatText(kCorrupt, Shown(dosPath).c_str());
    context.Ui().Message(error);
    return false;
}

namespace {

// One build: each step shows its failure and returns false; the temporary
// output goes away with the object unless it was committed.
class Builder {
  public:
    Builder(const ui::OperationContext& context, const ZipToExeParameters& parameters)
        : m_context(context), m_p(parameters) {}

    bool Run(std::string* outputPath);

  private:
    bool Error(const std::string& text) {
        m_context.Ui().Message(text);
        return false;
    }
    void Show(const std::string& text) {
        if (m_status)
            m_status->SetCurrentMessage(text);
    }
    const char* StubName() const { return SfxStubName(m_p.target); }
    bool ReadStub(const std::string& host);
    bool FillSlots();
    bool WriteStub();

    const ui::OperationContext& m_context;
    const ZipToExeParameters& m_p;
    std::unique_ptr<ui::StatusWindow> m_status;
    std::string m_output;     // DOS
    std::string m_outputHost; // host
    std::string m_stub;
    platform::TempFile m_temp;
};

bool Builder::ReadStub(const std::string& host) {
    platform::File file;
    platform::OpenedFileInfo info;
    const std::string shown = Shown(host);
    bool read = false;
    if (!platform::OpenRegularFile(host, platform::kOpenRead, &file, &info)) {
        Error(ui::FormatText("Unable to open file '%s'!", shown.c_str()));
    } else {
        try {
            m_stub.assign(static_cast<size_t>(info.size), '\0');
            read = true;
        } catch (const std::bad_alloc&) {
            Error(ui::FormatText("Unable to allocate memory block for ZipToExe loader program "
                                 "'%s'!",
                                 shown.c_str()));
        } catch (const std::length_error&) {
            Error(ui::FormatText("Unable to allocate memory block for ZipToExe loader program "
                                 "'%s'!",
                                 shown.c_str()));
        }
        if (read && !file.ReadExactly(m_stub.data(), m_stub.size())) {
            Error(ui::FormatText("Unable to read file '%s' into memory!", shown.c_str()));
            read = false;
        }
    }
    if (!read)
        Error(ui::FormatText("Unable to read '%s' program into memory!", StubName()));
    return read;
}

bool Builder::FillSlots() {
    struct Slot {
        const char* marker;
        const std::string& text;
        const char* failure;
    } slots[] = {
        {kSlotRegister, m_p.companyName, "Unable to save COMPANY NAME to zip file '%s'!"},
        {kSlotUnzipPath, m_p.extractionDirectory, "Unable to save UNZIP PATH to zip file '%s'!"},
        {kSlotReadmeFile, m_p.startupFile,
         "Unable to save the README STARTUP file to zip file '%s'!"},
    };
    for (const Slot& slot : slots)
        if (!FillSlot(m_stub, slot.marker, slot.text))
            return Error(ui::FormatText(slot.failure, m_p.zipPath.c_str()));
    return true;
}

bool Builder::WriteStub() {
    Show(ui::FormatText("Writing '%s' program ...", StubName()));
    const std::string shown = Shown(m_output);
    platform::SysError err;
    if (!platform::DosToHost(m_output, &m_outputHost, &err, m_context.Drives()) ||
        !m_temp.Create(m_outputHost, &err, m_p.target == SfxTarget::Windows ? 0644 : 0755))
        return Error(ui::MessageWithDetail(
            ui::FormatText("Unable to create file '%s'!\n\n", shown.c_str()), DosText(err)));
    if (!m_temp.file().Write(m_stub, &err)) {
        m_temp.Discard();
        return Error(ui::MessageWithDetail(
            ui::FormatText("Unable to write file '%s'!\n\n", shown.c_str()), DosText(err)));
    }
    return true;
}

bool Builder::Run(std::string* outputPath) {
    const std::string directory =
        m_p.stubDirectory.empty() ? platform::ProgramDirectory() : m_p.stubDirectory;
    const std::string stub = FindSfxStub(directory, m_p.target);
    if (stub.empty())
        return Error(ui::FormatText("Unable to find '%s' file!", StubName()));
    const std::optional<std::string> output = ZipToExeOutputPath(m_p.zipPath);
    if (!output)
        return Error(ui::FormatText("'%s' is NOT a valid zip filename!", m_p.zipPath.c_str()));
    m_output = *output;

    // The output is never the archive itself (an archive named ".EXE", or
    // an output name that is a link to it).
    std::string zipHost;
    if (platform::DosToHost(m_p.zipPath, &zipHost, nullptr, m_context.Drives()) &&
        platform::DosToHost(m_output, &m_outputHost, nullptr, m_context.Drives()) &&
        platform::IsSameFile(zipHost, m_outputHost))
        return Error(ui::FormatText("Unable to create file '%s'!\n\n%s", Shown(m_output).c_str(),
                                    "Source and target files are the same!"));

    m_status = m_context.Ui().MakeStatusWindow(
        ui::StatusKind::Message, ui::FormatText("Converting Zip '%s' to EXE",
                                                platform::AbbreviatePath(m_output, 50).c_str()));
    Show(ui::FormatText("Reading '%s' program into memory...", StubName()));
    if (!ReadStub(stub) || !FillSlots() || !WriteStub())
        return false;
    const uint64_t zipStart = m_stub.size();

    Show(ui::FormatText("Appending zip file to '%s'...", m_output.c_str()));
    std::string tempDos;
    platform::SysError err;
    if (!platform::HostToDos(m_temp.Path(), &tempDos, &err, m_context.Drives()))
        return Error(ui::MessageWithDetail(
            ui::FormatText("Unable to append zip file to '%s'...\n\n", m_output.c_str()),
            DosText(err)));
    CFileOperation op(m_context);
    if (!op.Append(m_p.zipPath, tempDos)) {
        op.ReportError(nullptr, "Unable to append zip file to '%s'...\n\n", m_output.c_str());
        return false;
    }

    Show(ui::FormatText("Updating zip file headers in '%s'...", m_output.c_str()));
    std::string error;
    if (!UpdateZipHeaders(m_temp.file(), m_output, zipStart, &error))
        return Error(error);

    platform::FileEntry old;
    const bool existed = platform::StatEntry(m_outputHost, &old);
    if (!m_temp.Commit(&err))
        return Error(ui::MessageWithDetail(
            ui::FormatText("Unable to create file '%s'!\n\n", Shown(m_output).c_str()),
            DosText(err)));
    std::string made = m_output;
    platform::HostToDos(m_outputHost, &made, nullptr, m_context.Drives());
    m_context.Notices().Notify(
        {existed ? ui::ChangeKind::Changed : ui::ChangeKind::Added, made, "", false});
    m_status.reset();
    m_context.Ui().Message(ui::FormatText("'%s' created successfully!", made.c_str()), "Success!",
                           ui::Buttons::Ok, ui::Icon::Information);
    if (outputPath)
        *outputPath = made;
    return true;
}

} // namespace

bool BuildZipToExe(const ui::OperationContext& context, const ZipToExeParameters& parameters,
                   std::string* outputPath) {
    Builder builder(context, parameters);
    return builder.Run(outputPath);
}

std::string CZipToExeJob::Title() const {
    const std::optional<std::string> output = ZipToExeOutputPath(m_parameters.zipPath);
    return ui::FormatText(
        "Converting Zip '%s' to EXE",
        platform::AbbreviatePath(output ? *output : m_parameters.zipPath, 50).c_str());
}

std::string CZipToExeJob::DriveLetters() const {
    const char letter = platform::PathDriveLetter(m_parameters.zipPath);
    return letter ? std::string(1, letter) : std::string();
}

ui::JobResult CZipToExeJob::Run(ui::OperationContext& context) {
    ui::JobResult result;
    result.ok = BuildZipToExe(context, m_parameters, &m_output);
    result.summary = result.ok ? m_output + " created" : "ZipToExe failed";
    return result;
}

} // namespace vorlane::fileops
