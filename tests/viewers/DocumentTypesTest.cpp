// Document types: libmagic's answer for files made here mapped to the
// viewer's type names; text goes to the text viewer, the rest to hex.
#include "viewers/DocumentTypes.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace vorlane::viewers {
namespace {

TEST(DocumentTypes, FilesByContentsAndMimeTypesByName) {
    test::TempDir dir;
    struct Case {
        const char* name;
        std::string bytes;
        std::string typeName;
        bool asText;
    } cases[] = {
        {"notes.dat", "plain words\nand more words\n", "ASCII", true},
        {"script", "#!/bin/sh\necho hi\n", "ASCII", true},
        {"empty.txt", "", "", true},
        {"archive.txt", std::string("PK\x03\x04\x14\0\0\0\0\0", 10) + std::string(40, '\0'), "ZIP",
         false},
        {"program",
         std::string("\x7F"
                     "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0\x02\0\x3E\0\x01\0\0\0",
                     24) +
             std::string(40, '\0'),
         "Program", false},
        {"noise.bin", std::string("\x01\x02\xFE\xFF\x00\x10\x80\x99", 8), "Hex", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::WriteFile(dir / c.name, c.bytes);
        const int type = DocumentTypeOfFile(dir / c.name);
        EXPECT_EQ(DocumentTypeName(type), c.typeName) << type;
        EXPECT_EQ(ShownAsText(type), c.asText);
    }
    EXPECT_EQ(DocumentTypeOfFile(dir / "missing"), kDocumentHex);

    const std::pair<std::string, std::string> mimes[] = {
        {"application/vnd.openxmlformats-officedocument.wordprocessingml.document", "Word"},
        {"application/vnd.ms-excel", "Excel"},
        {"audio/mpeg", "Sound File"},
        {"image/x-icon", "Icon"},
        {"image/webp", "Graphic"},
        {"text/x-c++", "ASCII"},
        {"application/x-msworks", "Hex"}, // not a prefix match of a shorter name
        {"application/octet-stream", "Hex"},
    };
    for (const auto& [mime, name] : mimes)
        EXPECT_EQ(DocumentTypeName(DocumentTypeOfMime(mime)), name) << mime;
    EXPECT_EQ(DocumentTypeName(18), "Q&A");
    EXPECT_EQ(DocumentTypeName(32), "");
    EXPECT_EQ(DocumentTypeName(-1), "");
}

} // namespace
} // namespace vorlane::viewers
