#include "platform/file_lock.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "support/temp_dir.h"

namespace velmora::platform {
namespace {

using test::TempDir;
using test::WriteFile;

// Two locks on one file stand for two processes: each open of the file is
// its own holder.
TEST(FileLock, OneHolderAtATimeAndTheNextOneWaitsForIt) {
    TempDir dir;
    const std::string file = dir / "jobs.db";
    WriteFile(file, "data");
    auto first = std::make_unique<FileLock>(file);
    ASSERT_TRUE(first->TryLock()) << first->GetLastError();

    FileLock second(file);
    EXPECT_FALSE(second.TryLock());
    EXPECT_TRUE(second.IsHeldElsewhere());

    bool taken = false;
    std::thread waiter([&] { taken = second.Lock(); });
    first.reset();
    waiter.join();
    EXPECT_TRUE(taken) << second.GetLastError();
    EXPECT_EQ(test::ReadFile(file), "data");
}

TEST(FileLock, AMissingFileIsAnErrorNotAHolder) {
    TempDir dir;
    FileLock lock(dir / "absent.db");
    EXPECT_FALSE(lock.TryLock());
    EXPECT_FALSE(lock.IsHeldElsewhere());
    EXPECT_NE(lock.GetLastError().find("absent.db"), std::string::npos);
    EXPECT_FALSE(lock.Lock());
}

}  // namespace
}  // namespace velmora::platform
