// DOS paths ("C:\DOCS\REPORT.TXT") to host paths and back.
//
// A DOS path becomes the drive's host directory followed by each component,
// looked up without regard to case: the exact name first, else the first
// directory entry equal ignoring case; a component that does not exist keeps
// the case the user typed (so new names keep it). Characters a DOS name
// cannot hold (\ : * ? " < > | and control characters) appear in DOS names
// as U+F000 + byte and map back exactly. Non-ASCII names pass unchanged.
// Paths are never truncated: a host path longer than 4095 bytes is refused
// (kDosFilenameExceedRange).
#pragma once

#include "platform/Drives.h"
#include "platform/SysError.h"

#include <string>

namespace vorlane::platform {

constexpr size_t kMaxHostPath = 4095;

// Full DOS path (drive letter, colon, backslash, components; "." and ".."
// components are folded) to host path. Fails when the letter is not mapped
// (kDosInvalidDrive), the path is malformed (kDosInvalidName) or too long.
bool DosToHost(const std::string& dosPath, std::string* hostPath, SysError* err = nullptr,
               const DriveMap& map = DriveMap::Current());
// Host path to DOS path through the drive whose root is the longest prefix.
bool HostToDos(const std::string& hostPath, std::string* dosPath, SysError* err = nullptr,
               const DriveMap& map = DriveMap::Current());

// One name (no separators) between host and DOS form.
std::string HostNameToDos(const std::string& hostName);
std::string DosNameToHost(const std::string& dosName);

// Names compared as the program compares them: ASCII letters without regard
// to case, every other byte exactly.
bool NamesEqual(const std::string& a, const std::string& b);

} // namespace vorlane::platform
