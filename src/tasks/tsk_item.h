#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "db/db_schedule_obj.h"
#include "objects/obj.h"
#include "objects/std_list.h"
#include "platform/api.h"
#include "tasks/tansform.h"
#include "tasks/trans_point.h"

namespace velmora {

class CTskNode;

// One unit of work for the transfer engine: a source point, a transform and
// a destination point, with a schedule and the names of the solution,
// project and transaction that group it. In a task tree an item is one
// source-to-destination edge; its GUID is then the destination node's.
class VELMORA_API CTskItem : public CObj {
public:
    enum : uint32_t { StatusDisabledBit = 0x1 };

    CTskItem();
    CTskItem(const CTskItem& other);
    explicit CTskItem(const CTskNode* node);
    CTskItem(const CTransPoint& source, const CTansform& transform, const CTransPoint& destination);
    CTskItem& operator=(const CTskItem& other);

    CObj* CreateObject() const override { return new CTskItem(); }
    // An item is ended by its owner (a list, a holder) only.
    void ShutDown() override {}
    void Clear() override;
    // As Clear, but with the default names and each part's defaults.
    void Default() override;
    void Copy(const CObj& src) override;

    CTransPoint& SourcePoint() { return m_Source; }
    const CTransPoint& SourcePoint() const { return m_Source; }
    CTransPoint& DestinationPoint() { return m_Destination; }
    const CTransPoint& DestinationPoint() const { return m_Destination; }
    int32_t& SourcePointType() { return m_Source.Type(); }
    int32_t& DestinationPointType() { return m_Destination.Type(); }
    std::string& SrcPointName() { return m_Source.Name(); }
    std::string& DstPointName() { return m_Destination.Name(); }
    const std::string& GetSourcePath() const { return m_Source.GetStrPath(); }
    const std::string& GetDestinationPath() const { return m_Destination.GetStrPath(); }
    CFtpLoginInfo GetSrcFtpLoginInfo() const { return m_Source.GetFtpLoginInfo(); }
    CFtpLoginInfo GetDstFtpLoginInfo() const { return m_Destination.GetFtpLoginInfo(); }
    CTansform& GetTransform() { return m_Transform; }
    const CTansform& GetTransform() const { return m_Transform; }
    CTansFilter& GetFilter() { return m_Transform.GetFilter(); }
    const CTansFilter& GetFilter() const { return m_Transform.GetFilter(); }
    const std::string& SrcExcludeExt() const { return m_Transform.SrcExcludeExt(); }
    CDBScheduleObj& GetSchedule() { return m_Schedule; }
    const CDBScheduleObj& GetSchedule() const { return m_Schedule; }
    bool IsCompressed() const { return m_Transform.IsCompressed(); }
    bool StatusDisabled() const { return (m_uStatus & StatusDisabledBit) != 0; }
    void StatusDisabled(bool on) { m_uStatus = on ? (m_uStatus | StatusDisabledBit) : (m_uStatus & ~StatusDisabledBit); }

    const std::string& GetSolutionName() const { return m_strSolution; }
    void SetSolutionName(std::string_view name) { m_strSolution = name; }
    const std::string& GetProjectName() const { return m_strProject; }
    void SetProjectName(std::string_view name) { m_strProject = name; }
    const std::string& GetTransactionName() const { return m_strTransaction; }
    void SetTransactionName(std::string_view name) { m_strTransaction = name; }

    bool IsValid() const { return false; }
    // The source or the destination has no path.
    bool IsFromOrToEmpty() const;
    // Four lines: operation, source, transform, destination.
    std::string GetDescription() const;
    // "<operation>: To '<destination>' From '<source>'".
    std::string GetCap() const;

    // Fills the item from the node's level and the levels above it; the
    // item is reset to its defaults first. Nothing happens for null.
    void Copy(const CTskNode* node);
    // Writes the item into the node's level and the levels above it.
    void CopyTo(CTskNode* node) const;
    // Creates the levels missing below `parent` as new last children and
    // answers the first node made; null for a null or destination parent.
    // Every node made gets a new GUID; the source node's schedule is the
    // item's, bound to that node's GUID.
    CTskNode* AddNode(CTskNode* parent) const;
    bool IsBelong(const CTskNode* node) const;

    // The node itself when it has the level, else its nearest ancestor of
    // that level; null when there is none.
    static CTskNode* FindSrcNode(CTskNode* node);
    static CTskNode* FindTransNode(CTskNode* node);
    static CTskNode* FindProjectNode(CTskNode* node);
    static CTskNode* FindRootNode(CTskNode* node);
    // The node of the whole tree whose GUID is this item's.
    CTskNode* FindDstNode(CTskNode* node) const;
    // That node's transaction.
    CTskNode* FindTransactNode(CTskNode* node) const;

private:
    void CopyFromLevel(const CTskNode& node);
    void CopyToLevel(CTskNode& node) const;
    CTskNode* AddChildLevel(CTskNode& parent) const;

    std::string m_strSolution;
    std::string m_strProject;
    std::string m_strTransaction;
    uint32_t m_uStatus = 0;
    CTransPoint m_Source;
    CTansform m_Transform;
    CTransPoint m_Destination;
    CDBScheduleObj m_Schedule;
};

// The items a job runs; the list owns them.
class VELMORA_API CTskItems : public CStdList<CTskItem, CTskItem*> {
public:
    CTskItems() : CStdList<CTskItem, CTskItem*>(true, false) {}
    CTskItems(const CTskItems& other) = default;
    CTskItems& operator=(const CTskItems& other) = default;

    // The first item whose GUID is exactly the text; null for "".
    CTskItem* FindByGUID(std::string_view guid) const;
    // Each item's description followed by "\r\n".
    std::string GetDescription() const;

    // A compressing job becomes a chain: the first item builds a local
    // archive in `workFolder` (its path is kept as the transform's ZIP path
    // name), the next ones copy that file to each destination, and the last
    // one deletes it. Each answers the item appended, or null.
    CTskItem* StartTransaction(const CTransPoint& source, CTansform& transform, const CTransPoint& destination,
                               std::string_view workFolder);
    CTskItem* AddTransaction(const CTransPoint& source, const CTansform& transform, const CTransPoint& destination);
    CTskItem* CommitTransaction(const CTransPoint& source, const CTansform& transform,
                                const CTransPoint& destination);
    // A compressing job as the items that run it: the archive is built in a
    // local destination folder (a local destination that names a file is
    // the archive itself), or in `workFolder` and then copied to a server
    // destination and deleted. False, adding nothing, when the transform
    // does not compress.
    bool AddCompression(const CTransPoint& source, CTansform transform, const CTransPoint& destination,
                        std::string_view workFolder);

private:
    static bool HasArchive(const CTansform& transform);
};

}  // namespace velmora
