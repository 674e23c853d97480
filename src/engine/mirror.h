#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "engine/job_result.h"
#include "engine/mirror_record.h"
#include "engine/tsk_data_file.h"
#include "messaging/listener.h"
#include "paths/file_filter.h"
#include "paths/mfc_obj_node.h"
#include "platform/api.h"

namespace velmora {

class CSource;

// A mirror run of a pair of sources: the destination folder becomes a copy
// of the source folder's contents. The destination is listed once; each
// source file then goes through the pair's usual put only when the
// destination lacks it or holds a different one, and, when the transform
// asks for it, what the destination has and the source lacks is deleted at
// the end. The job's filter applies to both sides: what it leaves out is
// neither sent nor compared nor deleted.
//
// Where the host keeps a record of earlier runs (CMirrorRecord), a run
// without deleting goes by it instead of listing the destination: a source
// file as the record has it stays, any other is sent. The record is only
// trusted while a sample of it is still at the destination and a whole
// listing is less than a day old; otherwise the run lists, and renews the
// record from what it saw.
//
// Every decision is a Sync record (command 13, kind 13) whose action is "+"
// (new), "~" (changed), "=" (equal) or "-" (deleted) and whose text is the
// path below the roots ("/" ending a folder), and a Sync entry in the job
// database; the job's mirror counts keep the totals. In a dry run the
// decisions are reported and nothing is put or deleted.
class VELMORA_API CMirror {
public:
    using PutStep = std::function<bool(CTskDataFile* file)>;

    // What a source file needs.
    enum EAction { eEqual, eNew, eChanged };

    CMirror(CSource& source, CSource& target);
    ~CMirror();
    CMirror(const CMirror&) = delete;
    CMirror& operator=(const CMirror&) = delete;

    // Lists the destination as it stands, unless the record can stand in for it.
    void ReadDestination();
    // Sends `file` with `put` when it is new or changed; false when that,
    // or clearing the way for it, failed.
    bool Put(CTskDataFile* file, const PutStep& put);
    // The files `put` answers true for are only on their way (handed to
    // other sessions): the record learns of each from Settle.
    void DeferOutcomes() { m_bDeferred = true; }
    // What became of a file whose put was deferred; any thread, under the
    // job's report lock.
    void Settle(const CTskDataFile& file, EFileOutcome outcome);
    // Deletes, deepest first, what the destination holds and no source file
    // matched, when the transform says so. Nothing is deleted after an
    // error of the job: a source that could not be read whole would
    // otherwise take files of the destination with it. Nor beyond the
    // transform's limit (MirrorDeleteRefusal): that is an error of the job,
    // told by a Sync record with the action kRefusedAction.
    void DeleteExtras();
    static constexpr const char* kRefusedAction = "!";
    // Keeps what the run learnt in the record (not in a dry run);
    // `everyFile`: every source file had its turn.
    void StoreRecord(bool everyFile);

    // Whether a source modified at `source` is newer than a destination
    // modified at `destination` (file times). A destination time on a whole
    // minute, or at midnight, may come from a listing that shows no
    // seconds, or no time of day: then the source must be newer by that
    // much.
    static bool IsNewer(uint64_t source, uint64_t destination);
    // `path` below the folder of `root`, with "/" between levels and none at
    // the end; false when it does not lie below it.
    static bool RelativeKey(const CFtpPath& path, const CFtpPath& root, std::string& key);

private:
    struct Entry {
        const CMFCObjNode* node;
        bool seen;
    };

    void ListDestination();
    // A sample of the record is at the destination, with the sizes it says.
    bool RecordHolds();
    // The file's path below the source root; false when it lies outside.
    static bool KeyOf(const CTskDataFile& file, std::string& key);
    bool PutByRecord(CTskDataFile* file, const std::string& key, const PutStep& put);
    // Reports the decision and puts the file when it needs it.
    bool Carry(EAction action, CTskDataFile* file, const std::string& key, const PutStep& put);
    // The outcome of a put for the record: `row` is the source file as it
    // was decided on.
    bool Sent(const std::string& key, const CMirrorRecord::Row& row, bool sent);
    std::string RecordAddress() const;
    void IndexTree(const CMFCObjNode& node, const CFtpPath& root);
    EAction Decide(CTskDataFile& file, const Entry* entry);
    // With the job's checksum setting: a file of the destination's size is
    // compared by its hashes; by its time where they cannot be had.
    bool IsChanged(CTskDataFile& file, const CFtpPath& there);
    void Report(EAction action, const CTskDataFile& file, const std::string& key) const;
    // The entry at `key` and everything below it go (deepest first).
    bool DeleteBelow(const std::string& key);
    bool DeleteEntry(const std::string& key, Entry& entry);
    void RefuseDeletes(const std::string& reason);
    std::string TargetText(const std::string& key) const;

    CSource& m_source;
    CSource& m_target;
    const bool m_bDryRun;
    const bool m_bDelete;
    CFileFilter m_filter;
    std::unique_ptr<CMFCObjNode> m_tree;
    std::unordered_map<std::string, Entry> m_entries;
    // The keys in the tree's walk order: parents before their children.
    std::vector<std::string> m_order;
    // Null where the host keeps no record.
    std::unique_ptr<CMirrorRecord> m_record;
    bool m_bByRecord = false;
    // Every decision of the run had the destination's listing to go by.
    bool m_bListedWhole = false;
    // Source entries below the root that had their turn.
    int64_t m_nSourceEntries = 0;
    bool m_bDeferred = false;
    struct Pending {
        std::string key;
        CMirrorRecord::Row row;
    };
    // The files on their way, under the job's report lock.
    std::unordered_map<const CTskDataFile*, Pending> m_pending;
};

// Hears a mirror's actions while it exists: each "+" (new), "~" (changed)
// and "-" (deleted) decision goes to `take` with the path below the roots,
// and a refused deletion ("!") with its reason.
// Unchanged files are not passed on. It hears only the jobs run on the
// thread that made it (a job runs on the thread that calls it): the
// message box is the whole process's, and the job before this thread's,
// which it may wait for, is often a mirror too. `take` is called on that
// thread.
class VELMORA_API CMirrorActionListener : public CListener {
public:
    using Take = std::function<void(const std::string& action, const std::string& path)>;

    explicit CMirrorActionListener(Take take);
    ~CMirrorActionListener() override;
    CMirrorActionListener(const CMirrorActionListener&) = delete;
    CMirrorActionListener& operator=(const CMirrorActionListener&) = delete;

    void OnMsg(CMsg& msg) override;

private:
    Take m_take;
    const std::thread::id m_thread;
};

}  // namespace velmora
