#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>

#include "messaging/msg_commands.h"
#include "objects/obj.h"
#include "objects/std_list.h"
#include "platform/api.h"

namespace velmora {

// A tagged argument value: empty, a 32-bit integer, a 64-bit integer or a
// string owned by the message.
using CMsgArg = std::variant<std::monostate, int32_t, int64_t, std::string>;

// One message of the bus: a command, a sub-command, two tagged arguments, a
// unit, a reply word that listeners write and the sender reads, and
// optionally an owned clone of a persistent object.
//
// A sender that wants the receiver to change one of its own objects in place
// (commands 17 and 19) passes it as the reference object (RefObject): a plain
// pointer that the message neither owns nor copies deeply, so every copy of
// the message refers to the same object. It is valid only while the sender
// waits for the delivery to return.
class VELMORA_API CSingleMsg : public CObj {
public:
    CSingleMsg();
    CSingleMsg(int32_t cmd, int32_t argc, int32_t argv, int32_t result);
    CSingleMsg(int32_t cmd, int32_t argc, const std::string& argv, int32_t result);
    CSingleMsg(int32_t cmd, const std::string& argc, int32_t argv, int32_t result);
    CSingleMsg(int32_t cmd, const std::string& argc, const std::string& argv, int32_t result);
    // Both arguments start empty; the message keeps a clone of `obj`.
    CSingleMsg(int32_t cmd, const CObj* obj, int32_t unit);
    CSingleMsg(int32_t cmd, int32_t argc, int32_t argv, const CObj* obj, int32_t unit);
    CSingleMsg(int32_t cmd, int32_t argc, const std::string& argv, const CObj* obj, int32_t unit);
    explicit CSingleMsg(const CObj& src);
    CSingleMsg(const CSingleMsg& src);
    CSingleMsg& operator=(const CSingleMsg& src);
    ~CSingleMsg() override;

    int32_t Cmd() const { return m_nCmd; }
    void Cmd(int32_t cmd) { m_nCmd = cmd; }
    int32_t SubCmd() const { return m_nSubCmd; }
    void SubCmd(int32_t subCmd) { m_nSubCmd = subCmd; }

    // Integer getters read the low 32 bits of a 64-bit value; every getter
    // answers 0 (or an empty text) for an argument of another kind.
    int32_t Argc() const { return ToInt32(m_argc); }
    int32_t Argv() const { return ToInt32(m_argv); }
    int64_t LLArgc() const { return ToInt64(m_argc); }
    int64_t LLArgv() const { return ToInt64(m_argv); }
    std::string StrArgc() const { return ToText(m_argc); }
    std::string StrArgv() const { return ToText(m_argv); }
    void Argc(int32_t value) { m_argc = value; }
    void Argv(int32_t value) { m_argv = value; }
    void LLArgc(int64_t value) { m_argc = value; }
    void LLArgv(int64_t value) { m_argv = value; }
    void StrArgc(const std::string& value) { m_argc = value; }
    void StrArgv(const std::string& value) { m_argv = value; }
    const CMsgArg& ArgcValue() const { return m_argc; }
    const CMsgArg& ArgvValue() const { return m_argv; }

    int32_t Unit() const { return m_nUnit; }
    void Unit(int32_t unit) { m_nUnit = unit; }
    int32_t Result() const { return m_nResult; }
    void Result(int32_t result) { m_nResult = result; }

    // The carried object, or null; the message keeps ownership.
    CObj* Object() const { return m_pObject.get(); }
    CObj* RefObject() const { return m_pRefObject; }
    void RefObject(CObj* object) { m_pRefObject = object; }

    CObj* CreateObject() const override;
    void Clear() override;
    void Copy(const CObj& src) override;

private:
    static int32_t ToInt32(const CMsgArg& arg);
    static int64_t ToInt64(const CMsgArg& arg);
    static std::string ToText(const CMsgArg& arg);
    void SetObject(const CObj* obj);

    int32_t m_nCmd = 0;
    int32_t m_nSubCmd = 0;
    CMsgArg m_argc = int32_t{0};
    CMsgArg m_argv = int32_t{0};
    int32_t m_nUnit = 0;
    int32_t m_nResult = 0;
    std::unique_ptr<CObj> m_pObject;
    CObj* m_pRefObject = nullptr;
};

// An owning list of single messages.
class VELMORA_API CSingleMsgs : public CStdList<CSingleMsg, CSingleMsg*> {
public:
    CSingleMsgs() : CStdList(true, false) {}

    // Null when the list is empty or `index` is out of range.
    CSingleMsg* GetAtIndex(int index) const;
    // The first element with that command, or null.
    CSingleMsg* FindCmd(int32_t cmd) const;
};

// A message with a list of further messages (CProgressStatus keeps its
// counters there). Sub-messages are full CMsg copies.
class VELMORA_API CMsg : public CSingleMsg {
public:
    using CSingleMsg::CSingleMsg;
    CMsg() = default;
    explicit CMsg(const CObj& src);
    CMsg(const CMsg& src);
    CMsg& operator=(const CMsg& src);

    CSingleMsg* GetAtIndex(int index) const { return m_msgs.GetAtIndex(index); }
    int GetCount() const { return m_msgs.GetCount(); }
    const CSingleMsgs& GetMsgs() const { return m_msgs; }
    // Appends a deep copy of `msg`, its own sub-messages included.
    void Append(const CMsg& msg);
    // True when this message, or else its first command-15 sub-message, is a
    // cancel request with Argc 1.
    bool CheckCancel() const;

    CObj* CreateObject() const override;
    void Clear() override;
    void Copy(const CObj& src) override;

private:
    CSingleMsgs m_msgs;
};

// An owning first-in, first-out queue of messages.
class VELMORA_API CMsgs : public CStdList<CMsg, CMsg*> {
public:
    CMsgs() : CStdList(true, false) {}

    // Removes the oldest message and hands it to the caller; null when empty.
    CMsg* Get();
};

}  // namespace velmora
