#pragma once

#include <functional>
#include <vector>

#include "messaging/listener.h"
#include "messaging/msg.h"

namespace velmora::test {

// A listener that keeps a copy of every message it hears, answers with
// `reply` in the Result word (when non-zero), and may run a hook.
class Recorder : public CListener {
public:
    ~Recorder() override;

    void OnMsg(CMsg& msg) override {
        if (reply != 0) msg.Result(reply);
        results.push_back(msg.Result());
        messages.push_back(msg);
        if (onMsg) onMsg(msg);
    }

    std::vector<int> Commands() const {
        std::vector<int> commands;
        for (const CMsg& msg : messages) commands.push_back(msg.Cmd());
        return commands;
    }

    int reply = 0;
    std::vector<int> results;
    std::vector<CMsg> messages;
    std::function<void(CMsg&)> onMsg;
};

}  // namespace velmora::test
