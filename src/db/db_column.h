#pragma once

#include <cstdint>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "db/db_statement.h"
#include "db/sqlite_query.h"

namespace velmora {

// One column of a record class: its name and the record field that holds it.
// The field's type gives the column's kind: int32_t an integer, std::string a
// text, int64_t a date (seconds since 1970, stored as local date text).
template <class R>
class CDBColumn {
public:
    CDBColumn(const char* name, int32_t R::*field) : m_name(name), m_field(field) {}
    CDBColumn(const char* name, std::string R::*field) : m_name(name), m_field(field) {}
    CDBColumn(const char* name, int64_t R::*field) : m_name(name), m_field(field) {}

    const char* GetName() const { return m_name; }

    // Takes this column's value off the front of the query's values.
    void Read(CSQLiteQuery& query, R& record) const {
        std::visit(
            [&](auto field) {
                using Value = std::remove_reference_t<decltype(record.*field)>;
                if constexpr (std::is_same_v<Value, int32_t>) {
                    record.*field = query.PopInt();
                } else if constexpr (std::is_same_v<Value, int64_t>) {
                    record.*field = query.PopDate();
                } else {
                    record.*field = query.PopValue();
                }
            },
            m_field);
    }

    // Appends the record's value, quoted by the rule of its kind.
    void Write(CDBStatement& sql, const R& record) const {
        std::visit(
            [&](auto field) {
                using Value = std::remove_cv_t<std::remove_reference_t<decltype(record.*field)>>;
                if constexpr (std::is_same_v<Value, int32_t>) {
                    sql.Int(record.*field);
                } else if constexpr (std::is_same_v<Value, int64_t>) {
                    sql.Date(record.*field);
                } else {
                    sql.Quoted(record.*field);
                }
            },
            m_field);
    }

private:
    const char* m_name;
    std::variant<int32_t R::*, std::string R::*, int64_t R::*> m_field;
};

// A record class's table: the default table name and the columns in table
// order, the integer key "ID" first. Each record class R provides it as
// `static const CDBTable<R>& Table()`.
template <class R>
struct CDBTable {
    const char* defaultName;
    std::vector<CDBColumn<R>> columns;
};

}  // namespace velmora
