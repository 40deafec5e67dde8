#include "fileops/CDosErrorMessage.h"

#include <cstdio>
#include <iterator>

namespace vorlane::fileops {

namespace {

struct DosText {
    int code;
    const char* text;
};

// The DOS error table: every code the program has a text for. Each text
// begins with the code as two hexadecimal digits and "h - ".
constexpr DosText kDosTexts[] = {
    {1, "01h - Function number invalid."},
    {2, "02h - File not found."},
    {3, "03h - Path not found."},
    {4, "04h - Too many open files (no handles available)."},
    {5, "05h - Access denied."},
    {6, "06h - Invalid handle."},
    {7, "07h - Memory control block destroyed."},
    {8, "08h - Insufficient memory."},
    {9, "09h - Memory block address invalid."},
    {10, "0Ah - Environment invalid (usually >32K in length)."},
    {11, "0Bh - Format invalid."},
    {12, "0Ch - Access code invalid."},
    {13, "0Dh - Data invalid."},
    {14, "0Eh - Reserved."},
    {15, "0Fh - Invalid drive."},
    {16, "10h - Attempted to remove current directory."},
    {17, "11h - Not same device."},
    {18, "12h - No more files."},
    {19, "13h - Disk write-protected."},
    {20, "14h - Unknown unit."},
    {21, "15h - Drive not ready."},
    {22, "16h - Unknown command."},
    {23, "17h - Data error (CRC)."},
    {24, "18h - Bad request structure length."},
    {25, "19h - Seek error."},
    {26, "1Ah - Unknown media type (non-DOS disk)."},
    {27, "1Bh - Sector not found."},
    {28, "1Ch - Printer out of paper."},
    {29, "1Dh - Write fault."},
    {30, "1Eh - Read fault."},
    {31, "1Fh - General failure."},
    {32, "20h - Sharing violation."},
    {33, "21h - Lock violation."},
    {34, "22h - Disk change invalid."},
    {35, "23h - FCB unavailable."},
    {36, "24h - Sharing buffer overflow."},
    {37, "25h - Code page mismatch."},
    {38, "26h - Cannot complete file operation (out of input)."},
    {39, "27h - Insufficient disk space."},
    {50, "32h - Network request not supported."},
    {51, "33h - Remote computer not listening."},
    {52, "34h - Duplicate name on network."},
    {53, "35h - Network name not found."},
    {54, "36h - Network busy."},
    {55, "37h - Network device no longer exists."},
    {56, "38h - Network BIOS command limit exceeded."},
    {57, "39h - Network adapter hardware error."},
    {58, "3Ah - Incorrect response from network."},
    {59, "3Bh - Unexpected network error."},
    {60, "3Ch - Incompatible remote adapter."},
    {61, "3Dh - Print queue full."},
    {62, "3Eh - Queue not full."},
    {63, "3Fh - Not enough space to print file."},
    {64, "40h - Network name was deleted."},
    {65, "41h - Network: Access denied."},
    {66, "42h - Network device type incorrect."},
    {67, "43h - Network name not found."},
    {68, "44h - Network name limit exceeded."},
    {69, "45h - Network BIOS session limit exceeded."},
    {70, "46h - Temporarily paused."},
    {71, "47h - Network request not accepted."},
    {72, "48h - Network print/disk redirection paused."},
    {73, "49h - Network software not installed."},
    {74, "4Ah - Unexpected adapter close."},
    {75, "4Bh - Password expired."},
    {76, "4Ch - Login attempt invalid at this time."},
    {77, "4Dh - Disk limit exceeded on network node."},
    {78, "4Eh - Not logged in to network node."},
    {79, "4Fh - Reserved."},
    {80, "50h - File exists."},
    {81, "51h - Reserved."},
    {82, "52h - Cannot make directory."},
    {83, "53h - Fail on INT 24h."},
    {84, "54h - Too many redirections."},
    {85, "55h - Duplicate redirection."},
    {86, "56h - Invalid password."},
    {87, "57h - Invalid parameter."},
    {88, "58h - Network write fault."},
    {89, "59h - The system cannot start another process at this time."},
    {90, "5Ah - Required system component not installed."},
    {110, "6Eh - The system cannot open the device or file specified!"},
    {111, "6Fh - The filename is too long."},
    {112, "70h - There is not enough space on the disk."},
    {113, "71h - There are no more internal file identifiers available."},
    {114, "72h - The target internal file identifier is incorrect."},
    {123, "7Bh - The filename or directory name specified is invalid!"},
    {125, "7Dh - The disk does not have a volume label."},
    {144, "90h - The directory is not a subdirectory of the root directory."},
    {145, "91h - The directory is not empty."},
    {148, "94h - The specified path cannot be used at this time."},
    {161, "A1h - The specified path is invalid."},
    {182, "B6h - The operating system cannot run %1."},
    {183, "B7h - Cannot create a file when that file already exists."},
};

const char* FindDosText(int code) {
    for (const DosText& entry : kDosTexts)
        if (entry.code == code)
            return entry.text;
    return nullptr;
}

std::string Formatted(const char* format, int code) {
    char text[64];
    std::snprintf(text, sizeof text, format, code);
    return text;
}

} // namespace

std::string CDosErrorMessage::TextOfDosCode(int dosCode) {
    if (dosCode == 0)
        return "";
    if (const char* text = FindDosText(dosCode))
        return text;
    return Formatted("Unknown DOS error. Error code = %d", dosCode);
}

std::string CDosErrorMessage::TextOfOwnCode(int code) {
    switch (code) {
    case kUserAborted:
        return "User aborted!";
    case kSameFile:
        return "Source and target files are the same!";
    case kDiskFull:
        return "Disk full!";
    case kNewNameExists:
        return "New file name already exists as a unique file!";
    default:
        return Formatted("Unknown error code = %d", code);
    }
}

bool CDosErrorMessage::Set(const platform::SysError& err) {
    int code = err.dosCode;
    // A path too long for the host has a code of its own in the platform
    // layer; the table's text for it is that of a name too long.
    if (code == platform::kDosFilenameExceedRange)
        code = platform::kDosBufferOverflow;
    // A failure that came without a code is still a failure.
    if ((code & 0xFFFF) == 0)
        code = platform::kDosGenFailure;
    SetSystemCode(code);
    m_detail = err.message;
    return false;
}

bool CDosErrorMessage::SetSystemCode(int dosCode) {
    m_code = dosCode & 0xFFFF;
    m_message = TextOfDosCode(m_code);
    m_detail.clear();
    return false;
}

bool CDosErrorMessage::SetOwn(int code) {
    m_code = code;
    m_message = TextOfOwnCode(code);
    m_detail.clear();
    return false;
}

void CDosErrorMessage::Reset() {
    m_code = 0;
    m_message.clear();
    m_detail.clear();
}

} // namespace vorlane::fileops
