#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include "platform/api.h"

namespace velmora {

class CDBStatement;
class CSQLiteDatabase;

// Runs one SQL statement and keeps the result as text: every value of every
// row, column by column and row after row, in one first-in first-out queue.
// Readers take exactly as many values per row as the statement selected
// columns.
class VELMORA_API CSQLiteQuery {
public:
    explicit CSQLiteQuery(CSQLiteDatabase* database = nullptr) : m_pDatabase(database) {}
    virtual ~CSQLiteQuery();

    // Empties the values, then runs the statement. False when SQLite rejects
    // it (or there is no open database); GetError tells why.
    bool Exec(const std::string& statement);
    // The same for a composed statement, whose values SQLite takes bound
    // (GetStatement then holds its composed text).
    bool Exec(const CDBStatement& statement);

    // Forgets the last statement, its error and its values.
    void Clear();

    // The front value; "" when none is left (a NULL column also reads as "").
    std::string PopValue();
    // The front value read as a stored date ("mm/dd/yyyy hh:mm:ss", local
    // time); anything that is not such a date reads as 0.
    int64_t PopDate();
    // The front value read as a decimal integer; non-numeric text reads as 0.
    int32_t PopInt();
    int ValueCount() const { return static_cast<int>(m_values.size()); }

    const std::string& GetStatement() const { return m_strStatement; }
    const std::string& GetError() const { return m_strError; }

    CSQLiteDatabase* GetDatabase() const { return m_pDatabase; }
    void SetDatabase(CSQLiteDatabase* database) { m_pDatabase = database; }
    bool IsShowError() const { return m_bShowErrors; }
    void SetShowError(bool on) { m_bShowErrors = on; }

private:
    bool m_bShowErrors = false;
    std::string m_strStatement;
    std::string m_strError;
    CSQLiteDatabase* m_pDatabase;
    std::deque<std::string> m_values;
};

}  // namespace velmora
