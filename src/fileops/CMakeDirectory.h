// Make Directory: a plain directory, or an empty zip file (which the
// catalogue shows as a directory), under the current directory or at a
// full path.
//
// The front end asks the name and the type in its "Make Directory" dialog
// (a command passes them) and runs a CMakeDirectoryJob, or RunMakeDirectory
// at once. A zip file's name follows ValidateNewZipName (a name without a
// '.' gets ".ZIP", any other extension is refused); an existing file is
// never replaced. The new directory or zip file is announced ("Added
// <path>").
#pragma once

#include "ui/Job.h"
#include "ui/OperationContext.h"

#include <optional>
#include <string>

namespace vorlane::fileops {

struct CMakeDirectoryParameters {
    std::string currentDirectory; // DOS path a relative name is taken against
    std::string name;             // a name, a relative path or a full DOS path
    bool zip = false;             // "Compression File (&Zip)" rather than "&Directory"
};

constexpr const char* kMakeDirectoryCaption = "Make Directory";

// The DOS path made, or nothing (the failure has been shown).
std::optional<std::string> RunMakeDirectory(const CMakeDirectoryParameters& parameters,
                                            const ui::OperationContext& context);

class CMakeDirectoryJob : public ui::Job {
  public:
    explicit CMakeDirectoryJob(CMakeDirectoryParameters parameters)
        : m_parameters(std::move(parameters)) {}
    std::string Title() const override { return kMakeDirectoryCaption; }
    std::string DriveLetters() const override;
    ui::JobResult Run(ui::OperationContext& context) override;
    const std::optional<std::string>& Made() const { return m_made; }

  private:
    CMakeDirectoryParameters m_parameters;
    std::optional<std::string> m_made;
};

} // namespace vorlane::fileops
