#pragma once

#include <concepts>
#include <string>
#include <utility>

#include "messaging/msg.h"
#include "messaging/msg_box.h"
#include "messaging/progress_status.h"
#include "platform/api.h"

// Messages that send themselves: the constructor delivers the message through
// the box, so a caller reads the listeners' replies (Result) from the object
// afterwards. The paired ones (CMsgWait, CMsgRun) announce the end of their
// scope from the destructor.
namespace velmora {

// Broadcasts a message built from any of CMsg's constructor forms, or a copy
// of a given message: CMsgSend(MSG_LOG_RECORD, &record, 0).
class VELMORA_API CMsgSend : public CMsg {
public:
    template <class... Args>
        requires std::constructible_from<CMsg, Args&&...>
    explicit CMsgSend(Args&&... args) : CMsg(std::forward<Args>(args)...) {
        CMsgBox::Box().Send(*this);
    }
};

// Delivers to the first listener subscribed under `key`:
// CMsgSendTo(kUniqueNameProviderId, MSG_UNIQUE_NAME, 0, 0, 0).
class VELMORA_API CMsgSendTo : public CMsg {
public:
    template <class... Args>
        requires std::constructible_from<CMsg, Args&&...>
    explicit CMsgSendTo(const std::string& key, Args&&... args) : CMsg(std::forward<Args>(args)...) {
        CMsgBox::Box().SendTo(key, *this);
    }
};

// Shows a wait indicator with `text` for the lifetime of the object
// (command 11 with Argc 1, then with Argc 0 and an empty text).
class VELMORA_API CMsgWait : public CMsg {
public:
    explicit CMsgWait(const std::string& text);
    CMsgWait(const CMsgWait&) = delete;
    CMsgWait& operator=(const CMsgWait&) = delete;
    ~CMsgWait() override;
};

// Announces a run for the lifetime of the object (commands 9 and 10). Not
// copyable: a copy would announce the end of a run twice.
class VELMORA_API CMsgRun : public CMsg {
public:
    CMsgRun();
    CMsgRun(const CMsgRun&) = delete;
    CMsgRun& operator=(const CMsgRun&) = delete;
    ~CMsgRun() override;
};

// Broadcasts a progress notification (command 16) for a progress unit, built
// as the CProgressStatus of the same arguments (numbers are 64-bit).
class VELMORA_API CMsgProgress : public CMsg {
public:
    CMsgProgress(int32_t unit, int32_t subCmd, int64_t argc, int64_t argv);
    CMsgProgress(int32_t unit, int32_t subCmd, int64_t argc, const std::string& argv);
    // Argc is the caption, Argv 0.
    CMsgProgress(int32_t unit, int32_t subCmd, const std::string& caption);
};

}  // namespace velmora
