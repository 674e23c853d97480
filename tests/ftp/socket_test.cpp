#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

#include "ftp/protocol/socket.h"
#include "support/loopback.h"

namespace velmora::protocol {
namespace {

// How long a receive on the silent peer took, and how it ended.
struct Wait {
    std::chrono::milliseconds took;
    EFtpError code;
};

Wait ReceiveFromSilentPeer(CSocket& socket, int timeoutMs) {
    char buffer[16];
    size_t received = 0;
    CFtpError error;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(socket.Receive(buffer, sizeof buffer, received, timeoutMs, error));
    return {std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start),
            error.code};
}

// A cancel that came just before a wait began: a transfer under way hears it
// in that wait too, whereas a clean-up's wait runs to its end as usual.
TEST(SocketTest, ACancelEndsTheWaitsItsScopeNames) {
    test::SilentListener peer;
    std::atomic<bool> cancel{true};
    const auto cancelled = [&cancel] { return cancel.load(); };

    CSocket transfer;
    CFtpError error;
    ASSERT_TRUE(transfer.Connect("127.0.0.1", peer.GetPort(), 2000, 1, error)) << error.text;
    transfer.SetCancelQuestion(cancelled, ECancelScope::EveryWait);
    const Wait heard = ReceiveFromSilentPeer(transfer, 5000);
    EXPECT_EQ(heard.code, EFtpError::Cancelled);
    EXPECT_LT(heard.took, std::chrono::milliseconds(1000));

    CSocket cleanUp;
    ASSERT_TRUE(cleanUp.Connect("127.0.0.1", peer.GetPort(), 2000, 1, error)) << error.text;
    cleanUp.SetCancelQuestion(cancelled);
    const Wait ranOn = ReceiveFromSilentPeer(cleanUp, 300);
    EXPECT_EQ(ranOn.code, EFtpError::TimedOut);
    EXPECT_GE(ranOn.took, std::chrono::milliseconds(250));

    // The scope moves with the socket.
    CSocket moved(std::move(transfer));
    EXPECT_EQ(ReceiveFromSilentPeer(moved, 5000).code, EFtpError::Cancelled);
}

}  // namespace
}  // namespace velmora::protocol
