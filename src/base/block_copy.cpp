#include "base/block_copy.h"

#include <vector>

#include "base/format.h"
#include "base/value_format.h"

namespace velmora {
namespace {

// Fills the buffer up to its size; false when the reader failed (what came
// before the failure is counted in `filled`).
bool FillBlock(const TBlockRead& read, std::vector<char>& buffer, size_t& filled, bool& end) {
    filled = 0;
    end = false;
    while (filled < buffer.size()) {
        size_t received = 0;
        if (!read(buffer.data() + filled, buffer.size() - filled, received)) return false;
        if (received == 0) {
            end = true;
            return true;
        }
        filled += received;
    }
    return true;
}

std::string Digits(uint64_t value, ECopyDigits digits) {
    if (digits == ECopyDigits::Grouped) return FormatValue(value, false);
    return Format("%llu", static_cast<unsigned long long>(value));
}

}  // namespace

CCopyResult CopyBlocks(const TBlockRead& read, const TBlockWrite& write, CCopyProgress& progress, size_t blockSize) {
    std::vector<char> buffer(blockSize == 0 ? kCopyBlockSize : blockSize);
    CCopyResult result;
    for (;;) {
        size_t filled = 0;
        bool end = false;
        const bool readOk = FillBlock(read, buffer, filled, end);
        if (filled > 0) {
            if (progress.IsCancelled()) {
                result.end = ECopyEnd::Cancelled;
                return result;
            }
            if (!write(buffer.data(), filled)) {
                result.end = progress.IsCancelled() ? ECopyEnd::Cancelled : ECopyEnd::WriteFailed;
                return result;
            }
            result.bytes += filled;
            progress.OnBlock(result.bytes, filled);
        }
        if (!readOk) {
            result.end = progress.IsCancelled() ? ECopyEnd::Cancelled : ECopyEnd::ReadFailed;
            return result;
        }
        if (end) return result;
    }
}

std::string FormatCopyProgress(uint64_t done, uint64_t length, ECopyDigits digits) {
    const uint64_t percent = done * 100 / (length == 0 ? 1 : length);
    return Format("%3s%% %s / %s Bytes", Format("%llu", static_cast<unsigned long long>(percent)).c_str(),
                  Digits(done, digits).c_str(), Digits(length, digits).c_str());
}

}  // namespace velmora
