// Touch: the creation, last access and last write times of the files of a
// group set to one time (the current time unless one is given).
//
// The front end fills a CTouchParameters (its dialog loads "Date/Time
// Options" with ReadTouchSettings) and runs a CFileTouch job, or RunTouch
// at once. Only the selected fields change; a read-only file stays
// read-only; a symbolic link gets its own times (the file it points to is
// left alone). Each file touched is announced ("Changed <path>").
#pragma once

#include "fileops/CCopyDirectory.h"
#include "fileops/ZipArchiveCommands.h"
#include "platform/FileSystem.h"
#include "ui/Job.h"
#include "ui/OperationContext.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vorlane::fileops {

// The field mask.
enum TouchField : unsigned {
    kTouchCreation = 1,
    kTouchLastAccess = 2,
    kTouchLastWrite = 4,
};

struct CTouchParameters {
    std::string directory;          // DOS path
    std::vector<std::string> files; // the group's names in its order
    // The time to write; none: the current time when the run starts.
    std::optional<platform::FileTime> time;
    unsigned fields = kTouchLastWrite;
};

constexpr const char* kTouchSettingsSection = "File Touch";
constexpr const char* kTouchFieldsKey = "Date/Time Options";
constexpr const char* kTouchCaption = "Touching Files";

// "Date/Time Options" (4 when missing; only the three field bits count).
unsigned ReadTouchSettings(const SettingsIntReader& read);
void WriteTouchSettings(unsigned fields, const SettingsWriter& write);

// The checks: "" when the run may start, else the text to show.
std::string ValidateTouch(const CTouchParameters& parameters);

struct CTouchOutcome {
    uint64_t touched = 0;
    uint64_t failed = 0;
    bool cancelled = false;
};

CTouchOutcome RunTouch(const CTouchParameters& parameters, const ui::OperationContext& context);

class CFileTouch : public ui::Job {
  public:
    explicit CFileTouch(CTouchParameters parameters) : m_parameters(std::move(parameters)) {}
    std::string Title() const override { return kTouchCaption; }
    std::string DriveLetters() const override;
    ui::JobResult Run(ui::OperationContext& context) override;
    const CTouchOutcome& Outcome() const { return m_outcome; }

  private:
    CTouchParameters m_parameters;
    CTouchOutcome m_outcome;
};

} // namespace vorlane::fileops
