// A readable dump of a keyed record file (the object database VORLN32.DAT):
// the header, the trees block by block, the records, and what every block is
// used for. Used by the vorlane-dbdump tool; anyone may call it.
//
// A file the engine opens is dumped as the engine sees it (a pending journal
// applied). A file it refuses is dumped from its raw bytes, block by block,
// with each block's problem named: that is when a dump is most needed.
#pragma once

#include <iosfwd>
#include <string>

namespace vorlane::objdb {

struct KeyedFileDumpOptions {
    bool header = true;  // the header's fields
    bool records = true; // one line per record: key (kind and name when it has one), length
    bool data = false;   // the first bytes of each record's data, in hex
    bool blocks = false; // every block: what it holds, the entries of index blocks
    bool raw = false;    // read the bytes directly even when the engine would open the file
};

// Writes the dump to out. Returns 0 when the file was dumped through the
// engine, 1 when it had to be dumped raw (damaged or in use), 2 when it
// could not be read at all.
int DumpKeyedFile(const std::string& path, const KeyedFileDumpOptions& options, std::ostream& out);

} // namespace vorlane::objdb
