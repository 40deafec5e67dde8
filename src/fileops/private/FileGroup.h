// The files of a run given by a source pattern, for the rename, attribute
// and touch drivers.
#pragma once

#include "ui/Job.h"
#include "ui/OperationContext.h"

#include <cstdint>

#include <string>
#include <vector>

namespace vorlane::fileops {

// The plain directory a run works in: its normalized DOS path and its host
// path. False, the reason shown, when it lies inside a zip file (the text
// zipRefusal) or cannot be reached.
bool PlainRunDirectory(const ui::OperationContext& context, const std::string& directory,
                       const char* zipRefusal, std::string* dosDirectory,
                       std::string* hostDirectory);

// The DOS names of the entries of hostDir that are not directories (links
// count as files) matching pattern: "*.*" matches every name, any other
// pattern is matched by the wildcard matcher against the upper-cased name.
// leaveOut (compared without regard to case) is never taken. In name order.
// The drive letters of a job that works in one directory.
std::string DirectoryDriveLetters(const std::string& dosDirectory);
// A job's result: ok without failures; summary "<count> <what>".
ui::JobResult DriverResult(uint64_t failed, bool cancelled, uint64_t count, const char* what);

std::vector<std::string> FilesMatching(const std::string& hostDir, const std::string& pattern,
                                       const std::string& leaveOut = "");

} // namespace vorlane::fileops
