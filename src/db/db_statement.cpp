#include "db/db_statement.h"

#include "base/format.h"
#include "db/db_date.h"

namespace velmora {

CDBStatement& CDBStatement::Text(std::string_view literal) {
    m_text += literal;
    m_sql += literal;
    return *this;
}

CDBStatement& CDBStatement::Bind(const std::string& quoted, Value value) {
    m_text += quoted;
    m_sql += '?';
    m_values.push_back(std::move(value));
    return *this;
}

CDBStatement& CDBStatement::Int(int32_t value) { return Bind(QuoteInt(value), value); }

CDBStatement& CDBStatement::Quoted(std::string_view value) { return Bind(QuoteText(value), std::string(value)); }

CDBStatement& CDBStatement::Date(int64_t seconds) { return Bind(QuoteDate(seconds), FormatDBDate(seconds)); }

CDBStatement& CDBStatement::Append(const CDBStatement& other) {
    m_text += other.m_text;
    m_sql += other.m_sql;
    m_values.insert(m_values.end(), other.m_values.begin(), other.m_values.end());
    return *this;
}

CDBStatement& CDBStatement::Assign(std::string_view column) {
    Text(m_bAssigned ? " , " : " SET ").Text(column).Text(" = ");
    m_bAssigned = true;
    return *this;
}

std::string CDBStatement::QuoteInt(int32_t value) { return Format("%d", value); }

std::string CDBStatement::QuoteText(std::string_view value) {
    std::string quoted;
    quoted.reserve(value.size() + 2);
    quoted += '\'';
    for (const char c : value) {
        if (c == '\'') quoted += '\'';
        quoted += c;
    }
    quoted += '\'';
    return quoted;
}

// A time without a local date is written as the empty text, which reads back
// as time 0, rather than leaving a hole in the statement.
std::string CDBStatement::QuoteDate(int64_t seconds) { return QuoteText(FormatDBDate(seconds)); }

}  // namespace velmora
