#include "db/db_transaction.h"

namespace velmora {

CDBWriteTransaction::CDBWriteTransaction(CSQLiteDatabase* database) : m_query(database) {
    m_bOpen = m_query.Exec("BEGIN IMMEDIATE");
}

CDBWriteTransaction::~CDBWriteTransaction() {
    if (m_bOpen) m_query.Exec("ROLLBACK");
}

bool CDBWriteTransaction::Commit() {
    if (!m_bOpen) return false;
    if (!m_query.Exec("COMMIT")) return false;
    m_bOpen = false;
    return true;
}

}  // namespace velmora
