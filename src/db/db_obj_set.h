#pragma once

#include <cstdint>
#include <string>

#include "db/db_obj.h"
#include "db/db_statement.h"
#include "db/sqlite_query.h"
#include "objects/std_list.h"
#include "platform/api.h"

namespace velmora {

class CSQLiteDatabase;

// A list of records bound to one table of an open database. It composes the
// SQL text for its statements and runs them through its own query; it never
// opens, creates or closes a database or a table. Concrete sets derive from
// CDBRecordSet<Record> (db_record_set.h), which fills in the generic load,
// insert, update and delete from the record's column table.
class VELMORA_API CDBObjSet : public CStdList<CDBObj, CDBObj*> {
public:
    using BaseList = CStdList<CDBObj, CDBObj*>;

    // A null table takes GetDefaultTable(); concrete sets pass their own
    // default, since a constructor cannot reach the derived class.
    explicit CDBObjSet(CSQLiteDatabase* database = nullptr, bool ownsElements = true, const char* table = nullptr);
    CDBObjSet(const CDBObjSet& other);
    CDBObjSet& operator=(const CDBObjSet& other);
    ~CDBObjSet() override;

    // Takes over the other set's last error and flags, replaces the records
    // by deep copies of the other's and then takes its table name.
    void Copy(const BaseList& other) override;

    virtual std::string GetDefaultTable() const { return {}; }
    virtual bool SaveModified(const CDBObj& /*record*/) { return false; }
    // Inserts every record from head to tail; stops at the first failure.
    virtual bool Save();
    // Each record's description and "\r\n", then one more "\r\n".
    virtual std::string GetDescription() const;
    // Replaces the records by the rows matching `where` (the whole table when
    // it is null or empty).
    virtual bool Load(const char* where);
    virtual bool AddRecord(const CDBObj& record);
    virtual bool DeleteRecord(const CDBObj& record);
    virtual bool EditRecord(const CDBObj& record);

    CSQLiteDatabase* GetDatabase() const { return m_query.GetDatabase(); }
    void SetDatabase(CSQLiteDatabase* database) { m_query.SetDatabase(database); }
    void SetShowError(bool on);
    const std::string& GetTable() const { return m_strTable; }
    void SetTable(const std::string& table) { m_strTable = table; }
    const CSQLiteQuery& GetQuery() const { return m_query; }

    // The list's last error and, when the last statement failed, SQLite's
    // message, one line each.
    std::string GetLastError() const;

    // Statements are never grouped; these only answer 1.
    int StartTransaction() { return 1; }
    int Commit() { return 1; }
    int Abort() { return 1; }

    // The largest value of `column` (0 for an empty table), read on a
    // separate query; `id` is left alone when the statement fails.
    bool LoadLatestID(const std::string& column, int32_t& id);
    // LoadLatestID + 1.
    bool GetNewID(const std::string& column, int32_t& id);
    // The key SQLite gave the last row inserted through this connection,
    // whatever other connections insert meanwhile (0 when there was none).
    bool LoadInsertedID(int32_t& id);
    // Written for a server with a system object catalogue; SQLite rejects it.
    bool DropTable(const std::string& name);

protected:
    // Forgets the last statement, its values and the last error, so that
    // GetLastError always describes the operation that runs now.
    void ClearQuery();
    // ClearQuery, then runs the statement on the set's own query.
    bool Exec(const std::string& statement);
    bool Exec(const CDBStatement& statement);
    // ClearQuery, then runs a statement that returns one number on a separate
    // query bound to the same database. A NULL or missing result reads as 0;
    // a failure becomes the list's last error.
    bool ExecScalar(const std::string& statement, int32_t& value);

    CSQLiteQuery& Query() { return m_query; }

    std::string m_strTable;
    CSQLiteQuery m_query;
};

}  // namespace velmora
