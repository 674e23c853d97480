#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/api.h"

// The one loop that moves a file's bytes, block by block, from a reader to a
// writer: a local file, a remote file's data connection or an archive entry
// on either side. What happens between blocks (progress, log records, the
// cancel question) belongs to the caller's progress sink.
namespace velmora {

// The transfer block size of every copy.
inline constexpr size_t kCopyBlockSize = 51200;

// Up to `size` bytes into `buffer`; true with `received` 0 at the end of the
// data. A reader keeps its own error text for the caller.
using TBlockRead = std::function<bool(char* buffer, size_t size, size_t& received)>;
// All `size` bytes, or false (the writer keeps its error text).
using TBlockWrite = std::function<bool(const char* data, size_t size)>;

class VELMORA_API CCopyProgress {
public:
    virtual ~CCopyProgress() = default;
    // Asked before each block is written: true stops the copy.
    virtual bool IsCancelled() { return false; }
    // After each block is written: `done` bytes copied so far, `block` of them just now.
    virtual void OnBlock(uint64_t done, size_t block) {
        (void)done;
        (void)block;
    }
};

enum class ECopyEnd { Complete, Cancelled, ReadFailed, WriteFailed };

struct CCopyResult {
    ECopyEnd end = ECopyEnd::Complete;
    uint64_t bytes = 0;  // written to the target, also when the copy stopped early

    bool IsComplete() const { return end == ECopyEnd::Complete; }
};

// Copies until the reader's end of data. Each block is filled before it is
// written (a network read answers with whatever has arrived), so progress
// runs once per block. Bytes read before a read failure are still written,
// so that what the target holds is exactly what came: a later transfer can
// continue from there. A read or write that fails while the copy is
// cancelled (a wait the cancel ended) ends it as cancelled.
VELMORA_API CCopyResult CopyBlocks(const TBlockRead& read, const TBlockWrite& write, CCopyProgress& progress,
                                   size_t blockSize = kCopyBlockSize);

// How the byte counts of a progress text are written.
enum class ECopyDigits { Plain, Grouped };  // "1234567" or "1,234,567"

// "%3s%% %s / %s Bytes": the percentage done, the bytes done and the size.
// A size of 0 counts as 1 for the percentage.
VELMORA_API std::string FormatCopyProgress(uint64_t done, uint64_t length, ECopyDigits digits);

}  // namespace velmora
