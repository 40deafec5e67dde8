// A read-only libzip source over an archive whose central directory flags
// a name as UTF-8 that is not. libzip refuses to open such an archive at
// all, so one bad name would keep every other member in it. This source
// serves the file's bytes from a start offset (after any stub in front)
// with the UTF-8 flag cleared in the headers named, so libzip opens the
// archive; the extractor never takes names from libzip (it goes by the
// engine's own index, where those members are marked and refused).
//
// Takes ownership of the descriptor (closed when libzip frees the source).
// Reads with pread, so the descriptor's file offset is never used.
#pragma once

#include <zip.h>

#include <cstdint>
#include <vector>

namespace vorlane::zip {

// fd: the archive, open for reading; start: where the archive begins in the
// file; headers: file offsets of the central directory headers whose flag
// is to be hidden. Null (and fd closed) on failure, with error set.
zip_source_t* CreateMaskedSource(int fd, uint64_t start, std::vector<uint64_t> headers,
                                 zip_error_t* error);

} // namespace vorlane::zip
