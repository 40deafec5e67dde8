// The document viewer's types: what a file that is not a picture is, told
// by libmagic from its contents, as one of the type numbers the viewer's
// caption names ("ASCII", "Word", "ZIP", "Program", ...). Text is shown by
// the text viewer, everything else by the hex viewer.
//
// Any thread: each thread keeps its own libmagic handle.
#pragma once

#include <string>

namespace vorlane::viewers {

enum DocumentType : int {
    kDocumentEmpty = 0,
    kDocumentAscii = 1,
    kDocumentHex = 2,
    kDocumentGraphic = 3,
    kDocumentIcon = 4,
    kDocumentWord = 5,
    kDocumentWordPerfect = 6,
    kDocumentDBase = 8,
    kDocumentParadox = 9,
    kDocumentLotus = 10,
    kDocumentExcel = 11,
    kDocumentZip = 13,
    kDocumentLzh = 14,
    kDocumentQuattroPro = 15,
    kDocumentSound = 16,
    kDocumentMetaFile = 17,
    kDocumentWorks = 20,
    kDocumentWrite = 27,
    kDocumentTrueType = 28,
    kDocumentProgram = 29,
    kDocumentTypeCount = 32,
};

// The name of a type number (0 to 31); "" for 0 and for numbers outside.
std::string DocumentTypeName(int type);
// The type of a MIME type as libmagic names it ("text/plain" -> 1).
int DocumentTypeOfMime(const std::string& mime);
// The type of a file's contents: 0 for an empty file, 2 when libmagic
// cannot tell (or the file cannot be read).
int DocumentTypeOfFile(const std::string& hostPath);
// Whether the text viewer shows a type (else the hex viewer).
inline bool ShownAsText(int type) {
    return type == kDocumentAscii || type == kDocumentEmpty;
}

} // namespace vorlane::viewers
