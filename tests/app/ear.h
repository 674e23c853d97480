#pragma once

#include <mutex>
#include <vector>

#include "messaging/listener.h"
#include "messaging/msg.h"
#include "messaging/msg_box.h"

namespace parcelo::test {

// Keeps a copy of every broadcast of one command, from any thread.
class CEar : public velmora::CListener {
public:
    explicit CEar(int32_t cmd) : m_nCmd(cmd) { velmora::CMsgBox::Box().Subscribe("CEar", this); }
    ~CEar() override { velmora::CMsgBox::Box().Unsubscribe(this); }
    CEar(const CEar&) = delete;
    CEar& operator=(const CEar&) = delete;

    void OnMsg(velmora::CMsg& msg) override {
        if (msg.Cmd() != m_nCmd) return;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_heard.emplace_back(msg);
    }
    std::vector<velmora::CMsg> Heard() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_heard;
    }

private:
    int32_t m_nCmd;
    std::mutex m_mutex;
    std::vector<velmora::CMsg> m_heard;
};

}  // namespace parcelo::test
