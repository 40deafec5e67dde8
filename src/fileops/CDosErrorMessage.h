// The error record of the file operation engine: a code and the text the
// user sees. Codes above zero are DOS error codes (from the platform
// layer's mapping of system errors) with the texts of the DOS error
// table; codes below zero are the program's own.
//
// A CFileOperation owns one and keeps the last error in it until the next
// error or a Reset(); drivers read it right after a primitive fails and
// show Message() after their own sentence. The Set functions return false,
// so a failing step can end with `return m_error.Set(err);`.
#pragma once

#include "platform/SysError.h"

#include <string>

namespace vorlane::fileops {

class CDosErrorMessage {
  public:
    // The program's own codes.
    enum OwnCode : int {
        kUserAborted = -1,   // "User aborted!"
        kSameFile = -2,      // "Source and target files are the same!"
        kDiskFull = -3,      // "Disk full!"
        kNewNameExists = -4, // "New file name already exists as a unique file!"
    };

    int Code() const { return m_code; }
    const std::string& Message() const { return m_message; }
    // The platform's own sentence behind a system error (what was done, the
    // host path, the system's text); empty for the program's own codes.
    // For diagnostics: the user sees Message().
    const std::string& Detail() const { return m_detail; }
    bool Failed() const { return m_code != 0; }

    // From a platform error: the DOS code (low 16 bits) and its table text.
    bool Set(const platform::SysError& err);
    // From a DOS error code alone (low 16 bits); 0 gives an empty message.
    bool SetSystemCode(int dosCode);
    // One of the program's own (negative) codes.
    bool SetOwn(int code);
    // Code 0, empty message.
    void Reset();

    // "Unknown DOS error. Error code = %d" for a code without a table text.
    static std::string TextOfDosCode(int dosCode);
    // "Unknown error code = %d" for an own code outside -1 to -4.
    static std::string TextOfOwnCode(int code);

  private:
    int m_code = 0;
    std::string m_message;
    std::string m_detail;
};

} // namespace vorlane::fileops
