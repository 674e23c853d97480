#pragma once

#include <cstdint>

namespace velmora::test {

// A socket listening on 127.0.0.1 at a port of the system's choosing. It
// never accepts: connections are made by the system and then left waiting,
// as with a peer that stays silent.
class SilentListener {
public:
    SilentListener();
    ~SilentListener();
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;
    uint16_t GetPort() const { return m_port; }

private:
    int m_fd = -1;
    uint16_t m_port = 0;
};

// A loopback port nobody listens on: bound, then released.
uint16_t ClosedPort();

// A socket listening on 127.0.0.1 at a port of the system's choosing, which
// is stored in `port`; -1 when none could be made.
int ListenOnLoopback(uint16_t& port, int backlog);

// Closes `fd` when it is open, and marks it closed.
void CloseFd(int& fd);

}  // namespace velmora::test
