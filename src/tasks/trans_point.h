#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ftp/login_info.h"
#include "objects/obj.h"
#include "paths/file_path.h"
#include "platform/api.h"
#include "tasks/attr_router.h"

namespace velmora {

class CTskNode;

// What one end of a job is.
enum PointType : int32_t {
    ePointNone = 0,
    ePointFolder = 1,
    ePointFile = 2,
    ePointEmail = 3,
    ePointFtp = 4,
    ePointNetwork = 5,
};

// One end of a job: a local folder or file, a network share or an FTP site.
// The path is the folder or file (on the server for an FTP site); the login
// info matters only for an FTP site.
class VELMORA_API CTransPoint : public CObj {
public:
    CTransPoint();
    // As Default, then the type.
    explicit CTransPoint(int32_t type);
    CTransPoint(int32_t type, const CFtpPath& path);
    CTransPoint(int32_t type, const CFtpLoginInfo& login);
    CTransPoint(int32_t type, const CFtpLoginInfo& login, const CFtpPath& path);
    CTransPoint(const CTransPoint& other);
    explicit CTransPoint(const CObj& other);
    CTransPoint& operator=(const CTransPoint& other);
    // The point the task node embeds.
    CTransPoint& operator=(const CTskNode& node);

    CObj* CreateObject() const override { return new CTransPoint(); }
    // Type 0 and everything empty.
    void Clear() override;
    // As Clear, but a folder point.
    void Default() override;
    void Copy(const CObj& src) override;
    virtual void Copy(const CTskNode& node);
    void WriteXMLAttr(std::string& out) const override;
    using CObj::ReadXMLAttr;
    bool ReadXMLAttr(const std::string& name, const std::string& value) override;

    int32_t GetPointType() const { return m_nType; }
    void SetPointType(int32_t type) { m_nType = type; }
    int32_t& Type() { return m_nType; }
    const std::string& GetName() const { return m_strName; }
    void SetName(std::string_view name) { m_strName = name; }
    std::string& Name() { return m_strName; }

    CFtpPath Path() const { return m_Path; }
    void SetFtpPath(const CFtpPath& path) { m_Path = path; }
    const std::string& GetStrPath() const { return m_Path.GetPath(); }
    CFtpLoginInfo GetFtpLoginInfo() const { return m_LoginInfo; }
    void SetFtpLoginInfo(const CFtpLoginInfo& login);
    const std::string& GetHostAddress() const { return m_LoginInfo.GetHost(); }

    // The login and password of an FTP site; "" for any other point, and the
    // setters change nothing there.
    std::string GetLogin() const;
    std::string GetPWD() const;
    void SetLogin(std::string_view login);
    void SetPWD(std::string_view password);

    // The location as one text: the login's URL for an FTP site,
    // "network:" + path for a share, "file://" + path otherwise.
    std::string GetPureURL() const;
    // Reads a location written by GetPureURL. For an FTP site the address is
    // split: host, port and (when present) user and password go to the login
    // info; the server path becomes the point's path and the folder of the
    // login's start path. False, with nothing changed, for an FTP site whose
    // address cannot be read.
    bool SetPureURL(std::string_view url);

    std::string GetDescription() const;

    // The parts of the attribute text in writing order, for readers of a
    // text that holds a point among other objects.
    void AttrParts(std::vector<CAttrRouter::Part>& parts);

private:
    bool ReadOwnAttr(const std::string& name, const std::string& value);

    int32_t m_nType = ePointNone;
    std::string m_strName;
    CFtpPath m_Path;
    CFtpLoginInfo m_LoginInfo;
    CAttrRouter m_router;
};

}  // namespace velmora
