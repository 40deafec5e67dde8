// A recording program for launch tests: an executable shell script that
// writes its working directory, then each argument on a line of its own
// ("[arg]"), to a file, then makes "<file>.done". Only shell built-ins are
// used, so it runs whatever $PATH says. Launches never wait for the
// program; AwaitRecording waits (up to 30 s) for the file.
#pragma once

#include <string>

namespace vorlane::test {

// Writes the script at path (mode 0755); it records into out.
void WriteRecordingProgram(const std::string& path, const std::string& out);
// What the program recorded, "<never written>" when it did not run.
std::string AwaitRecording(const std::string& out);

} // namespace vorlane::test
