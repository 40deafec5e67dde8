// Fuzz target of the settings file reader (ProfileFile): the input is the
// whole file. It is read and every key of every section asked for; the text
// the profile would write is read back and must give the same sections,
// keys and values; then keys are written, one deleted, and the written text
// read back must hold exactly what was written. Nothing may crash.
//
// The files live in anonymous in-memory files reached through /proc, so a
// run never touches the disk.
#include "platform/Profile.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

using vorlane::platform::ProfileFile;

// A profile read from text, through a file of its own.
class ProfileFromText {
  public:
    explicit ProfileFromText(const std::string& text) {
        m_fd = ::memfd_create("profile-fuzz", MFD_CLOEXEC);
        if (m_fd < 0)
            std::abort();
        for (size_t done = 0; done < text.size();) {
            ssize_t n = ::write(m_fd, text.data() + done, text.size() - done);
            if (n <= 0)
                std::abort();
            done += static_cast<size_t>(n);
        }
        m_profile = ProfileFile("/proc/self/fd/" + std::to_string(m_fd));
        if (!m_profile.Load())
            Fail("a readable file did not load");
    }
    ~ProfileFromText() { ::close(m_fd); }
    ProfileFromText(const ProfileFromText&) = delete;
    ProfileFromText& operator=(const ProfileFromText&) = delete;

    ProfileFile& operator*() { return m_profile; }
    ProfileFile* operator->() { return &m_profile; }

    [[noreturn]] static void Fail(const char* what) {
        std::fprintf(stderr, "profile fuzz: %s\n", what);
        std::abort();
    }

  private:
    int m_fd = -1;
    ProfileFile m_profile;
};

struct Setting {
    std::string section, key, value;
    int number;
    friend bool operator==(const Setting&, const Setting&) = default;
};

// Every key of every section as the reader sees it.
std::vector<Setting> Everything(const ProfileFile& profile) {
    std::vector<Setting> all;
    for (const std::string& section : profile.Sections())
        for (const std::string& key : profile.Keys(section)) {
            if (!profile.HasKey(section, key))
                ProfileFromText::Fail("a listed key is missing");
            all.push_back({section, key, profile.GetString(section, key, "", 0),
                           profile.GetInt(section, key, -12345)});
        }
    return all;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ProfileFromText read(std::string(reinterpret_cast<const char*>(data), size));
    std::vector<Setting> before = Everything(*read);
    if (read->Dirty())
        ProfileFromText::Fail("reading made the profile dirty");

    // What the profile writes reads back the same.
    ProfileFromText again(read->Text());
    if (Everything(*again) != before)
        ProfileFromText::Fail("the written text reads back otherwise");

    // Changes: one key deleted, then values that need quoting, one that
    // holds a line break, a long one, into a section of the file, a new
    // section and a new key.
    const Setting* gone = before.size() > 1 ? &before.back() : nullptr;
    if (gone)
        read->DeleteKey(gone->section, gone->key);
    const std::string section = before.empty() ? "Fuzz" : before.front().section;
    const std::string key = before.empty() ? "Key" : before.front().key;
    struct Change {
        std::string section, key, value, readBack;
    } changes[] = {
        {section, key, " blanks at both ends ", " blanks at both ends "},
        {section, "Added Key", "\"quoted\"", "\"quoted\""},
        {"New Section", "Line", "one\ntwo", "one two"},
        {"New Section", "Long", std::string(300, 'v'), std::string(300, 'v')},
    };
    std::vector<const Change*> written;
    for (const Change& change : changes)
        if (read->WriteString(change.section, change.key, change.value))
            written.push_back(&change);

    ProfileFromText changed(read->Text());
    for (const Change* change : written) {
        if (!changed->HasKey(change->section, change->key))
            ProfileFromText::Fail("a written key is missing");
        if (changed->GetString(change->section, change->key, "", 0) != change->readBack)
            ProfileFromText::Fail("a written value reads back otherwise");
    }
    if (gone && changed->HasKey(gone->section, gone->key)) {
        // Only a write of the same key (sections and keys ignore case) may
        // have brought it back.
        ProfileFromText probe(changed->Text());
        for (const Change* change : written)
            probe->DeleteKey(change->section, change->key);
        if (probe->HasKey(gone->section, gone->key))
            ProfileFromText::Fail("a deleted key is still there");
    }
    return 0;
}
