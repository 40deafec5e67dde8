#include "catalogue/CZipFileDirectory.h"

#include "catalogue/CDriveContainer.h"
#include "catalogue/CDriveZip.h"
#include "catalogue/CZipFileInfo.h"
#include "catalogue/CatalogueServices.h"
#include "platform/DosPathText.h"
#include "ui/MessageText.h"
#include "ui/UserInterface.h"
#include "zip/CZipFileOperation.h"

#include <cstdio>
#include <new>
#include <unordered_set>

namespace vorlane::catalogue {

namespace {

// What a window says over the list of a zip file that could not be read:
// the texts of logging an archive, on one line.
std::string ReadProblemText(const ZipReadOutcome& outcome, const std::string& path) {
    if (outcome.state == kZipRead)
        return "";
    if (outcome.state == kZipMissing || outcome.state == kZipNotZip)
        return ui::FormatText(kNotZipText, path.c_str());
    if (outcome.unzipResult == zip::kUnzipReadError ||
        outcome.unzipResult == zip::kUnzipOutOfMemory) {
        std::string text = ui::FormatText(kNotReadZipText, path.c_str());
        if (outcome.systemError != 0)
            text += " " + zip::CZipFileOperation::SystemErrorText(outcome.systemError);
        return text;
    }
    return ui::FormatText(kDamagedZipText, path.c_str());
}

// Each member entry of a read becomes a record of the directory.
class MemberRecords : public zip::ZipMemberSink {
  public:
    explicit MemberRecords(CZipFileDirectory& directory) : m_directory(directory) {}
    void Reserve(size_t count) override { m_directory.ReserveMembers(count); }
    void Add(zip::ZipMemberEntry&& member) override {
        m_directory.AddFile(std::make_unique<CZipFileInfo>(std::move(member)));
    }
    void Clear() override { m_directory.FreeFileList(); }

  private:
    CZipFileDirectory& m_directory;
};

} // namespace

bool CZipFileDirectory::IsZipFileName(std::string_view name) {
    return name.size() >= 4 && platform::CompareNoCase(name.substr(name.size() - 4), ".zip") == 0;
}

std::string CZipFileDirectory::DisplayName() const {
    size_t slash = m_path.rfind('\\');
    return slash == std::string::npos ? m_path : m_path.substr(slash + 1);
}

void CZipFileDirectory::FreeFileList() {
    if (!m_files.empty()) {
        m_taggedPaths.clear();
        for (const auto& file : m_files)
            if (file->Tagged())
                m_taggedPaths.push_back(file->FullPath());
    }
    CDirectoryContainer::FreeFileList();
}

bool CZipFileDirectory::ReadFileList(const CCatalogueEnvironment& /*env*/) {
    return ReadMembers().state == kZipRead;
}

ZipReadOutcome CZipFileDirectory::ReadArchive() {
    CCatalogueView& view = ScanEnvironment().View();
    ZipReadOutcome outcome;
    try {
        char text[512];
        std::snprintf(text, sizeof text, "Scanning zip '%s'...", DisplayName().c_str());
        view.ShowProgress(text);
        view.FileListChanged();
        zip::CZipFileOperation op(ScanEnvironment().Context(), nullptr, "", true);
        op.SetCompressionLevel(0);
        MemberRecords records(*this);
        outcome.state = op.ReadDirectory(Path(), m_kind == kDirectoryZipMultiVolume, records);
        outcome.deferredError = op.DeferredError();
        outcome.unzipResult = op.UnzipResultCode();
        outcome.systemError = op.SystemError();
        view.FileListChanged();
    } catch (const std::bad_alloc&) {
        FreeFileList();
        outcome = ZipReadOutcome();
        outcome.state = kZipDamaged;
        outcome.unzipResult = zip::kUnzipOutOfMemory;
    }
    view.ProgressEnded();
    return outcome;
}

ZipReadOutcome CZipFileDirectory::ReadMembers() {
    m_mustRead = false;
    ui::WaitCursor wait(ScanEnvironment().Ui());
    SaveTaggedNames();
    FreeFileList();
    std::vector<std::string> tagged = std::move(m_taggedPaths);
    m_taggedPaths.clear();
    const ZipReadOutcome outcome = ReadArchive();
    m_scanState = outcome.state;
    if (m_scanState != kZipRead && m_kind == kDirectoryZip)
        m_kind = kDirectoryZipFailed;
    SetReadProblem(ReadProblemText(outcome, m_path));
    // The saved names say whether the catalogue keeps the tags; which
    // members get them is told by their full paths.
    if (!SavedNames().empty() && !tagged.empty()) {
        std::unordered_set<std::string> wanted(tagged.begin(), tagged.end());
        for (const auto& file : m_files)
            if (wanted.count(file->FullPath()) != 0)
                file->SetTagged(true);
        ClearSavedNames();
        Count();
    } else {
        FinishRead();
    }
    return outcome;
}

const CCatalogueEnvironment& CZipFileDirectory::ScanEnvironment() const {
    static const CCatalogueEnvironment none;
    return m_drive != nullptr ? m_drive->Environment() : none;
}

int CZipFileDirectory::Scan() {
    ReadFileList(ScanEnvironment());
    return m_scanState;
}

int CZipFileDirectory::Rescan() {
    ui::WaitCursor wait(ScanEnvironment().Ui());
    CCatalogueView& view = ScanEnvironment().View();
    view.FileListChanged();
    int state = Scan();
    view.FileListChanged();
    return state;
}

} // namespace vorlane::catalogue
