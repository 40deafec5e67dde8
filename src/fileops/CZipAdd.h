// Add File(s) To ZIP File: files chosen in the add dialog go into the zip
// file a file manager window shows as a directory.
//
// The front end reads the dialog's settings when it opens, lets the user
// choose files and options, writes the settings back on OK and starts a
// CZipAddJob (nothing chosen, or cancelled: no job, no status window).
//
//   CZipAddParameters p = ReadZipAddSettings(readInt, readString);  // dialog opens
//   <dialog: p.files = chosen DOS paths, options>
//   WriteZipAddSettings(p, writer);                                 // OK
//   p.zipPath = "C:\\ARC.ZIP";
//   jobs.Start(std::make_unique<CZipAddJob>(p));
//
// The job builds file specifications from the chosen names (see
// BuildAddSpecs), adds them with CZipFileOperation under the "Adding Files
// To Zip " status window and announces the changed zip file. An add that
// fails leaves the archive as it was (the engine writes a new archive
// beside the old one and renames it into place).
#pragma once

#include "fileops/CCopyDirectory.h"
#include "fileops/ZipArchiveCommands.h"
#include "ui/Job.h"
#include "ui/OperationContext.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace vorlane::fileops {

constexpr const char* kZipAddCaption = "Add File(s) To ZIP File";
constexpr const char* kZipAddFilter = "*.*|*.*";
constexpr const char* kZipAddStatusCaption = "Adding Files To Zip ";
constexpr const char* kZipAddCounterLabel = "Files added: ";
constexpr const char* kZipAddPathKey = "Zip Add Path";
constexpr const char* kZipActionKey = "Zip Action";
constexpr const char* kZipAddOptionsKey = "Zip Add Options";
constexpr const char* kZipCompressionFactorKey = "Zip Compression Factor";
constexpr const char* kZipPathModeKey = "Zip Path Mode";
constexpr size_t kZipAddPasswordLimit = 65;
// A specification is handed to the engine once it is longer than this.
constexpr size_t kZipAddSpecLimit = 50000;

// The "&ZIP Action:" choices, as stored.
enum ZipAddAction : int { kZipActionAdd = 0, kZipActionFreshen = 1, kZipActionUpdate = 2 };
// The texts of the "&ZIP Action:" list, in the order of ZipAddAction.
const std::vector<const char*>& ZipActionTexts();
// The engine's function for an action: Add 4, Freshen 1, Update 3 (an
// unknown action adds).
int ZipAddFunction(int action);

// The bits of "Zip Add Options".
enum ZipAddOption : int { kZipAddRecurse = 1, kZipAdd83Names = 2 };

struct CZipAddParameters {
    int action = kZipActionAdd;
    int compressionFactor = 5; // a value of CompressionFactors()
    int pathMode = kZipNoPaths;
    bool recurse = false;
    bool dos83Names = false;
    std::string password;       // at most kZipAddPasswordLimit characters; "" none
    std::string startDirectory; // the dialog's starting directory ("" none given)

    std::string zipPath;            // DOS path of the zip file (the zip directory)
    std::vector<std::string> files; // the chosen files, full DOS paths
};

// Reads one string settings value (section, key); "" when missing.
using SettingsStringReader = std::function<std::string(const std::string&, const std::string&)>;

// The dialog's settings from "ZIP/UNZIP Settings"; out-of-range values read
// as their defaults, a compression factor no choice has as "Normal".
CZipAddParameters ReadZipAddSettings(const SettingsIntReader& readInt,
                                     const SettingsStringReader& readString);
// Writes the same keys (the dialog closed with OK).
void WriteZipAddSettings(const CZipAddParameters& parameters, const SettingsWriter& write);

// The file specifications of the chosen names, in order: names separated by
// single spaces, a name holding a blank in double quotes; a specification
// is closed once it is longer than limit, the rest after the last name
// forms the last one.
//
// The engine splits a specification at blanks outside double quotes and
// reads '*' and '?' as wildcards, so some names cannot be written so that
// it reads them back as the same one file: a name holding '"' together
// with a blank (or starting with '"'), or holding '*' or '?'. Such a
// name is never passed (it could add other files): unexpressible names it
// and the specifications are empty.
struct AddSpecs {
    std::vector<std::string> specs;
    std::string unexpressible;
};
AddSpecs BuildAddSpecs(const std::vector<std::string>& names, size_t limit = kZipAddSpecLimit);

struct CZipAddOutcome {
    bool added = false; // every specification was added
    bool changed = false;
    int specifications = 0; // handed to the engine
};

// Runs an add at once on the calling thread. With no files nothing
// happens (no status window).
CZipAddOutcome RunZipAdd(const CZipAddParameters& parameters, const ui::OperationContext& context);

class CZipAddJob : public ui::Job {
  public:
    explicit CZipAddJob(CZipAddParameters parameters) : m_parameters(std::move(parameters)) {}
    std::string Title() const override { return kZipAddCaption; }
    std::string DriveLetters() const override;
    ui::JobResult Run(ui::OperationContext& context) override;
    const CZipAddOutcome& Outcome() const { return m_outcome; }

  private:
    CZipAddParameters m_parameters;
    CZipAddOutcome m_outcome;
};

} // namespace vorlane::fileops
