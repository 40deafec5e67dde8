#include "viewers/CFileViewer.h"

#include "viewers/ImageFormats.h"

#include <string_view>

namespace vorlane::viewers {

namespace {

std::string FileMessage(const std::string& name, const std::string& text) {
    return "File '" + name + text;
}

std::string JpegMessage(const std::string& name) {
    return FileMessage(name, "' is a JPEG image. JPEG viewing is currently disabled.");
}

} // namespace

bool IsJpegFormatCode(int code) {
    return code == 5 || code == 10 || code == 11;
}

std::string ZipMemberViewMessage(const ViewEntry& entry, const ViewSettings& settings,
                                 const std::string& systemTemp) {
    if (entry.multiVolume)
        return FileMessage(entry.name, "' is within a multi-volume zip file and thus cannot be "
                                       "viewed without being extracted.");
    if (!settings.viewFilesInZipFiles)
        return FileMessage(entry.name, "' is within a zip file and zip file viewing "
                                       "is disabled.");
    if ((entry.attributeWord & kEncryptedAttribute) != 0)
        return FileMessage(entry.name, "' is an encrypted file. It must be copied or moved out "
                                       "of the zip file to be viewed.");
    if (!settings.zipTempPath.empty()) {
        // Kilobytes as a fraction: 24576 bytes are 24k exactly, one more is above.
        const double kilobytes = static_cast<double>(entry.size) / 1024.0;
        if (settings.maxZipViewSizeKb > 0 && kilobytes > settings.maxZipViewSizeKb)
            return FileMessage(entry.name, "' is within a zip file and it is bigger than the "
                                           "maximum set view filesize (" +
                                               std::to_string(settings.maxZipViewSizeKb) + "k).");
    } else if (systemTemp.empty()) {
        return FileMessage(entry.name,
                           "' is within a zip file and the ZIP temp path is not set. The "
                           "path is set within the General Settings/Paths dialog (press Ctrl+G).");
    }
    return "";
}

void CFileViewer::Remove(const std::string& copy) const {
    if (m_remove && !copy.empty())
        m_remove(copy);
}

void CFileViewer::DeleteTemporaryViewFile() {
    if (m_tempFile.empty())
        return;
    const std::string copy = std::move(m_tempFile);
    m_tempFile.clear();
    Remove(copy);
}

bool CFileViewer::RefusesJpegFile(ViewShow& show, const std::string& name) const {
    if (m_viewJpegFiles)
        return false;
    int code = m_probe ? m_probe(show.path) : -1;
    if (code < 0)
        code = ImageFormatCodeByExtension(show.path);
    if (!IsJpegFormatCode(code))
        return false;
    show.path.clear();
    show.message = JpegMessage(name);
    return true;
}

ViewShow CFileViewer::Show(const ViewEntry* entry, const ViewSettings& settings,
                           const std::string& systemTemp) {
    // Before anything else: the copy of the file shown until now goes, and
    // a take-out still running for an earlier Show() is stale.
    DeleteTemporaryViewFile();
    ++m_ticket;
    m_wanted.reset();
    m_viewJpegFiles = settings.viewJpegFiles;
    m_name = entry ? entry->name : "";
    ViewShow show;
    if (entry == nullptr || entry->size == 0)
        return show;
    show.displayName = entry->name;
    if (!entry->zipMember) {
        show.path = entry->hostPath;
        RefusesJpegFile(show, entry->name);
        return show;
    }
    show.message = ZipMemberViewMessage(*entry, settings, systemTemp);
    if (!show.message.empty())
        return show;
    // A JPEG member is refused by its name before anything is taken out.
    if (!settings.viewJpegFiles &&
        IsJpegFormatCode(ImageFormatCodeByExtension(entry->memberName))) {
        show.message = JpegMessage(entry->name);
        return show;
    }
    TakeOut takeOut;
    takeOut.ticket = m_ticket;
    takeOut.member = *entry;
    takeOut.parentDir = settings.zipTempPath.empty() ? systemTemp : settings.zipTempPath;
    takeOut.land = [self = std::weak_ptr<CFileViewer*>(m_self), remove = m_remove,
                    ticket = m_ticket](const std::string& copy) -> std::optional<ViewShow> {
        if (const std::shared_ptr<CFileViewer*> viewer = self.lock())
            return (*viewer)->MemberTakenOut(ticket, copy);
        if (remove && !copy.empty())
            remove(copy); // the viewer has gone: nobody shows it
        return std::nullopt;
    };
    m_wanted = std::move(takeOut);
    show.pending = true;
    return show;
}

std::optional<TakeOut> CFileViewer::NextTakeOut() {
    if (m_running != 0 || !m_wanted)
        return std::nullopt;
    std::optional<TakeOut> next = std::move(m_wanted);
    m_wanted.reset();
    m_running = next->ticket;
    return next;
}

std::optional<ViewShow> CFileViewer::MemberTakenOut(uint64_t ticket, const std::string& copy) {
    // Only the take-out handed out lands, once; anything else is deleted.
    const bool handedOut = ticket == m_running;
    if (handedOut)
        m_running = 0;
    if (!handedOut || ticket != m_ticket) {
        Remove(copy); // stale: another file is shown by now
        return std::nullopt;
    }
    ViewShow show;
    show.displayName = m_name;
    if (copy.empty())
        return show; // the take-out told the user; nothing is left behind
    m_tempFile = copy;
    show.path = copy; // the viewer owns the copy, not the bar
    if (RefusesJpegFile(show, m_name))
        DeleteTemporaryViewFile();
    return show;
}

} // namespace vorlane::viewers
