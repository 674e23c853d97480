#pragma once

#include <string>

#include "db/sqlite_query.h"
#include "platform/api.h"

namespace velmora {

class CSQLiteDatabase;

// A write transaction on one connection. It takes the database's write lock
// at once (BEGIN IMMEDIATE; another connection holding it is waited for, up
// to the connection's busy time), so that what is read inside it is still
// true when it is written: two hosts planning on one file never both see "no
// launch yet". Rolled back when it ends without Commit.
class VELMORA_API CDBWriteTransaction {
public:
    explicit CDBWriteTransaction(CSQLiteDatabase* database);
    ~CDBWriteTransaction();
    CDBWriteTransaction(const CDBWriteTransaction&) = delete;
    CDBWriteTransaction& operator=(const CDBWriteTransaction&) = delete;

    bool IsOpen() const { return m_bOpen; }
    bool Commit();
    // SQLite's reason when opening or committing failed.
    const std::string& GetLastError() const { return m_query.GetError(); }

private:
    CSQLiteQuery m_query;
    bool m_bOpen = false;
};

}  // namespace velmora
