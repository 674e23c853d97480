#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "base/block_copy.h"

namespace velmora {
namespace {

// A source that hands out its data in pieces of at most `piece` bytes and
// fails once `failAt` bytes have been handed out.
struct PieceReader {
    std::string data;
    size_t piece = 7;
    size_t failAt = std::string::npos;
    size_t offset = 0;

    bool operator()(char* buffer, size_t size, size_t& received) {
        received = 0;
        if (offset >= failAt) return false;
        received = std::min({size, piece, data.size() - offset, failAt - offset});
        std::memcpy(buffer, data.data() + offset, received);
        offset += received;
        return true;
    }
};

struct Recorder : CCopyProgress {
    size_t cancelAfterBlocks = 0;  // 0: never
    std::vector<uint64_t> done;

    bool IsCancelled() override { return cancelAfterBlocks != 0 && done.size() >= cancelAfterBlocks; }
    void OnBlock(uint64_t bytes, size_t) override { done.push_back(bytes); }
};

std::string Pattern(size_t size) {
    std::string text(size, '\0');
    for (size_t i = 0; i < size; ++i) text[i] = static_cast<char>('a' + i % 23);
    return text;
}

TEST(BlockCopy, ShortReadsAreGatheredIntoWholeBlocks) {
    PieceReader reader{Pattern(250)};
    std::string written;
    std::vector<size_t> writes;
    Recorder progress;
    const CCopyResult result = CopyBlocks(
        std::ref(reader),
        [&](const char* data, size_t size) {
            written.append(data, size);
            writes.push_back(size);
            return true;
        },
        progress, 100);
    EXPECT_TRUE(result.IsComplete());
    EXPECT_EQ(result.bytes, 250u);
    EXPECT_EQ(written, reader.data);
    EXPECT_EQ(writes, (std::vector<size_t>{100, 100, 50}));
    EXPECT_EQ(progress.done, (std::vector<uint64_t>{100, 200, 250}));
}

TEST(BlockCopy, WhatCameBeforeAReadFailureIsWrittenSoACopyCanContinueFromIt) {
    PieceReader reader{Pattern(1000)};
    reader.failAt = 130;
    std::string written;
    Recorder progress;
    const auto write = [&](const char* data, size_t size) {
        written.append(data, size);
        return true;
    };
    const CCopyResult result = CopyBlocks(std::ref(reader), write, progress, 100);
    EXPECT_EQ(result.end, ECopyEnd::ReadFailed);
    EXPECT_EQ(result.bytes, 130u);
    EXPECT_EQ(written, reader.data.substr(0, 130));
}

TEST(BlockCopy, CancelAndWriteFailureStopBeforeTheNextBlockIsCounted) {
    PieceReader reader{Pattern(1000)};
    Recorder progress;
    progress.cancelAfterBlocks = 2;
    size_t writes = 0;
    const auto write = [&](const char*, size_t) { return ++writes < 100; };
    CCopyResult result = CopyBlocks(std::ref(reader), write, progress, 100);
    EXPECT_EQ(result.end, ECopyEnd::Cancelled);
    EXPECT_EQ(result.bytes, 200u);
    EXPECT_EQ(writes, 2u);

    PieceReader again{Pattern(1000)};
    Recorder quiet;
    writes = 98;  // the second write fails
    result = CopyBlocks(std::ref(again), write, quiet, 100);
    EXPECT_EQ(result.end, ECopyEnd::WriteFailed);
    EXPECT_EQ(result.bytes, 100u);
}

TEST(BlockCopy, AnEmptySourceWritesNothing) {
    PieceReader reader;
    Recorder progress;
    bool wrote = false;
    const CCopyResult result = CopyBlocks(
        std::ref(reader), [&](const char*, size_t) { return wrote = true; }, progress);
    EXPECT_TRUE(result.IsComplete());
    EXPECT_FALSE(wrote);
    EXPECT_TRUE(progress.done.empty());
}

TEST(BlockCopy, ProgressTextsInBothDigitStyles) {
    EXPECT_EQ(FormatCopyProgress(409600, 2000000, ECopyDigits::Grouped), " 20% 409,600 / 2,000,000 Bytes");
    EXPECT_EQ(FormatCopyProgress(51200, 5368709120, ECopyDigits::Plain), "  0% 51200 / 5368709120 Bytes");
    EXPECT_EQ(FormatCopyProgress(5, 0, ECopyDigits::Plain), "500% 5 / 0 Bytes");
}

}  // namespace
}  // namespace velmora
