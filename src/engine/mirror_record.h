#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/api.h"

namespace velmora {

class CSQLiteDatabase;

// What a mirror's earlier runs left at one destination, kept in the job
// database's source-file table so that a run can tell which source files
// the destination holds already without listing it. Its rows have Type 4
// (the mirror's transform bit) and no transfer order; the URL is the
// destination's address followed by the path below its root ("/" ending a
// folder). A file's row holds what its source was (size, and its exact
// modification time in 100-ns units as the Note) when the destination was
// last seen or made to hold it. The root's own row (the address alone)
// dates the last run that listed the whole destination.
//
// A row is only ever written for a file the run sent or saw at the
// destination, so a wrong row can only make a file look changed (it is
// sent again) or, when the destination was changed behind the mirror's
// back, unchanged: the mirror checks a sample of the record against the
// destination and lists the whole destination at least once a day.
class VELMORA_API CMirrorRecord {
public:
    struct Row {
        uint64_t size = 0;
        uint64_t time = 0;
        bool folder = false;
        bool operator==(const Row&) const = default;
    };

    // How long a record is trusted after the last run that listed the whole
    // destination, in seconds.
    static constexpr int64_t kTrustedFor = 24 * 60 * 60;

    CMirrorRecord(CSQLiteDatabase* database, std::string address);

    // Reads the record; false when there is none the mirror may go by: no
    // row, or a whole listing longer ago than kTrustedFor.
    bool Load();
    // The row of `key` (the path below the root); null when there is none.
    const Row* Find(const std::string& key) const;
    // Up to `count` files of the record, spread over it, to check against
    // the destination.
    std::vector<std::pair<std::string, Row>> Sample(size_t count) const;

    // The destination holds the source file of `key` as `row` describes it.
    void Confirm(const std::string& key, const Row& row);
    // Nothing is known of `key` at the destination any more.
    void Forget(const std::string& key);
    // Writes what the run learnt, in one transaction. `listedWhole`: this
    // run listed the whole destination. `complete`: it went through every
    // source file without an error, so rows of keys it did not meet belong
    // to files the source no longer has and go.
    bool Store(bool listedWhole, bool complete);
    const std::string& GetLastError() const { return m_strError; }

private:
    std::string Url(const std::string& key) const;
    bool Exec(const std::string& statement);
    bool DeleteRows(const std::vector<std::string>& keys);
    bool InsertRows(const std::vector<std::pair<std::string, Row>>& rows);

    CSQLiteDatabase* m_pDatabase;
    std::string m_strAddress;
    std::map<std::string, Row> m_rows;
    std::map<std::string, Row> m_confirmed;
    std::set<std::string> m_forgotten;
    std::string m_strError;
};

}  // namespace velmora
