#include "db/db_src_point.h"

#include "platform/clock.h"

namespace velmora {

const CDBTable<CDBSrcPoint>& CDBSrcPoint::Table() {
    using P = CDBSrcPoint;
    static const CDBTable<P> table{"SrcPoint",
                                   {{"ID", &P::ID},
                                    {"ID_TransOrder", &P::ID_TransOrder},
                                    {"Type", &P::Type},
                                    {"URL", &P::URL},
                                    {"FileAttributes", &P::FileAttributes},
                                    {"CreationTime", &P::CreationTime},
                                    {"LastAccessTime", &P::LastAccessTime},
                                    {"LastWriteTime", &P::LastWriteTime},
                                    {"FileSizeHigh", &P::FileSizeHigh},
                                    {"FileSizeLow", &P::FileSizeLow},
                                    {"Status", &P::Status},
                                    {"StatusDescription", &P::StatusDescription},
                                    {"Note", &P::Note}}};
    return table;
}

void CDBSrcPoint::Default() {
    static_cast<CDBSrcPointFields&>(*this) = CDBSrcPointFields();
    CreationTime = LastAccessTime = platform::Now();
}

bool CDBSrcPoint::IsEqual(const CObj& other) const {
    const auto* p = dynamic_cast<const CDBSrcPoint*>(&other);
    return p && ID == p->ID && ID_TransOrder == p->ID_TransOrder && Type == p->Type && !IsChanged(*p) &&
           Note == p->Note;
}

// The access time is stored but never compared: reading a file for its
// transfer moves it (relatime updates it at the first read after a write and
// once a day after that), so every scheduled run would see every file changed.
bool CDBSrcPoint::IsChanged(const CDBSrcPoint& stored) const {
    return URL != stored.URL || FileAttributes != stored.FileAttributes || CreationTime != stored.CreationTime ||
           LastWriteTime != stored.LastWriteTime ||
           FileSizeHigh != stored.FileSizeHigh || FileSizeLow != stored.FileSizeLow;
}

std::string CDBSrcPoint::GetStrStatus(int32_t status) {
    static const char* const kTexts[] = {"Error", "NewObj", "NewRec", "Change", "Equal"};
    return TextOf(status, kTexts, "Error");
}

int64_t CDBSrcPoint::GetFileSize() const {
    const uint64_t high = static_cast<uint32_t>(FileSizeHigh);
    return static_cast<int64_t>(high << 32 | static_cast<uint32_t>(FileSizeLow));
}

void CDBSrcPoint::SetFileSize(int64_t size) {
    const auto bits = static_cast<uint64_t>(size);
    FileSizeHigh = static_cast<int32_t>(static_cast<uint32_t>(bits >> 32));
    FileSizeLow = static_cast<int32_t>(static_cast<uint32_t>(bits));
}

bool CDBSrcPointSet::LoadById(int32_t id) { return LoadByColumn("ID", id); }

CDBSrcPoint* CDBSrcPointSet::FindByUrl(const std::string& url) const {
    return FindFirst([&](const CDBSrcPoint& p) { return p.URL == url; });
}

bool CDBSrcPointSet::LoadStored(const CDBSrcPoint& point, CDBSrcPointSet& stored) {
    ClearQuery();
    CDBStatement where("URL = ");
    where.Quoted(point.URL).Text(" AND ID_TransOrder = ").Int(point.ID_TransOrder);
    where.Text(" AND Type = ").Int(point.Type);
    if (!stored.Load(where)) {
        ShowError(stored.GetLastError());
        return false;
    }
    if (stored.GetCount() > 1) {
        ShowError("Too many SrcPoint objects");
        return false;
    }
    return true;
}

bool CDBSrcPointSet::UpdateObj(CDBSrcPoint& point) {
    CDBSrcPointSet stored(GetDatabase(), true, m_strTable.c_str());
    if (!LoadStored(point, stored)) return false;
    if (const CDBSrcPoint* row = stored.GetHead()) {
        point.Copy(*row);
    } else {
        point.SetStatus(CDBSrcPoint::eNewObj);
    }
    return true;
}

bool CDBSrcPointSet::UpdateStatus(const CDBSrcPoint& point) {
    CDBSrcPointSet stored(GetDatabase(), true, m_strTable.c_str());
    if (!LoadStored(point, stored)) return false;
    CDBSrcPoint copy(point);
    const CDBSrcPoint* row = stored.GetHead();
    if (!row) {
        copy.SetStatus(CDBSrcPoint::eNewRec);
        return AddRecord(copy);
    }
    copy.ID = row->ID;
    if (copy.IsChanged(*row)) {
        copy.SetStatus(CDBSrcPoint::eChange);
        return EditRecord(copy);
    }
    CDBStatement sql(" UPDATE " + m_strTable + " SET  Status = ");
    sql.Int(CDBSrcPoint::eEqual).Text(",  StatusDescription = ").Quoted(CDBSrcPoint::GetStrStatus(CDBSrcPoint::eEqual));
    return Exec(sql.Text("   WHERE ID = ").Int(copy.ID));
}

bool CDBSrcPointSet::ReportTransaction(const CDBSrcPoint& point) {
    CDBSrcPoint copy(point);
    if (copy.ID != 0) {
        copy.SetStatus(CDBSrcPoint::eChange);
        return EditRecord(copy);
    }
    copy.SetStatus(CDBSrcPoint::eNewRec);
    return AddRecord(copy);
}

bool CDBSrcPointSet::UpdateSet() {
    for (CDBObj* element : *this) {
        if (!UpdateObj(*static_cast<CDBSrcPoint*>(element))) return false;
    }
    return true;
}

bool CDBSrcPointSet::UpdateStatusA() {
    for (const CDBObj* element : *this) {
        if (!UpdateStatus(*static_cast<const CDBSrcPoint*>(element))) return false;
    }
    return true;
}

}  // namespace velmora
