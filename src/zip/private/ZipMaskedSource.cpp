#include "zip/private/ZipMaskedSource.h"

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlane::zip {

namespace {

// The general purpose flags sit at offset 8 of a central directory header;
// bit 11 (UTF-8) is bit 3 of the second byte.
constexpr uint64_t kFlagsHighByte = 9;
constexpr uint8_t kUtf8FlagBit = 0x08;

struct MaskedSource {
    int fd = -1;
    uint64_t start = 0;
    uint64_t size = 0;            // of the archive from start on
    uint64_t offset = 0;          // the read position, from start
    std::vector<uint64_t> masked; // file offsets of the bytes to change, sorted
    zip_error_t error;

    ~MaskedSource() {
        if (fd >= 0)
            ::close(fd);
        zip_error_fini(&error);
    }

    zip_int64_t Read(uint8_t* out, uint64_t length) {
        length = std::min(length, size - std::min(offset, size));
        uint64_t done = 0;
        while (done < length) {
            const ssize_t got =
                ::pread(fd, out + done, length - done, static_cast<off_t>(start + offset + done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0) {
                zip_error_set(&error, ZIP_ER_READ, errno);
                return -1;
            }
            if (got == 0) {
                zip_error_set(&error, ZIP_ER_EOF, 0);
                return -1;
            }
            done += static_cast<uint64_t>(got);
        }
        const uint64_t first = start + offset;
        for (auto it = std::lower_bound(masked.begin(), masked.end(), first);
             it != masked.end() && *it < first + length; ++it)
            out[*it - first] &= static_cast<uint8_t>(~kUtf8FlagBit);
        offset += length;
        return static_cast<zip_int64_t>(length);
    }

    zip_int64_t Command(void* data, zip_uint64_t length, zip_source_cmd_t command) {
        switch (command) {
        case ZIP_SOURCE_OPEN:
            offset = 0;
            return 0;
        case ZIP_SOURCE_READ:
            return Read(static_cast<uint8_t*>(data), length);
        case ZIP_SOURCE_CLOSE:
            return 0;
        case ZIP_SOURCE_STAT: {
            zip_stat_t* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &error);
            if (st == nullptr)
                return -1;
            zip_stat_init(st);
            st->size = size;
            st->valid |= ZIP_STAT_SIZE;
            return sizeof *st;
        }
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&error, data, length);
        case ZIP_SOURCE_SEEK: {
            const zip_int64_t to =
                zip_source_seek_compute_offset(offset, size, data, length, &error);
            if (to < 0)
                return -1;
            offset = static_cast<uint64_t>(to);
            return 0;
        }
        case ZIP_SOURCE_TELL:
            return static_cast<zip_int64_t>(offset);
        case ZIP_SOURCE_FREE:
            delete this;
            return 0;
        case ZIP_SOURCE_SUPPORTS:
            return zip_source_make_command_bitmap(
                ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, ZIP_SOURCE_SEEK, ZIP_SOURCE_TELL,
                ZIP_SOURCE_SUPPORTS, -1);
        default:
            zip_error_set(&error, ZIP_ER_OPNOTSUPP, 0);
            return -1;
        }
    }

    static zip_int64_t Callback(void* user, void* data, zip_uint64_t length,
                                zip_source_cmd_t command) {
        return static_cast<MaskedSource*>(user)->Command(data, length, command);
    }
};

} // namespace

zip_source_t* CreateMaskedSource(int fd, uint64_t start, std::vector<uint64_t> headers,
                                 zip_error_t* error) {
    struct stat st;
    if (::fstat(fd, &st) != 0 || static_cast<uint64_t>(st.st_size) < start) {
        const int e = errno;
        ::close(fd);
        zip_error_set(error, ZIP_ER_OPEN, e);
        return nullptr;
    }
    auto* self = new MaskedSource;
    zip_error_init(&self->error);
    self->fd = fd;
    self->start = start;
    self->size = static_cast<uint64_t>(st.st_size) - start;
    for (uint64_t header : headers)
        self->masked.push_back(header + kFlagsHighByte);
    std::sort(self->masked.begin(), self->masked.end());
    zip_source_t* source = zip_source_function_create(&MaskedSource::Callback, self, error);
    if (source == nullptr)
        delete self;
    return source;
}

} // namespace vorlane::zip
