#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/api.h"

namespace velmora {

// Composes the text of one SQL statement. Every value goes in through one of
// the quoting rules (integers as "%d", text between single quotes with each
// quote doubled, dates as '%m/%d/%Y %H:%M:%S' local time), so a value can
// never end its literal early and run as SQL of its own.
class VELMORA_API CDBStatement {
public:
    CDBStatement() = default;
    explicit CDBStatement(std::string_view text) : m_text(text) {}

    // Appends a literal piece of SQL as it is.
    CDBStatement& Text(std::string_view literal);
    CDBStatement& Int(int32_t value);
    CDBStatement& Quoted(std::string_view value);
    CDBStatement& Date(int64_t seconds);

    // Starts one column assignment of an UPDATE: " SET " + column + " = "
    // for the first, " , " + column + " = " for each one after it; the value
    // follows through Int, Quoted or Date.
    CDBStatement& Assign(std::string_view column);

    const std::string& str() const { return m_text; }

    static std::string QuoteInt(int32_t value);
    static std::string QuoteText(std::string_view value);
    static std::string QuoteDate(int64_t seconds);

private:
    std::string m_text;
    bool m_bAssigned = false;
};

}  // namespace velmora
