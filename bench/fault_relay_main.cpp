// The tests' fault-injecting relay as a program, for benchmarks of transfers
// over a link that breaks: every data connection is cut after CUT_BYTES.
//
//   bench_fault_relay SERVER_PORT CUT_BYTES
//
// Prints "READY <port>" once it listens on 127.0.0.1; ends when its
// standard input closes.

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include "support/fault_relay.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SERVER_PORT CUT_BYTES\n", argv[0]);
        return 2;
    }
    velmora::test::FaultPlan plan;
    plan.resetDataAfter = std::strtoull(argv[2], nullptr, 10);
    plan.resets = -1;
    velmora::test::FaultRelay relay("127.0.0.1", static_cast<uint16_t>(std::atoi(argv[1])), plan);
    if (!relay.Start()) return 1;
    std::printf("READY %u\n", relay.GetPort());
    std::fflush(stdout);
    char buffer[256];
    while (::read(0, buffer, sizeof buffer) > 0) {
    }
    std::fprintf(stderr, "data bytes %llu, cuts %d\n", static_cast<unsigned long long>(relay.GetDataBytes()),
                 relay.GetResets());
    return 0;
}
