#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/api.h"

namespace velmora {

class CFtpDir;

// The folders a walk down a remote tree went through to reach the one it
// is in, to tell a walk that meets itself: a server may list a folder
// inside itself (a link it resolves, or a hostile one that lists itself
// again and again), and a walk through it would only end at the depth
// limit, having listed the same folder a hundred times.
//
//   CWalkStep root(nullptr, "/pub/", "");
//   ... list it; root.Listed(fingerprint) ...
//   CWalkStep sub(&root, "/pub/a/", entry.GetUnique());
//   std::string why = sub.Cycle();   // before listing: the same "unique" fact
//   ... list it; sub.Listed(fingerprint); why = sub.Cycle(); // after: names and contents
class VELMORA_API CWalkStep {
public:
    // A folder of the walk below `parent` (null for where the walk starts);
    // `unique` is the identity its listing line gave (empty: none).
    CWalkStep(const CWalkStep* parent, std::string path, std::string unique);

    // What the folder's listing held, as a fingerprint (see Fingerprint).
    void Listed(uint64_t fingerprint) { m_listing = fingerprint; }
    // Adds an entry to a listing's fingerprint, which starts at 0.
    static uint64_t Fingerprint(uint64_t fingerprint, const CFtpDir& entry);

    // Why the walk must not go on into this folder; empty when it may:
    // - a folder above has the same "unique" fact (the same folder again);
    // - the names of the last folders repeat a cycle, and the folder lists
    //   what the one a cycle up listed;
    // - the names repeat one cycle kRepeats times in a row, whatever the
    //   folders hold.
    std::string Cycle() const;

    // The walk met itself here: the folder is to go, with what it held.
    void Stop() { m_bStopped = true; }
    bool IsStopped() const { return m_bStopped; }

    const std::string& GetPath() const { return m_path; }
    int GetDepth() const { return m_depth; }

    // Folder names that repeat this often in a row are a loop whatever
    // their listings say (a server may vary them).
    static constexpr int kRepeats = 4;
    // The longest cycle of names looked for.
    static constexpr int kLongestCycle = 8;

private:
    const CWalkStep* Up(int levels) const;
    // The last name of the path.
    std::string Name() const;

    const CWalkStep* m_parent;
    std::string m_path;
    std::string m_unique;
    uint64_t m_listing = 0;
    int m_depth;
    bool m_bStopped = false;
};

// How much the walks of one job may gather between them. The caps on a
// single listing do not bound a tree: a server may offer folder after new
// folder, each full of long names, until the client runs out of memory.
// Past either bound the walk ends and the job fails with Why().
class VELMORA_API CWalkBudget {
public:
    static constexpr uint64_t kDefaultEntries = 4000000;
    static constexpr uint64_t kDefaultPathBytes = uint64_t{1} << 30;

    explicit CWalkBudget(uint64_t entries = kDefaultEntries, uint64_t pathBytes = kDefaultPathBytes) {
        Reset(entries, pathBytes);
    }
    CWalkBudget(const CWalkBudget&) = delete;
    CWalkBudget& operator=(const CWalkBudget&) = delete;

    // New bounds, and nothing counted yet; only while no walk runs.
    void Reset(uint64_t entries, uint64_t pathBytes);

    // Counts one entry kept, with a path of `pathBytes`; false once a bound
    // is passed (and from then on).
    bool Take(size_t pathBytes);
    bool IsSpent() const { return m_bSpent.load(std::memory_order_relaxed); }
    // The bound that was passed: "Folder tree too large: more than ...".
    std::string Why() const;

private:
    uint64_t m_maxEntries = 0;
    uint64_t m_maxPathBytes = 0;
    std::atomic<uint64_t> m_entries{0};
    std::atomic<uint64_t> m_pathBytes{0};
    std::atomic<bool> m_bSpent{false};
};

}  // namespace velmora
