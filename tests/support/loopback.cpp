#include "support/loopback.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace velmora::test {
namespace {

// A socket bound to a free loopback port, which is stored in `port`.
int BindLoopback(uint16_t& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        ADD_FAILURE() << "no free loopback port";
    port = ntohs(address.sin_port);
    return fd;
}

}  // namespace

SilentListener::SilentListener() {
    m_fd = BindLoopback(m_port);
    if (::listen(m_fd, 8) != 0) ADD_FAILURE() << "cannot listen on loopback port " << m_port;
}

SilentListener::~SilentListener() { ::close(m_fd); }

uint16_t ClosedPort() {
    uint16_t port = 0;
    ::close(BindLoopback(port));
    return port;
}

int ListenOnLoopback(uint16_t& port, int backlog) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(fd, backlog) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (fd >= 0) ::close(fd);
        return -1;
    }
    port = ntohs(address.sin_port);
    return fd;
}

void CloseFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

}  // namespace velmora::test
