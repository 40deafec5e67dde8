#include "fileops/CZipAdd.h"

#include "platform/DosPath.h"
#include "platform/DosPathText.h"
#include "platform/PathAbbreviation.h"
#include "ui/ChangeNotices.h"
#include "ui/UserInterface.h"
#include "zip/CZipFileOperation.h"

#include <memory>

namespace vorlane::fileops {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// A name the engine's specification parser reads back as this one name.
bool Expressible(const std::string& name) {
    if (name.empty() || name.find_first_of("*?") != std::string::npos)
        return false;
    const bool blank = name.find_first_of(" \t") != std::string::npos;
    const bool quote = name.find('"') != std::string::npos;
    // Quoted, a name ends at its next '"'; unquoted, one starting with '"'
    // is taken as quoted.
    return !quote || (!blank && name.front() != '"');
}

} // namespace

const std::vector<const char*>& ZipActionTexts() {
    static const std::vector<const char*> texts = {"Add", "Freshen", "Update"};
    return texts;
}

int ZipAddFunction(int action) {
    switch (action) {
    case kZipActionFreshen:
        return zip::kZipFreshen;
    case kZipActionUpdate:
        return zip::kZipUpdate;
    default:
        return zip::kZipAdd;
    }
}

CZipAddParameters ReadZipAddSettings(const SettingsIntReader& readInt,
                                     const SettingsStringReader& readString) {
    CZipAddParameters p;
    if (readString)
        p.startDirectory = readString(kZipSettingsSection, kZipAddPathKey);
    if (!readInt)
        return p;
    const int action = readInt(kZipSettingsSection, kZipActionKey, kZipActionAdd);
    p.action = action >= kZipActionAdd && action <= kZipActionUpdate ? action : kZipActionAdd;
    const int options = readInt(kZipSettingsSection, kZipAddOptionsKey, 0);
    p.recurse = (options & kZipAddRecurse) != 0;
    p.dos83Names = (options & kZipAdd83Names) != 0;
    const int factor = readInt(kZipSettingsSection, kZipCompressionFactorKey, 5);
    p.compressionFactor =
        CompressionFactors()[static_cast<size_t>(CompressionFactorIndex(factor))].value;
    const int mode = readInt(kZipSettingsSection, kZipPathModeKey, kZipNoPaths);
    p.pathMode = mode >= kZipNoPaths && mode <= kZipFullPaths ? mode : kZipNoPaths;
    return p;
}

void WriteZipAddSettings(const CZipAddParameters& p, const SettingsWriter& write) {
    if (!write)
        return;
    write(kZipSettingsSection, kZipAddPathKey, p.startDirectory);
    write(kZipSettingsSection, kZipActionKey, std::to_string(p.action));
    const int options = (p.recurse ? kZipAddRecurse : 0) | (p.dos83Names ? kZipAdd83Names : 0);
    write(kZipSettingsSection, kZipAddOptionsKey, std::to_string(options));
    write(kZipSettingsSection, kZipCompressionFactorKey, std::to_string(p.compressionFactor));
    write(kZipSettingsSection, kZipPathModeKey, std::to_string(p.pathMode));
}

AddSpecs BuildAddSpecs(const std::vector<std::string>& names, size_t limit) {
    AddSpecs out;
    std::string spec;
    for (const std::string& name : names) {
        if (!Expressible(name)) {
            out.specs.clear();
            out.unexpressible = name;
            return out;
        }
        if (!spec.empty())
            spec += ' ';
        bool blank = false;
        for (char c : name)
            blank = blank || IsBlank(c);
        spec += blank ? "\"" + name + "\"" : name;
        if (spec.size() > limit)
            out.specs.push_back(std::move(spec)), spec.clear();
    }
    if (!spec.empty())
        out.specs.push_back(std::move(spec));
    return out;
}

CZipAddOutcome RunZipAdd(const CZipAddParameters& p, const ui::OperationContext& context) {
    CZipAddOutcome out;
    if (p.files.empty())
        return out;
    ui::UserInterface& ui = context.Ui();
    const std::string shortPath =
        platform::AbbreviatePath(p.zipPath, zip::CZipFileOperation::kShortPathLength);
    const AddSpecs specs = BuildAddSpecs(p.files);
    if (!specs.unexpressible.empty()) {
        // Checked before anything is shown or opened: nothing is added.
        ui.Message("Unable to add files to '" + shortPath + "'.\n\nThe name '" +
                   specs.unexpressible +
                   "' cannot be passed to the zip engine: it holds a '\"' together with a "
                   "blank, or a wildcard character ('*' or '?').");
        return out;
    }
    std::unique_ptr<ui::StatusWindow> status =
        ui.MakeStatusWindow(ui::StatusKind::Operation,
                            kZipAddStatusCaption + std::string(platform::LastComponent(p.zipPath)));
    if (status) {
        status->SetOverallLabel(kZipAddCounterLabel);
        status->SetOverallPercent(0);
    }
    zip::CZipFileOperation op(context, status.get(), context.Options().zipTempPath, !p.dos83Names);
    op.SetCompressionLevel(p.compressionFactor);
    // Not opened (missing or not a zip file): each add below fails with 201.
    op.Open(p.zipPath);
    out.added = true;
    for (size_t i = 0; i < specs.specs.size(); ++i) {
        if (!p.password.empty())
            op.SetPassword(p.password);
        ++out.specifications;
        if (!op.AddFiles(ZipAddFunction(p.action), specs.specs[i], p.pathMode, false, p.recurse)) {
            op.ReportZipError("Unable to add files to '%s'.\n\n", shortPath.c_str());
            out.added = false;
            break;
        }
        out.changed = true;
        if (status)
            status->SetOverallPercent(static_cast<int>((i + 1) * 100 / specs.specs.size()));
    }
    status.reset();
    if (out.changed)
        context.Notices().Notify({ui::ChangeKind::Changed, p.zipPath, "", false});
    return out;
}

std::string CZipAddJob::DriveLetters() const {
    std::string letters(1, platform::PathDriveLetter(m_parameters.zipPath));
    for (const std::string& file : m_parameters.files)
        letters += platform::PathDriveLetter(file);
    return ui::NormalizeDriveLetters(letters);
}

ui::JobResult CZipAddJob::Run(ui::OperationContext& context) {
    m_outcome = RunZipAdd(m_parameters, context);
    ui::JobResult result;
    result.ok = m_outcome.added;
    result.summary = m_outcome.added ? "files added" : "add failed";
    return result;
}

} // namespace vorlane::fileops
