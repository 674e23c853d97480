// What a job holds while it walks a big tree: one data file per file under
// way, not one per file of the tree.

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/engine_test_support.h"
#include "engine/local_source.h"
#include "engine/session_pool.h"
#include "engine/tsk_local_file.h"
#include "support/temp_dir.h"

namespace velmora::test {
namespace {

namespace fs = std::filesystem;

// How many data files of a source are alive, and the most there ever were.
struct Census {
    std::atomic<int> alive{0};
    std::atomic<int> most{0};

    void Born() {
        const int now = ++alive;
        for (int seen = most; now > seen && !most.compare_exchange_weak(seen, now);) {
        }
    }
};

class CountedFile : public CTskLocalFile {
public:
    CountedFile(const CFtpPath& path, Census& census) : CTskLocalFile(path), m_census(census) { m_census.Born(); }
    ~CountedFile() override { --m_census.alive; }

private:
    Census& m_census;
};

// A local source whose data files (its sessions' too) are counted.
class CountedSource : public CLocalSource {
public:
    CountedSource(const CTskItem& item, Census& census) : CLocalSource(item), m_census(census) {}
    CountedSource(const CTskItem& item, const CFtpPathList& paths, Census& census)
        : CLocalSource(item), m_census(census) {
        AddPaths(paths);
    }

    CTskDataFile* CreateDataFile(const CFtpPath& path) override { return new CountedFile(path, m_census); }
    std::unique_ptr<CSource> OpenSession(std::string&) const override {
        return std::make_unique<CountedSource>(m_item, m_census);
    }

private:
    Census& m_census;
};

// The walk's paths below `root`, in its order, with "/" after a folder.
std::vector<std::string> WalkOrder(CSource& source, const std::string& root, Census& census, int& mostHeld) {
    std::vector<std::string> order;
    mostHeld = 0;
    CSourceWalk walk(source);
    for (std::unique_ptr<CTskDataFile> file = walk.Next(); file; file = walk.Next()) {
        mostHeld = std::max(mostHeld, census.alive.load());
        const std::string path = fs::relative(file->GetPath().GetPath(), root).generic_string();
        order.push_back(file->IsFolderEntry() ? path + "/" : path);
    }
    return order;
}

using SourceWalkTest = EngineTest;

TEST_F(SourceWalkTest, AWalkGivesListedFilesAndTreesInOrderMakingOneDataFileAtATime) {
    TempDir dir;
    WriteFile(dir / "first.txt", "1");
    WriteFile(dir / "tree/one/two/deep.txt", "deep");
    WriteFile(dir / "last.txt", "22");
    CFtpPathList paths;
    paths.Add(new CFtpPath(dir / "first.txt"));
    paths.Add(new CFtpPath(dir / "tree"));
    paths.Add(new CFtpPath(dir / "last.txt"));
    Census census;
    CountedSource source(MakeItem(LocalPoint(ePointFolder, dir.path()), LocalPoint(ePointFolder, dir / "dst")), paths,
                         census);
    ASSERT_TRUE(source.Scan());
    const int scanned = census.alive;

    int mostHeld = 0;
    const std::vector<std::string> order = WalkOrder(source, dir.path(), census, mostHeld);

    // A folder given among files is walked in its place, parents first.
    EXPECT_EQ(order, (std::vector<std::string>{"first.txt", "tree/", "tree/one/", "tree/one/two/",
                                               "tree/one/two/deep.txt", "last.txt"}));
    EXPECT_EQ(source.GetEntryCount(), 6u);
    EXPECT_EQ(source.GetFileCount(), 3u);
    EXPECT_EQ(CStatistic::Job().m_nTotalBytes, 1 + 4 + 2);
    EXPECT_EQ(mostHeld, scanned + 1) << "the list's own files and the one walked, no more";
    EXPECT_EQ(census.alive, scanned);
    // A second walk gives the same.
    EXPECT_EQ(WalkOrder(source, dir.path(), census, mostHeld), order);
}

TEST_F(SourceWalkTest, SessionsHoldOnlyAFewFilesOfABigFolderAndPutEachOnce) {
    TempDir dir;
    constexpr int kFiles = 1500;
    for (int i = 0; i < kFiles; ++i) WriteFile(dir / ("src/f" + std::to_string(i) + ".txt"), std::to_string(i));
    Census census;
    const CTskItem item = MakeItem(LocalPoint(ePointFolder, dir / "src"), LocalPoint(ePointFolder, dir / "dst"));
    CountedSource source(item, census);
    CLocalSource target(item);
    ASSERT_TRUE(source.Scan());
    ASSERT_TRUE(target.OpenTarget());

    std::map<std::string, int> outcomes;
    std::atomic<int> doneCount{0};
    bool sent = false;
    {
        CSessionPool pool(
            source, target, 3, source.GetFileCount(),
            [&](CTskDataFile* file, EFileOutcome outcome) {
                if (outcome == EFileOutcome::Sent) ++outcomes[file->GetPath().GetPath()];
            },
            [&](CTskDataFile*) { return ++doneCount > 0; });
        CSourceWalk walk(source);
        for (std::unique_ptr<CTskDataFile> file = walk.Next(); file; file = walk.Next()) {
            if (file->IsFolderEntry()) {
                ASSERT_TRUE(target.PutFolder(file.get()));
            } else {
                pool.Add(std::move(file));
            }
        }
        sent = pool.Finish();
    }

    EXPECT_TRUE(sent);
    EXPECT_EQ(doneCount, kFiles);
    EXPECT_EQ(outcomes.size(), static_cast<size_t>(kFiles));
    EXPECT_TRUE(std::all_of(outcomes.begin(), outcomes.end(), [](const auto& sent) { return sent.second == 1; }));
    EXPECT_EQ(ReadTree(dir / "dst/src"), ReadTree(dir / "src"));
    EXPECT_LE(census.most, 300) << "the files of a big folder are made as their turn comes";
    EXPECT_EQ(census.alive, 1) << "only the list's file of the tree's root is left";
    target.Close();
    source.Close();
}

}  // namespace
}  // namespace velmora::test
