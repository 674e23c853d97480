#include "messaging/msg_send.h"

namespace velmora {

CMsgWait::CMsgWait(const std::string& text) : CMsg(MSG_WAIT, 1, text, 0) { CMsgBox::Box().Send(*this); }

CMsgWait::~CMsgWait() {
    Argc(0);
    StrArgv("");
    CMsgBox::Box().Send(*this);
}

CMsgRun::CMsgRun() : CMsg(MSG_RUN_START, 0, 0, 0) { CMsgBox::Box().Send(*this); }

CMsgRun::~CMsgRun() {
    Clear();
    Cmd(MSG_RUN_END);
    Argc(0);
    Argv(0);
    CMsgBox::Box().Send(*this);
}

CMsgProgress::CMsgProgress(int32_t unit, int32_t subCmd, int64_t argc, int64_t argv)
    : CMsg(CProgressStatus(unit, subCmd, argc, argv)) {
    CMsgBox::Box().Send(*this);
}

CMsgProgress::CMsgProgress(int32_t unit, int32_t subCmd, int64_t argc, const std::string& argv)
    : CMsg(CProgressStatus(unit, subCmd, argc, argv)) {
    CMsgBox::Box().Send(*this);
}

CMsgProgress::CMsgProgress(int32_t unit, int32_t subCmd, const std::string& caption)
    : CMsg(CProgressStatus(unit, subCmd, caption)) {
    CMsgBox::Box().Send(*this);
}

}  // namespace velmora
