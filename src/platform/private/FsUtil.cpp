#include "platform/private/FsUtil.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlane::platform::detail {

int RenameNoReplace(int fromDir, const char* from, int toDir, const char* to) {
    if (::renameat2(fromDir, from, toDir, to, RENAME_NOREPLACE) == 0)
        return 0;
    int e = errno;
    if (e != EINVAL && e != ENOSYS && e != ENOTSUP)
        return e;
    // The file system does not know RENAME_NOREPLACE (or the move itself is
    // invalid, which the plain rename below reports again). A hard link
    // refuses an existing name atomically.
    if (::linkat(fromDir, from, toDir, to, 0) == 0) {
        if (::unlinkat(fromDir, from, 0) == 0)
            return 0;
        int unlinkErr = errno;
        ::unlinkat(toDir, to, 0);
        return unlinkErr;
    }
    if (errno == EEXIST)
        return EEXIST;
    struct stat st;
    if (::fstatat(toDir, to, &st, AT_SYMLINK_NOFOLLOW) == 0)
        return EEXIST;
    if (::renameat(fromDir, from, toDir, to) == 0)
        return 0;
    return errno;
}

std::string RandomHex(size_t hexDigits) {
    static const char kDigits[] = "0123456789abcdef";
    static std::atomic<uint64_t> counter{0};
    std::string out;
    out.reserve(hexDigits);
    while (out.size() < hexDigits) {
        uint64_t bits = 0;
        if (::getrandom(&bits, sizeof bits, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bits)) {
            uint64_t now =
                static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
            bits = now ^ (counter.fetch_add(1) * 0x9E3779B97F4A7C15ull) ^
                   (static_cast<uint64_t>(::getpid()) << 32);
        }
        for (int i = 0; i < 16 && out.size() < hexDigits; ++i, bits >>= 4)
            out.push_back(kDigits[bits & 0xF]);
    }
    return out;
}

std::string Utf8Prefix(const std::string& text, size_t maxBytes) {
    if (text.size() <= maxBytes)
        return text;
    size_t end = maxBytes;
    // Step back over continuation bytes so no character is cut in half.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

} // namespace vorlane::platform::detail
