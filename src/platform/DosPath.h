// DOS paths ("C:\DOCS\REPORT.TXT") to host paths and back. Any module may
// call these; they read the disk (to find the case of existing names) but
// never change it.
//
// A DOS path becomes the drive's host directory followed by each component,
// looked up without regard to case: the exact name first, else the first
// directory entry (in byte order) equal ignoring case; a component that does
// not exist keeps the case the user typed (so new names keep it). "/" is
// taken as a separator like "\"; empty components ("C:\A\\B") are skipped
// as DOS does; "." and ".." are folded as text, and ".." never climbs above
// the drive's root. A drive-relative path ("C:DOCS") and a component holding
// : * ? " < > | or a control character are refused (kDosInvalidName).
//
// Characters a DOS name cannot hold (\ : * ? " < > | and control characters
// 0x01-0x1F) appear in DOS names as U+F000 + byte (UTF-8 encoded) and map
// back exactly; so do bytes that are not UTF-8, and the bytes of a host name
// that already holds one of U+F000-U+F0FF, so every host name survives the
// round trip. Other non-ASCII names pass unchanged. The way back turns only
// those escapes into bytes: never '/', '.', NUL or a letter.
//
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
               const DriveMap& map = *DriveMap::Current());
// Host path to DOS path through the drive whose root is the longest prefix
// on component boundaries ("." and ".." folded as text first). When no root
// is a prefix of the path as written, real paths are compared (a drive
// reached through a link). No drive holding the path: kDosInvalidDrive.
bool HostToDos(const std::string& hostPath, std::string* dosPath, SysError* err = nullptr,
               const DriveMap& map = *DriveMap::Current());

// The DOS path spelt as on the disk: each existing component in the case
// of the entry DosToHost finds for it, the rest as typed; "." and ".."
// folded, "/" written "\", the drive letter upper case. False (with *err)
// where DosToHost fails. The drive stays the one typed.
bool DiskCaseDosPath(const std::string& dosPath, std::string* diskPath, SysError* err = nullptr,
                     const DriveMap& map = *DriveMap::Current());

// One name (no separators) between host and DOS form.
std::string HostNameToDos(const std::string& hostName);
std::string DosNameToHost(const std::string& dosName);

// Names compared as the program compares them: ASCII letters without regard
// to case, every other byte exactly.
bool NamesEqual(const std::string& a, const std::string& b);

} // namespace vorlane::platform
