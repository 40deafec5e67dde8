// The command-line text search: `vorlane --grep [options] PATTERN FILE...`
// runs the text search engine over files and prints its report (or counts)
// like grep. The executable's entry hands over the arguments that follow
// "--grep"; the benchmarks and tests call it directly.
#pragma once

#include <ostream>

namespace vorlane::search {

// argv holds the options, the pattern and the files (not the program name
// nor "--grep"). Options: -i ignore case, -F plain text, -c counts only,
// -q quiet, -h help; "--" ends the options; a FILE of "-" is standard
// input. Returns 0 when a line matched, 1 when none did, 2 on an error (a
// bad pattern or option, a file that cannot be read).
int GrepMain(int argc, char** argv, std::ostream& out, std::ostream& err);

} // namespace vorlane::search
