#include "base/value_format.h"

#include <cinttypes>

#include "base/format.h"

namespace velmora {
namespace {

constexpr uint64_t kKilo = 1024;
constexpr uint64_t kMega = 1048576;
constexpr uint64_t kGiga = 1073741824;

// The unit is chosen by strict comparison (1024 stays bytes) and the quotient
// is taken in single precision, as the texts have always been made.
std::string SizeText(uint64_t magnitude, bool negative) {
    const char* sign = negative ? "-" : "";
    const auto value = static_cast<float>(magnitude);
    if (magnitude > kGiga) return Format("%s%.1f GB", sign, static_cast<double>(value / static_cast<float>(kGiga)));
    if (magnitude > kMega) return Format("%s%.1f MB", sign, static_cast<double>(value / static_cast<float>(kMega)));
    if (magnitude > kKilo) return Format("%s%.1f KB", sign, static_cast<double>(value / static_cast<float>(kKilo)));
    return Format("%s%.1f   B", sign, static_cast<double>(value));
}

uint64_t Magnitude(int64_t value) {
    // Negating in unsigned arithmetic keeps INT64_MIN representable.
    return value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
}

}  // namespace

std::string FormatValue(std::string_view digits, bool) {
    const bool negative = !digits.empty() && digits.front() == '-';
    std::string text(negative ? digits.substr(1) : digits);
    for (const size_t limit : {3, 7, 11, 15}) {
        if (text.size() > limit) text.insert(text.size() - limit, 1, ',');
    }
    return negative ? "-" + text : text;
}

std::string FormatValue(int32_t value, bool kb) { return FormatValue(Format("%d", value), kb); }
std::string FormatValue(uint32_t value, bool kb) { return FormatValue(Format("%u", value), kb); }

std::string FormatValue(int64_t value, bool kb) {
    if (kb) return SizeText(Magnitude(value), value < 0);
    return FormatValue(Format("%" PRId64, value), false);
}

std::string FormatValue(uint64_t value, bool kb) {
    if (kb) return SizeText(value, false);
    return FormatValue(Format("%" PRIu64, value), false);
}

std::string FormatValue(long long value, bool kb) { return FormatValue(static_cast<int64_t>(value), kb); }
std::string FormatValue(unsigned long long value, bool kb) { return FormatValue(static_cast<uint64_t>(value), kb); }

}  // namespace velmora
