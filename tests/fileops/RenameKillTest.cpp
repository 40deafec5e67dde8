// A group rename (*.TXT and friends to *.BAK) killed (SIGKILL) at random
// points: after every kill each file of the group is under its old name
// or its new name, exactly once, with its bytes; no file is lost, none is
// doubled, nothing else appears. The group holds names that collide
// inside it: a member already named like another's new name (it stays,
// the other is reported), and pairs that map to one new name (the first
// is renamed, the second reported).
#include "CopyTestSupport.h"
#include "KillTestSupport.h"

#include "fileops/CFileWildcardRename.h"

#include <set>

namespace vorlane::fileops::testing {
namespace {

namespace fs = std::filesystem;

constexpr int kRuns = 200;
constexpr uint32_t kSeed = 20261208;

struct Group {
    std::vector<std::string> order; // the group, in the order given to the rename
    Manifest files;                 // name -> bytes before the rename
    Manifest renamed;               // name -> bytes after a complete run
    size_t refused = 0;             // members a complete run reports
};

// 300 members in a seeded order: 180 plain *.TXT files, 40 *.TXT files
// whose .BAK name a member of the group already holds (those 40 .BAK
// files), and 20 pairs N.TXT / N.DOC that map to one new name.
Group MakeGroup(uint32_t seed) {
    std::mt19937 random(seed);
    Group g;
    auto add = [&](const std::string& name) {
        g.order.push_back(name);
        g.files[name] = name + ":" + PatternBytes(random() % 512, random());
    };
    for (int i = 0; i < 180; ++i)
        add("F" + std::to_string(i) + ".TXT");
    for (int i = 0; i < 40; ++i) {
        add("H" + std::to_string(i) + ".TXT");
        add("H" + std::to_string(i) + ".BAK");
    }
    for (int i = 0; i < 20; ++i) {
        add("P" + std::to_string(i) + ".TXT");
        add("P" + std::to_string(i) + ".DOC");
    }
    std::shuffle(g.order.begin(), g.order.end(), random);
    // A complete run: in order, a member moves unless its new name is taken.
    g.renamed = g.files;
    for (const std::string& name : g.order) {
        std::string to = WildcardNewName(name, "*.BAK");
        if (to == name)
            continue;
        if (g.renamed.count(to)) {
            ++g.refused;
            continue;
        }
        g.renamed[to] = g.renamed[name];
        g.renamed.erase(name);
    }
    return g;
}

class RenameKillTest : public FileOpsTest {
  protected:
    // The rename of the group in C:\G, in the child: its exit status (0 when
    // exactly the colliding members were reported).
    int Rename(const Group& g) {
        ui::ScriptedUserInterface childUi;
        childUi.OnUnexpected([](const std::string&) { ::_exit(3); });
        ui::OperationContext childContext(childUi, std::make_shared<platform::DriveMap>(
                                                       platform::DriveMap::FromSpec("C=" + cRoot)));
        CRenameParameters p;
        p.directory = "C:\\G";
        p.files = g.order;
        p.newName = "*.BAK";
        CRenameOutcome out = RunRename(p, childContext);
        return out.failed == g.refused ? 0 : 4;
    }

    // Checks the directory against the group and clears it.
    void CheckAndClear(const Group& g, bool complete) {
        const std::string root = cRoot + "/G";
        Manifest found;
        for (const auto& e : fs::directory_iterator(root))
            found[e.path().filename().string()] = test::ReadFile(e.path().string());
        if (complete) {
            EXPECT_TRUE(found == g.renamed) << "a complete run left another set of names";
        }
        std::map<std::string, int> seen; // old name -> times found
        for (const auto& [name, bytes] : found) {
            // The bytes begin with the old name (a rename of the ".BAK"
            // holder would show here as a wrong prefix).
            std::string old = bytes.substr(0, bytes.find(':'));
            auto original = g.files.find(old);
            if (original == g.files.end() || original->second != bytes) {
                ADD_FAILURE() << name << " holds bytes of no member";
                continue;
            }
            EXPECT_TRUE(name == old || name == WildcardNewName(old, "*.BAK"))
                << old << " found as " << name;
            ++seen[old];
        }
        for (const auto& [old, bytes] : g.files) {
            EXPECT_EQ(seen[old], 1) << old << " found " << seen[old] << " times";
        }
        fs::remove_all(root);
    }
};

TEST_F(RenameKillTest, GroupRenameKilledAtRandomPointsLosesAndDoublesNothing) {
    const Group g = MakeGroup(kSeed);
    ASSERT_EQ(g.order.size(), 300u);
    KillLoop loop;
    loop.runs = kRuns;
    loop.seed = kSeed;
    loop.prepare = [&](int) { WriteTree(cRoot + "/G", g.files); };
    loop.operation = [&] { return Rename(g); };
    loop.check = [&](int, bool complete) { CheckAndClear(g, complete); };
    const int killed = RunKillLoop(loop);
    // The shortest delays kill every rename before its end.
    EXPECT_GT(killed, 0);
    RecordProperty("killed", killed);
}

} // namespace
} // namespace vorlane::fileops::testing
