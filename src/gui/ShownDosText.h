// How the windows and printouts show a DOS name or path: characters a DOS
// name cannot hold are kept in the catalogue as private-use escapes
// (U+F000 + byte, platform/DosPath.h); shown, they are the characters the
// name really holds ("a:b" rather than "a" U+F03A "b"). A byte that is
// not UTF-8 shows as U+FFFD. Other text, non-ASCII included, is unchanged.
#pragma once

#include <QString>

#include <string>

namespace vorlane::gui {

QString ShownDosText(const std::string& dosText);

} // namespace vorlane::gui
