#include "catalogue/FileGroups.h"

#include "catalogue/CDriveContainer.h"
#include "platform/AsciiCase.h"
#include "platform/DosPathText.h"

namespace vorlane::catalogue {

namespace {

using platform::UpperAscii;

const char* const kWords[] = {"", "[every]", "[tagged]", "[untagged]", "[current]"};

} // namespace

int GroupFromWord(std::string_view word) {
    for (int group = kGroupEvery; group <= kGroupCurrent; ++group)
        if (platform::CompareNoCase(word, kWords[group]) == 0)
            return group;
    return kGroupNone;
}

const char* GroupWord(int group) {
    return group >= kGroupEvery && group <= kGroupCurrent ? kWords[group] : "";
}

platform::Wildcard GroupPattern(const std::string& pattern) {
    return platform::Wildcard(UpperAscii(pattern));
}

CGroupRange GroupRange(const CDirectoryContainer* directory, int group,
                       const std::string& pattern) {
    CGroupRange range;
    if (group == kGroupNone || directory == nullptr)
        return range;
    if (group == kGroupCurrent) {
        platform::Wildcard wildcard = GroupPattern(pattern);
        if (pattern.empty() || !wildcard.Valid())
            return range;
        for (int i = 0; i < directory->EntryCount(); ++i) {
            if (!wildcard.Match(UpperAscii(directory->File(i)->Name())))
                continue;
            if (range.first < 0)
                range.first = i;
            range.last = i;
            ++range.count;
        }
        return range;
    }
    const int shown = directory->ShownCount();
    if (shown > 0) {
        range.first = 0;
        range.last = shown - 1;
    }
    switch (group) {
    case kGroupTagged:
        range.count = directory->TaggedCount();
        break;
    case kGroupUntagged: {
        // The shown files that are not tagged. (The shown count less the
        // tagged count would go wrong, even negative, once a file that is
        // not shown is tagged.)
        int untagged = 0;
        for (int i = 0; i < shown; ++i)
            untagged += directory->File(i)->Tagged() ? 0 : 1;
        range.count = untagged;
        break;
    }
    default:
        range.count = shown;
        break;
    }
    return range;
}

bool InGroup(const CFileContainer& file, int group, const platform::Wildcard& pattern) {
    switch (group) {
    case kGroupTagged:
        return file.Tagged();
    case kGroupUntagged:
        return !file.Tagged();
    case kGroupCurrent:
        return pattern.Match(UpperAscii(file.Name()));
    default:
        return true;
    }
}

bool InGroup(const CFileContainer& file, int group, const std::string& pattern) {
    if (group != kGroupCurrent)
        return InGroup(file, group, platform::Wildcard());
    return InGroup(file, group, GroupPattern(pattern));
}

bool SetTag(CDirectoryContainer& directory, int index, int state) {
    CFileContainer* file = directory.File(index);
    if (file == nullptr)
        return false;
    const bool wanted = state < 0 ? !file->Tagged() : state != 0;
    if (file->Tagged() == wanted)
        return false;
    file->SetTagged(wanted);
    if (directory.Drive() != nullptr)
        directory.Drive()->TagChanged(file, wanted);
    directory.ChangeTagged(*file, wanted);
    return true;
}

} // namespace vorlane::catalogue
