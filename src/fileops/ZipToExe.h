// ZipToExe: turns a zip archive into a self-extracting program. The loader
// (the stub, built by this project as `vorlnsfx` and looked for in the
// program's directory as "VORLNSFX.DLL" first, then "vorlnsfx"; for a
// program that runs on Windows, `vorlnsfx.exe`) is read into memory, its three text slots are
// filled, and the archive is appended to it; then the archive's offsets are moved so that they
// count from the start of the new file:
//
//   ZipToExeParameters p{zipPath, company, directory, readme};
//   CZipToExeJob job(p);          // or BuildZipToExe(context, p, &out)
//   ui::RunJobNow(job, context);
//
// A slot is '[' + its marker ("Register", "UnzipPath", "ReadmeFile") up to
// the first ']' after it; it is filled by writing exactly its length of
// bytes over it (the text left-aligned, padded with blanks, cut at the
// slot's length).
//
// The output is the zip path with the text after its last '.' made "EXE".
// It is written to a temporary file beside it (created exclusively, mode
// 0755 less the umask; 0644 for Windows, where the bit means nothing) and
// renamed into place only when it is complete and
// its headers are right, so any failure leaves no partial program and an
// existing file of that name as it was; the archive is only read. An
// output that is the archive itself (the same device and inode: an archive
// named ".EXE", a link) is refused.
//
// The header update bounds every read by the file's size and takes every
// length as unsigned; it validates the whole central directory before it
// writes one byte. Multi-volume archives are refused, and so are ZIP64
// archives (their records are not moved) with a text that says so.
#pragma once

#include "ui/Job.h"
#include "ui/OperationContext.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorlane::platform {
class File;
}

namespace vorlane::fileops {

constexpr const char* kSfxStubName = "VORLNSFX.DLL";
// The name the build gives the stub beside the vorlane executable.
constexpr const char* kSfxStubHostName = "vorlnsfx";
// The Windows loader, built from the same source by MinGW-w64 when the
// cross compiler is installed.
constexpr const char* kSfxWindowsStubName = "vorlnsfx.exe";
constexpr const char* kZipToExeSection = "ZipToExe";
constexpr const char* kCompanyNameKey = "CompanyName";
constexpr const char* kOpenZipCaption = "Open ZIP File";
constexpr const char* kOpenZipFilter = "ZIP Files (*.zip)|*.ZIP";
constexpr const char* kSlotRegister = "Register";
constexpr const char* kSlotUnzipPath = "UnzipPath";
constexpr const char* kSlotReadmeFile = "ReadmeFile";

// The system the self-extracting program runs on.
enum class SfxTarget { Linux, Windows };

struct ZipToExeParameters {
    std::string zipPath; // full DOS path of the archive
    std::string companyName;
    std::string extractionDirectory;
    std::string startupFile; // a member's path name, "" for none
    // The host directory that holds the stub; "" for the program's own.
    std::string stubDirectory;
    SfxTarget target = SfxTarget::Linux;
};

// The menu command's check of the chosen archive: its members' names as
// stored (directories left out), in the archive's order; or, after the
// text has been shown (path shortened to 50 characters), nothing: "'%s'
// is NOT a zip file!" (missing, or not a zip file), "'%s' has been
// damaged!", "'%s' is empty!".
std::optional<std::vector<std::string>> ReadZipToExeMembers(const ui::OperationContext& context,
                                                            const std::string& zipPath);

// The loader's name in the texts: "VORLNSFX.DLL", or "vorlnsfx.exe".
const char* SfxStubName(SfxTarget target);

// The stub's host path in directory (VORLNSFX.DLL, else vorlnsfx; for
// Windows vorlnsfx.exe), "" when there is none.
std::string FindSfxStub(const std::string& directory, SfxTarget target = SfxTarget::Linux);

// The output path: the text after the last '.' replaced by "EXE"; nothing
// when there is no '.' or the last '.' comes before the last '\'.
std::optional<std::string> ZipToExeOutputPath(const std::string& zipPath);

// Fills the first slot of marker in stub with text; false when there is none.
bool FillSlot(std::string& stub, std::string_view marker, const std::string& text);

// The header update of an archive embedded in file (open for reading and
// writing). zipStart: where the archive's own bytes begin when the caller
// knows it (the builder: the filled stub's length); else the first local
// header signature from offset 0. On failure *error holds the text to show
// (shownPath in it). *changed tells whether a byte was written.
bool UpdateZipHeaders(platform::File& file, const std::string& shownPath,
                      std::optional<uint64_t> zipStart, std::string* error,
                      bool* changed = nullptr);

// The same on a DOS path, showing a failure (path shortened to 60
// characters) through the context's user interface.
bool UpdateHeaders(const ui::OperationContext& context, const std::string& dosPath);

// The whole build with its status window and messages; true when the
// output is complete (its DOS path in *outputPath, announced as added or
// changed).
bool BuildZipToExe(const ui::OperationContext& context, const ZipToExeParameters& parameters,
                   std::string* outputPath = nullptr);

class CZipToExeJob : public ui::Job {
  public:
    explicit CZipToExeJob(ZipToExeParameters parameters) : m_parameters(std::move(parameters)) {}
    std::string Title() const override;
    std::string DriveLetters() const override;
    ui::JobResult Run(ui::OperationContext& context) override;
    const std::string& OutputPath() const { return m_output; }

  private:
    ZipToExeParameters m_parameters;
    std::string m_output;
};

} // namespace vorlane::fileops
