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

CMsgProgress::CMsgProgress(int32_t unit, int32_t subCmd, int32_t argc, int32_t argv)
    : CMsg(MSG_PROGRESS, argc, argv, 0) {
    Post(unit, subCmd);
}

CMsgProgress::CMsgProgress(int32_t unit, int32_t subCmd, int32_t argc, const std::string& argv)
    : CMsg(MSG_PROGRESS, argc, argv, 0) {
    Post(unit, subCmd);
}

CMsgProgress::CMsgProgress(int32_t unit, int32_t subCmd, const std::string& caption)
    : CMsg(MSG_PROGRESS, caption, 0, 0) {
    Post(unit, subCmd);
}

void CMsgProgress::Post(int32_t unit, int32_t subCmd) {
    Unit(unit);
    SubCmd(subCmd);
    CMsgBox::Box().Send(*this);
}

}  // namespace velmora
