#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <semaphore>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "base/format.h"
#include "messaging/log_file.h"
#include "messaging/msg_box.h"
#include "messaging/msg_send.h"
#include "messaging/status_queue.h"
#include "support/temp_dir.h"

// Cross-thread behaviour; this program also runs under ThreadSanitizer.
namespace velmora {
namespace {

constexpr auto kBound = std::chrono::seconds(30);

class CCounter : public CListener {
public:
    ~CCounter() override { CMsgBox::Box().Unsubscribe(this); }
    void OnMsg(CMsg& msg) override {
        if (msg.Cmd() == 100) count.fetch_add(1);
    }
    std::atomic<int> count{0};
};

TEST(Threads, BroadcastsWhileListenersComeAndGo) {
    constexpr int kSenders = 3;
    constexpr int kMessages = 2000;
    CMsgBox& box = CMsgBox::Box();
    CCounter steady;
    box.Subscribe("steady", &steady);

    std::atomic<bool> sending{true};
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t) {
        threads.emplace_back([&box, &sending, t] {
            // Each churner also hears some of the broadcasts while subscribed.
            std::vector<std::unique_ptr<CCounter>> own;
            for (int i = 0; i < 8; ++i) own.push_back(std::make_unique<CCounter>());
            for (int round = 0; sending.load(); ++round) {
                CCounter& listener = *own[round % own.size()];
                box.Subscribe(Format("churn-%d-%d", t, round % 8), &listener);
                if (round % 3 == 0) box.Unsubscribe(own[(round + 4) % own.size()].get());
                if (round % 5 == 0) own[(round + 1) % own.size()] = std::make_unique<CCounter>();
            }
        });
    }
    std::vector<std::thread> senders;
    for (int t = 0; t < kSenders; ++t) {
        senders.emplace_back([] {
            for (int i = 0; i < kMessages; ++i) CMsgSend(100, i, 0, 0);
        });
    }
    for (auto& sender : senders) sender.join();
    sending = false;
    for (auto& thread : threads) thread.join();

    EXPECT_EQ(steady.count.load(), kSenders * kMessages);
    box.Unsubscribe(&steady);
    EXPECT_EQ(box.GetCount(), 0);
}

TEST(Threads, StatusQueueCarriesStatusesInOrder) {
    constexpr int kStatuses = 5000;
    CTStatusQueue queue;
    // Stands in for the posted window message: one wake-up per status.
    std::counting_semaphore<kStatuses> posted(0);

    std::thread producer([&] {
        for (int i = 0; i < kStatuses; ++i) {
            auto* status = new CTransferStatus(MSG_PROGRESS, false);
            status->ProcessedBytes((int64_t{1} << 33) + i);
            queue.Put(status);
            posted.release();
        }
    });
    int received = 0;
    bool ordered = true;
    while (received < kStatuses && posted.try_acquire_for(kBound)) {
        std::unique_ptr<CTransferStatus> status(queue.Get());
        if (!status) break;
        ordered = ordered && status->ProcessedBytes() == (int64_t{1} << 33) + received;
        ++received;
    }
    producer.join();
    EXPECT_EQ(received, kStatuses);
    EXPECT_TRUE(ordered);
    EXPECT_EQ(queue.Get(), nullptr);
}

TEST(Threads, LogLinesFromTwoThreadsStayWhole) {
    constexpr int kLines = 2000;
    test::TempDir dir;
    CLogFile log;
    log.Close();
    log.Enable("-log", "log");
    ASSERT_TRUE(log.Open(dir / "threads.log"));
    const std::string filler(60, '.');

    auto writer = [&](char name) {
        CLogFile handle;
        for (int i = 0; i < kLines; ++i) {
            const std::string line = Format("%c %d %s\r\n", name, i, filler.c_str());
            if (i % 2) {
                handle.Write(line);
            } else {
                handle.Add(line);
            }
        }
    };
    std::thread a(writer, 'A');
    std::thread b(writer, 'B');
    a.join();
    b.join();
    log.Close();

    std::istringstream lines(test::ReadFile(dir / "threads.log"));
    int next[2] = {0, 0};
    std::string line;
    while (std::getline(lines, line)) {
        char name = 0;
        int number = -1;
        char rest[80] = {};
        ASSERT_EQ(std::sscanf(line.c_str(), "%c %d %79s", &name, &number, rest), 3) << line;
        ASSERT_TRUE(name == 'A' || name == 'B') << line;
        EXPECT_EQ(number, next[name - 'A']++) << line;
        EXPECT_EQ(line, Format("%c %d %s\r", name, number, filler.c_str()));
    }
    EXPECT_EQ(next[0], kLines);
    EXPECT_EQ(next[1], kLines);
}

}  // namespace
}  // namespace velmora
