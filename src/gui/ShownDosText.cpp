#include "gui/ShownDosText.h"

#include "platform/DosPath.h"

namespace vorlane::gui {

QString ShownDosText(const std::string& dosText) {
    // The escapes turn back into the host bytes; separators and the drive
    // prefix are plain ASCII and pass as they are.
    return QString::fromUtf8(platform::DosNameToHost(dosText));
}

} // namespace vorlane::gui
