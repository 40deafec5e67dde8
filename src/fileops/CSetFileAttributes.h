// Attributes: read-only, hidden, system and archive set, cleared or left
// as they are on the files of a group (or of a source pattern).
//
// The front end fills a CAttributeParameters (its dialog loads the "File
// Attributes" settings with ReadAttributeSettings) and runs a
// CSetFileAttributesJob, or RunSetAttributes at once.
//
// A symbolic link in the group is reported and skipped: changing "its"
// attributes would change the file it points to, perhaps outside the tree.
// Clearing Hidden on a name that begins with a dot is refused (the dot is
// the hidden mark there) and that file is left as it was. Each file
// changed is announced ("Changed <path>").
#pragma once

#include "fileops/CCopyDirectory.h"
#include "fileops/ZipArchiveCommands.h"
#include "ui/Job.h"
#include "ui/OperationContext.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vorlane::fileops {

// The four attributes a run can change: read-only 1, hidden 2, system 4,
// archive 0x20.
constexpr uint32_t kChangeableAttributes = 0x27;

struct CAttributeParameters {
    std::string directory; // DOS path
    // A group's names in its order, or (when empty) the files matching
    // sourcePattern.
    std::vector<std::string> files;
    std::string sourcePattern;
    // Every attribute is in exactly one mask: set, clear or leave.
    uint32_t setMask = 0;
    uint32_t clearMask = 0;
    uint32_t leaveMask = kChangeableAttributes;
};

constexpr const char* kAttributeSettingsSection = "File Attributes";
constexpr const char* kAttributesKey = "Attributes";
constexpr const char* kIgnoreAttributesKey = "Ignore Attributes";
constexpr const char* kAttributesCaption = "Setting File(s) Attributes";

// The masks stored under "File Attributes" ("Attributes": set,
// "Ignore Attributes": leave; the rest is cleared); the defaults are the
// dialog's current state.
void ReadAttributeSettings(const SettingsIntReader& read, CAttributeParameters* parameters);
void WriteAttributeSettings(const CAttributeParameters& parameters, const SettingsWriter& write);

// The new attribute word of a file.
uint32_t NewAttributes(uint32_t old, uint32_t setMask, uint32_t clearMask);

// The checks: "" when the run may start, else the text to show.
std::string ValidateAttributes(const CAttributeParameters& parameters);

struct CAttributeOutcome {
    uint64_t changed = 0;
    uint64_t skipped = 0; // links, dot-names refused
    uint64_t failed = 0;
    bool cancelled = false;
};

CAttributeOutcome RunSetAttributes(const CAttributeParameters& parameters,
                                   const ui::OperationContext& context);

class CSetFileAttributes : public ui::Job {
  public:
    explicit CSetFileAttributes(CAttributeParameters parameters)
        : m_parameters(std::move(parameters)) {}
    std::string Title() const override { return kAttributesCaption; }
    std::string DriveLetters() const override;
    ui::JobResult Run(ui::OperationContext& context) override;
    const CAttributeOutcome& Outcome() const { return m_outcome; }

  private:
    CAttributeParameters m_parameters;
    CAttributeOutcome m_outcome;
};

} // namespace vorlane::fileops
