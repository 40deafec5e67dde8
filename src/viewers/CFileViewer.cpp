#include "viewers/CFileViewer.h"

#include "viewers/ImageFormats.h"

#include <string_view>

namespace vorlane::viewers {

namespace {

std::string FileMessage(const std::string& name, const std::string& text) {
    return "File '" + name + text;
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

void CFileViewer::DeleteTemporaryViewFile() {
    if (m_tempFile.empty())
        return;
    const std::string copy = std::move(m_tempFile);
    m_tempFile.clear();
    if (m_remove)
        m_remove(copy);
}

ViewShow CFileViewer::Show(const ViewEntry* entry, const ViewSettings& settings,
                           const std::string& systemTemp) {
    // Before anything else: the copy of the file shown until now goes.
    DeleteTemporaryViewFile();
    ViewShow show;
    if (entry == nullptr || entry->size == 0)
        return show;
    show.displayName = entry->name;
    show.path = entry->hostPath;
    const auto jpegRefused = [&](int code) {
        if (settings.viewJpegFiles || !IsJpegFormatCode(code))
            return false;
        show.path.clear();
        show.deleteWhenDone = false;
        show.message = FileMessage(entry->name, "' is a JPEG image. JPEG viewing is currently "
                                                "disabled.");
        return true;
    };
    if (entry->zipMember) {
        show.path.clear();
        show.message = ZipMemberViewMessage(*entry, settings, systemTemp);
        if (!show.message.empty())
            return show;
        // A JPEG member is refused by its name before anything is taken out.
        if (jpegRefused(ImageFormatCodeByExtension(entry->memberName)))
            return show;
        const std::string parent = settings.zipTempPath.empty() ? systemTemp : settings.zipTempPath;
        const std::string copy = m_extract ? m_extract(*entry, parent) : "";
        if (copy.empty())
            return show; // the extractor told the user; nothing is left behind
        m_tempFile = copy;
        show.path = copy;
        show.deleteWhenDone = false; // the viewer owns the copy, not the bar
    }
    int code = m_probe ? m_probe(show.path) : -1;
    if (code < 0)
        code = ImageFormatCodeByExtension(show.path);
    if (jpegRefused(code))
        DeleteTemporaryViewFile();
    return show;
}

} // namespace vorlane::viewers
