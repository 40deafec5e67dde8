#include "support/RecordingProgram.h"

#include "support/TestSupport.h"

#include <chrono>
#include <sys/stat.h>
#include <thread>

namespace vorlane::test {

void WriteRecordingProgram(const std::string& path, const std::string& out) {
    WriteFile(path, "#!/bin/sh\n{ pwd; for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done; } > '" +
                        out + "'\n: > '" + out + ".done'\n");
    ::chmod(path.c_str(), 0755);
}

std::string AwaitRecording(const std::string& out) {
    for (int i = 0; i < 3000 && !FileExists(out + ".done"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return FileExists(out + ".done") ? ReadFile(out) : "<never written>";
}

} // namespace vorlane::test
