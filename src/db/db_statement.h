#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/api.h"

namespace velmora {

// Composes the text of one SQL statement. Every value goes in through one of
// the quoting rules (integers as "%d", text between single quotes with each
// quote doubled, dates as '%m/%d/%Y %H:%M:%S' local time), so a value can
// never end its literal early and run as SQL of its own.
//
// Beside that text the statement keeps the form SQLite runs: the same SQL
// with a "?" for each value, and the values in order. It stores the same
// rows, and the same SQL serves every value, so SQLite parses it once.
class VELMORA_API CDBStatement {
public:
    using Value = std::variant<int32_t, std::string>;

    CDBStatement() = default;
    explicit CDBStatement(std::string_view text) : m_text(text), m_sql(text) {}

    // Appends a literal piece of SQL as it is.
    CDBStatement& Text(std::string_view literal);
    CDBStatement& Int(int32_t value);
    CDBStatement& Quoted(std::string_view value);
    CDBStatement& Date(int64_t seconds);

    // Starts one column assignment of an UPDATE: " SET " + column + " = "
    // for the first, " , " + column + " = " for each one after it; the value
    // follows through Int, Quoted or Date.
    CDBStatement& Assign(std::string_view column);

    // Appends another statement's text and values (a WHERE clause).
    CDBStatement& Append(const CDBStatement& other);

    // Marks a row that may be committed with the rows after it, where the
    // connection groups rows (CSQLiteDatabase::GroupRows): a log entry, not
    // a record that later statements rely on.
    CDBStatement& Grouped() {
        m_bGrouped = true;
        return *this;
    }
    bool IsGrouped() const { return m_bGrouped; }

    const std::string& str() const { return m_text; }
    const std::string& GetSql() const { return m_sql; }
    const std::vector<Value>& GetValues() const { return m_values; }

    static std::string QuoteInt(int32_t value);
    static std::string QuoteText(std::string_view value);
    static std::string QuoteDate(int64_t seconds);

private:
    CDBStatement& Bind(const std::string& quoted, Value value);

    std::string m_text;
    std::string m_sql;
    std::vector<Value> m_values;
    bool m_bAssigned = false;
    bool m_bGrouped = false;
};

}  // namespace velmora
