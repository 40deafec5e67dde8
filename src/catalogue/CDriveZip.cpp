#include "catalogue/CDriveZip.h"

#include "catalogue/CatalogueServices.h"
#include "platform/DosPathText.h"
#include "platform/PathAbbreviation.h"
#include "ui/UserInterface.h"
#include "zip/CZipFileOperation.h"

#include <cstdio>
#include <new>

namespace vorlane::catalogue {

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

CZipFileDirectory* CDriveArchive::ZipDirectory() const {
    return m_directories.empty() ? nullptr
                                 : dynamic_cast<CZipFileDirectory*>(m_directories.front().get());
}

void CDriveArchive::Reset() {
    CDriveContainer::Reset();
    m_zipPath.clear();
}

std::unique_ptr<CZipFileDirectory> CDriveArchive::ReadArchive(int kind, ZipReadOutcome* outcome) {
    auto directory = std::make_unique<CZipFileDirectory>(this, m_zipPath, kind);
    *outcome = directory->ReadMembers();
    return directory;
}

void CDriveArchive::Take(std::unique_ptr<CZipFileDirectory> directory) {
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
        ZipReadOutcome outcome;
        outcome.state = kZipDamaged;
        outcome.unzipResult = zip::kUnzipOutOfMemory;
        ReportReadFailure(outcome, platform::AbbreviatePath(platform::NormalizeDosPath(rawPath),
                                                            kArchivePathLength));
        return false;
    }
}

bool CDriveZip::LogArchive(const std::string& rawPath) {
    Reset();
    const std::string path = platform::NormalizeDosPath(rawPath);
    const char letter = path.empty() ? '\0' : UpperLetter(path[0]);
    m_driveType.Set(static_cast<unsigned char>(letter), *Environment().Drives(), true);
    m_letter = letter;
    m_volumeLabel = m_driveType.VolumeLabel();
    m_zipPath = path;

    const std::string shown = platform::AbbreviatePath(path, kArchivePathLength);
    ZipReadOutcome outcome;
    std::unique_ptr<CZipFileDirectory> directory;
    {
        auto status = Environment().Ui().MakeStatusWindow(ui::StatusKind::Message, "Vorlane");
        status->SetCurrentMessage(Format(kLoggingZipText, shown));
        ui::WaitCursor wait(Environment().Ui());
        directory = ReadArchive(kDirectoryZipArchive, &outcome);
    }
    if (outcome.state == kZipRead) {
        Take(std::move(directory));
        return true;
    }
    directory.reset();
    Reset();
    ReportReadFailure(outcome, shown);
    return false;
}

void CDriveZip::ReportReadFailure(const ZipReadOutcome& outcome, const std::string& shown) const {
    using zip::CZipFileOperation;
    if (outcome.deferredError == zip::kZipMultiVolumeRefused) {
        Environment().Ui().Message(CZipFileOperation::ErrorText(zip::kZipMultiVolumeRefused, false,
                                                                zip::kZipMultiVolumeRefused,
                                                                zip::kZipMultiVolumeRefused));
    } else if (outcome.state == kZipMissing || outcome.state == kZipNotZip) {
        Environment().Ui().Message(Format(kNotZipText, shown));
    } else if (outcome.state == kZipDamaged && outcome.unzipResult != zip::kUnzipReadError &&
               outcome.unzipResult != zip::kUnzipOutOfMemory) {
        Environment().Ui().Message(Format(kDamagedZipText, shown));
    } else {
        // Could not be read: the reason on a line of its own when known.
        std::string text = Format(kNotReadZipText, shown);
        if (outcome.systemError != 0)
            text += "\n\n" + CZipFileOperation::SystemErrorText(outcome.systemError);
        else if (outcome.unzipResult == zip::kUnzipOutOfMemory)
            text += "\n\n" + CZipFileOperation::ErrorText(zip::kUnzipOutOfMemory, false, 0, 0);
        Environment().Ui().Message(text);
    }
}

bool CDriveMultiVolumeZip::Log(const std::string& rawPath) {
    if (rawPath.empty())
        return false;
    Reset();
    const std::string path = platform::NormalizeDosPath(rawPath);
    const char letter = UpperLetter(path[0]);
    m_driveType.Set(static_cast<unsigned char>(letter), *Environment().Drives(), true);
    if (!m_driveType.Exists()) {
        char text[80];
        std::snprintf(text, sizeof text, kUndefinedDriveText, letter);
        Environment().Ui().Message(text);
        Reset();
        return false;
    }
    m_letter = letter;
    m_volumeLabel = m_driveType.VolumeLabel();
    m_zipPath = path;
    auto status = Environment().Ui().MakeStatusWindow(ui::StatusKind::Message, "Vorlane");
    char text[1200];
    std::snprintf(text, sizeof text, kLoggingMultiVolumeText, path.c_str(), letter);
    status->SetCurrentMessage(text);
    ui::WaitCursor wait(Environment().Ui());
    ZipReadOutcome outcome;
    // Kept whatever its state: a multi-volume archive that cannot be read
    // shows no members.
    Take(ReadArchive(kDirectoryZipMultiVolume, &outcome));
    return true;
}

std::string WindowCaption(const CDriveContainer& drive) {
    if (drive.Kind() == kDriveZip || drive.Kind() == kDriveMultiVolumeZip) {
        const CDirectoryContainer* directory = drive.DirectoryAt(0);
        const std::string path = directory != nullptr ? directory->Path() : drive.Name();
        return "Zip '" + platform::AbbreviatePath(path, kArchivePathLength) + "'";
    }
    return std::string("Drive ") + drive.DriveLetter();
}

std::string PrintJobTitle(const CDirectoryContainer& directory) {
    return (directory.IsZip() ? "Files in ZIP File " : "Files in Directory ") + directory.Path();
}

} // namespace vorlane::catalogue
