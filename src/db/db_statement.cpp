#include "db/db_statement.h"

#include "base/format.h"
#include "db/db_date.h"

namespace velmora {

CDBStatement& CDBStatement::Text(std::string_view literal) {
    m_text += literal;
    return *this;
}

CDBStatement& CDBStatement::Int(int32_t value) { return Text(QuoteInt(value)); }

CDBStatement& CDBStatement::Quoted(std::string_view value) { return Text(QuoteText(value)); }

CDBStatement& CDBStatement::Date(int64_t seconds) { return Text(QuoteDate(seconds)); }

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
