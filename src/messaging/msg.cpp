#include "messaging/msg.h"

namespace velmora {

CSingleMsg::CSingleMsg() = default;

CSingleMsg::CSingleMsg(int32_t cmd, int32_t argc, int32_t argv, int32_t result)
    : m_nCmd(cmd), m_argc(argc), m_argv(argv), m_nResult(result) {}

CSingleMsg::CSingleMsg(int32_t cmd, int32_t argc, const std::string& argv, int32_t result)
    : m_nCmd(cmd), m_argc(argc), m_argv(argv), m_nResult(result) {}

CSingleMsg::CSingleMsg(int32_t cmd, const std::string& argc, int32_t argv, int32_t result)
    : m_nCmd(cmd), m_argc(argc), m_argv(argv), m_nResult(result) {}

CSingleMsg::CSingleMsg(int32_t cmd, const std::string& argc, const std::string& argv, int32_t result)
    : m_nCmd(cmd), m_argc(argc), m_argv(argv), m_nResult(result) {}

CSingleMsg::CSingleMsg(int32_t cmd, const CObj* obj, int32_t unit)
    : m_nCmd(cmd), m_argc(std::monostate{}), m_argv(std::monostate{}), m_nUnit(unit) {
    SetObject(obj);
}

CSingleMsg::CSingleMsg(int32_t cmd, int32_t argc, int32_t argv, const CObj* obj, int32_t unit)
    : m_nCmd(cmd), m_argc(argc), m_argv(argv), m_nUnit(unit) {
    SetObject(obj);
}

CSingleMsg::CSingleMsg(int32_t cmd, int32_t argc, const std::string& argv, const CObj* obj, int32_t unit)
    : m_nCmd(cmd), m_argc(argc), m_argv(argv), m_nUnit(unit) {
    SetObject(obj);
}

CSingleMsg::CSingleMsg(const CObj& src) : CObj() { Copy(src); }

CSingleMsg::CSingleMsg(const CSingleMsg& src) : CObj() { Copy(src); }

CSingleMsg& CSingleMsg::operator=(const CSingleMsg& src) {
    if (this != &src) Copy(src);
    return *this;
}

CSingleMsg::~CSingleMsg() = default;

CObj* CSingleMsg::CreateObject() const { return new CSingleMsg(0, 0, 0, 0); }

void CSingleMsg::Clear() {
    CObj::Clear();
    m_nCmd = 0;
    m_nSubCmd = 0;
    m_argc = std::monostate{};
    m_argv = std::monostate{};
    m_nUnit = 0;
    m_nResult = 0;
    m_pObject.reset();
    m_pRefObject = nullptr;
}

void CSingleMsg::Copy(const CObj& src) {
    if (&src == this) return;
    Clear();
    CObj::Copy(src);
    const auto* other = dynamic_cast<const CSingleMsg*>(&src);
    if (!other) return;
    m_nCmd = other->m_nCmd;
    m_nSubCmd = other->m_nSubCmd;
    m_argc = other->m_argc;
    m_argv = other->m_argv;
    m_nUnit = other->m_nUnit;
    m_nResult = other->m_nResult;
    SetObject(other->m_pObject.get());
    m_pRefObject = other->m_pRefObject;
}

void CSingleMsg::SetObject(const CObj* obj) { m_pObject.reset(obj ? obj->Clone() : nullptr); }

int32_t CSingleMsg::ToInt32(const CMsgArg& arg) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(ToInt64(arg))));
}

int64_t CSingleMsg::ToInt64(const CMsgArg& arg) {
    if (const auto* value = std::get_if<int32_t>(&arg)) return *value;
    if (const auto* value = std::get_if<int64_t>(&arg)) return *value;
    return 0;
}

std::string CSingleMsg::ToText(const CMsgArg& arg) {
    const auto* value = std::get_if<std::string>(&arg);
    return value ? *value : std::string();
}

CSingleMsg* CSingleMsgs::GetAtIndex(int index) const {
    if (index < 0 || index >= GetCount()) return nullptr;
    auto pos = begin();
    std::advance(pos, index);
    return *pos;
}

CSingleMsg* CSingleMsgs::FindCmd(int32_t cmd) const {
    for (CSingleMsg* msg : *this) {
        if (msg && msg->Cmd() == cmd) return msg;
    }
    return nullptr;
}

CMsg::CMsg(const CObj& src) : CSingleMsg() { Copy(src); }

CMsg::CMsg(const CMsg& src) : CSingleMsg() { Copy(src); }

CMsg& CMsg::operator=(const CMsg& src) {
    if (this != &src) Copy(src);
    return *this;
}

void CMsg::Append(const CMsg& msg) { m_msgs.Add(new CMsg(msg)); }

bool CMsg::CheckCancel() const {
    if (Cmd() == MSG_CANCEL && Argc() == 1) return true;
    const CSingleMsg* cancel = m_msgs.FindCmd(MSG_CANCEL);
    return cancel && cancel->Argc() == 1;
}

CObj* CMsg::CreateObject() const { return new CMsg(0, 0, 0, 0); }

void CMsg::Clear() {
    CSingleMsg::Clear();
    m_msgs.RemoveAndDestroy();
}

void CMsg::Copy(const CObj& src) {
    if (&src == this) return;
    CSingleMsg::Copy(src);
    m_msgs.RemoveAndDestroy();
    if (const auto* other = dynamic_cast<const CMsg*>(&src)) m_msgs.Append(other->m_msgs);
}

CMsg* CMsgs::Get() {
    CMsg* head = GetHead();
    if (head) m_elements.pop_front();
    return head;
}

}  // namespace velmora
