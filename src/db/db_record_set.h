#pragma once

#include <cstdint>
#include <string>

#include "db/db_column.h"
#include "db/db_obj_set.h"
#include "db/db_statement.h"
#include "platform/api.h"

namespace velmora {

// The generic record set over the table of record class R. R derives from
// CDBObj, has a public `int32_t ID` and a static `Table()` (db_column.h);
// from that table this class composes every plain statement:
//   " SELECT ID,A,B  FROM T[ WHERE w]"
//   " INSERT INTO T ( A,B  )  VALUES ( a , b  )"      (the key is never inserted)
//   " UPDATE T SET A = a , B = b   WHERE ID = n"
//   " DELETE FROM T WHERE ID = n"
// A concrete set adds its own loads and statements; when it replaces a typed
// AddRecord/EditRecord/DeleteRecord it adds `using CDBRecordSet<R>::...;` so
// the CDBObj overloads stay visible.
template <class R>
class VELMORA_API CDBRecordSet : public CDBObjSet {
public:
    explicit CDBRecordSet(CSQLiteDatabase* database = nullptr, bool ownsElements = true, const char* table = nullptr)
        : CDBObjSet(database, ownsElements, table ? table : R::Table().defaultName) {}

    std::string GetDefaultTable() const override { return R::Table().defaultName; }
    CDBObj* CreateObject() const override { return new R(); }
    CDBObj* CreateComponent() override { return new R(); }

    bool Load(const char* where) override { return Load(CDBStatement(where ? where : "")); }
    // The same with a composed where-clause, whose values SQLite takes bound:
    // every load ends here, so a set that adds to loading overrides this.
    virtual bool Load(const CDBStatement& where) {
        RemoveAndDestroy();
        CDBStatement sql(SelectList() + m_strTable);
        if (!where.str().empty()) sql.Text(" WHERE ").Append(where);
        if (!Exec(sql)) return false;
        while (m_query.ValueCount() > 0) {
            R* record = new R();
            for (const CDBColumn<R>& column : R::Table().columns) column.Read(m_query, *record);
            Add(record);
        }
        return true;
    }

    bool AddRecord(const CDBObj& record) override {
        const R* typed = Typed(record);
        return typed && AddRecord(*typed);
    }
    bool EditRecord(const CDBObj& record) override {
        const R* typed = Typed(record);
        return typed && EditRecord(*typed);
    }
    bool DeleteRecord(const CDBObj& record) override {
        const R* typed = Typed(record);
        return typed && DeleteRecord(*typed);
    }

    virtual bool AddRecord(const R& record) { return Exec(InsertStatement(record)); }
    virtual bool EditRecord(const R& record) { return Exec(UpdateStatement(record)); }
    virtual bool DeleteRecord(const R& record) { return DeleteByColumn("ID", record.ID); }

    // The first loaded record that satisfies `match`, or null.
    template <class Match>
    R* FindFirst(Match match) const {
        for (CDBObj* element : *this) {
            R* record = dynamic_cast<R*>(element);
            if (record && match(*record)) return record;
        }
        return nullptr;
    }
    R* FindById(int32_t id) const {
        return FindFirst([id](const R& record) { return record.ID == id; });
    }

    // Typed access to the list; null where an element is not an R.
    R* GetHead() const { return dynamic_cast<R*>(CDBObjSet::GetHead()); }
    R* GetTail() const { return dynamic_cast<R*>(CDBObjSet::GetTail()); }
    R* GetAt(POSITION pos) { return dynamic_cast<R*>(CDBObjSet::GetAt(pos)); }
    R* GetNext(POSITION& pos) { return dynamic_cast<R*>(CDBObjSet::GetNext(pos)); }
    R* GetPrev(POSITION& pos) { return dynamic_cast<R*>(CDBObjSet::GetPrev(pos)); }

    // " SELECT " + the column names separated by "," + "  FROM ".
    static std::string SelectList() { return " SELECT " + ColumnNames(0) + "  FROM "; }

protected:
    // Load with the where-text "column = value".
    bool LoadByColumn(const char* column, int32_t value) {
        const std::string where = std::string(column) + " = " + CDBStatement::QuoteInt(value);
        return Load(where.c_str());
    }

    // " DELETE FROM T WHERE column = value".
    bool DeleteByColumn(const char* column, int32_t value) {
        return Exec(CDBStatement(" DELETE FROM " + m_strTable + " WHERE " + column + " = ").Int(value));
    }

    // Writes the outcome of a run for records that carry DatePerformed,
    // Status and StatusDescription:
    // " UPDATE T SET DatePerformed = d , Status = n , StatusDescription = s   WHERE ID = n".
    bool UpdatePerformedStatus(const R& record, int64_t performed) {
        CDBStatement sql(" UPDATE " + m_strTable);
        sql.Assign("DatePerformed").Date(performed).Assign("Status").Int(record.Status);
        sql.Assign("StatusDescription").Quoted(record.StatusDescription);
        return Exec(sql.Text("   WHERE ID = ").Int(record.ID));
    }

    CDBStatement InsertStatement(const R& record) const {
        CDBStatement sql(" INSERT INTO " + m_strTable + " ( " + ColumnNames(1) + "  )  VALUES ( ");
        const auto& columns = R::Table().columns;
        for (size_t i = 1; i < columns.size(); ++i) {
            if (i > 1) sql.Text(" , ");
            columns[i].Write(sql, record);
        }
        sql.Text("  )");
        return sql;
    }

    CDBStatement UpdateStatement(const R& record) const {
        CDBStatement sql(" UPDATE " + m_strTable);
        const auto& columns = R::Table().columns;
        for (size_t i = 1; i < columns.size(); ++i) columns[i].Write(sql.Assign(columns[i].GetName()), record);
        sql.Text("   WHERE ID = ").Int(record.ID);
        return sql;
    }

private:
    static std::string ColumnNames(size_t first) {
        std::string names;
        const auto& columns = R::Table().columns;
        for (size_t i = first; i < columns.size(); ++i) {
            if (i > first) names += ',';
            names += columns[i].GetName();
        }
        return names;
    }

    const R* Typed(const CDBObj& record) {
        const R* typed = dynamic_cast<const R*>(&record);
        if (!typed) ShowError(std::string("Not a record of table ") + m_strTable);
        return typed;
    }
};

}  // namespace velmora
