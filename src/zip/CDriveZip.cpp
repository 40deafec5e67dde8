#include "zip/CDriveZip.h"

#include "platform/DosPathText.h"
#include "platform/PathAbbreviation.h"
#include "ui/UserInterface.h"
#include "zip/CZipFileOperation.h"
#include "zip/ZipSupport.h"
#include "zip/private/ZipDirectoryRead.h"

#include <cstdio>
#include <new>

namespace vorlane::zip {

namespace {

std::string Format(const char* format, const std::string& path) {
    char text[1200];
    std::snprintf(text, sizeof text, format, path.c_str());
    return text;
}

char UpperLetter(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

catalogue::CZipFileDirectory* CDriveArchive::ZipDirectory() const {
    return m_directories.empty()
               ? nullptr
               : dynamic_cast<catalogue::CZipFileDirectory*>(m_directories.front().get());
}

void CDriveArchive::Reset() {
    CDriveContainer::Reset();
    m_zipPath.clear();
}

std::unique_ptr<catalogue::CZipFileDirectory>
CDriveArchive::ReadArchive(int kind, int* state, detail::ZipReadOutcome* outcome) {
    // The directory reads through the zip module's reader (installed here
    // too, so a drive made by hand reads the same way).
    InstallZipSupport();
    auto directory = std::make_unique<catalogue::CZipFileDirectory>(this, m_zipPath, kind);
    directory->ReadFileList(Environment());
    *state = directory->ScanState();
    *outcome = detail::LastReadOutcome();
    return directory;
}

void CDriveArchive::Take(std::unique_ptr<catalogue::CZipFileDirectory> directory) {
    m_directories.reserve(2);
    m_directories.push_back(std::move(directory));
    SetCurrentDirectory(m_zipPath);
    // The members were just read: the sort below must not read them again.
    m_current->SetMustRead(false);
    Sort(m_settings, true);
}

bool CDriveZip::Log(const std::string& rawPath) {
    // Memory running out while the archive is read (the members of a large
    // one) is said like any read failure, never thrown at the window.
    try {
        return LogArchive(rawPath);
    } catch (const std::bad_alloc&) {
        Reset();
        detail::ZipReadOutcome outcome;
        outcome.unzipResult = kUnzipOutOfMemory;
        ReportReadFailure(
            catalogue::kZipDamaged, outcome,
            platform::AbbreviatePath(platform::NormalizeDosPath(rawPath), kArchivePathLength));
        return false;
    }
}

bool CDriveZip::LogArchive(const std::string& rawPath) {
    Reset();
    const std::string path = platform::NormalizeDosPath(rawPath);
    const char letter = path.empty() ? '\0' : UpperLetter(path[0]);
    m_driveType.Set(static_cast<unsigned char>(letter), true);
    m_letter = letter;
    m_volumeLabel = m_driveType.VolumeLabel();
    m_zipPath = path;

    const std::string shown = platform::AbbreviatePath(path, kArchivePathLength);
    int state = catalogue::kZipNotScanned;
    detail::ZipReadOutcome outcome;
    std::unique_ptr<catalogue::CZipFileDirectory> directory;
    {
        auto status = ui::Current().MakeStatusWindow(ui::StatusKind::Message, "Vorlane");
        status->SetCurrentMessage(Format(kLoggingZipText, shown));
        ui::WaitCursor wait;
        directory = ReadArchive(catalogue::kDirectoryZipArchive, &state, &outcome);
    }
    if (state == catalogue::kZipRead) {
        Take(std::move(directory));
        return true;
    }
    directory.reset();
    Reset();
    ReportReadFailure(state, outcome, shown);
    return false;
}

void CDriveZip::ReportReadFailure(int state, const detail::ZipReadOutcome& outcome,
                                  const std::string& shown) {
    if (outcome.deferredError == kZipMultiVolumeRefused) {
        ui::Current().Message(CZipFileOperation::ErrorText(
            kZipMultiVolumeRefused, false, kZipMultiVolumeRefused, kZipMultiVolumeRefused));
    } else if (state == catalogue::kZipMissing || state == catalogue::kZipNotZip) {
        ui::Current().Message(Format(kNotZipText, shown));
    } else if (state == catalogue::kZipDamaged && outcome.unzipResult != kUnzipReadError &&
               outcome.unzipResult != kUnzipOutOfMemory) {
        ui::Current().Message(Format(kDamagedZipText, shown));
    } else {
        // Could not be read: the reason on a line of its own when known.
        std::string text = Format(kNotReadZipText, shown);
        if (outcome.systemError != 0)
            text += "\n\n" + CZipFileOperation::SystemErrorText(outcome.systemError);
        else if (outcome.unzipResult == kUnzipOutOfMemory)
            text += "\n\n" + CZipFileOperation::ErrorText(kUnzipOutOfMemory, false, 0, 0);
        ui::Current().Message(text);
    }
}

bool CDriveMultiVolumeZip::Log(const std::string& rawPath) {
    if (rawPath.empty())
        return false;
    Reset();
    const std::string path = platform::NormalizeDosPath(rawPath);
    const char letter = UpperLetter(path[0]);
    m_driveType.Set(static_cast<unsigned char>(letter), true);
    if (!m_driveType.Exists()) {
        char text[80];
        std::snprintf(text, sizeof text, kUndefinedDriveText, letter);
        ui::Current().Message(text);
        Reset();
        return false;
    }
    m_letter = letter;
    m_volumeLabel = m_driveType.VolumeLabel();
    m_zipPath = path;
    auto status = ui::Current().MakeStatusWindow(ui::StatusKind::Message, "Vorlane");
    char text[1200];
    std::snprintf(text, sizeof text, kLoggingMultiVolumeText, path.c_str(), letter);
    status->SetCurrentMessage(text);
    ui::WaitCursor wait;
    int state = catalogue::kZipNotScanned;
    detail::ZipReadOutcome outcome;
    // Kept whatever its state: a multi-volume archive that cannot be read
    // shows no members.
    Take(ReadArchive(catalogue::kDirectoryZipMultiVolume, &state, &outcome));
    return true;
}

std::string WindowCaption(const catalogue::CDriveContainer& drive) {
    if (drive.Kind() == catalogue::kDriveZip || drive.Kind() == catalogue::kDriveMultiVolumeZip) {
        const catalogue::CDirectoryContainer* directory = drive.DirectoryAt(0);
        const std::string path = directory != nullptr ? directory->Path() : drive.Name();
        return "Zip '" + platform::AbbreviatePath(path, kArchivePathLength) + "'";
    }
    return std::string("Drive ") + drive.DriveLetter();
}

std::string PrintJobTitle(const catalogue::CDirectoryContainer& directory) {
    return (directory.IsZip() ? "Files in ZIP File " : "Files in Directory ") + directory.Path();
}

} // namespace vorlane::zip
