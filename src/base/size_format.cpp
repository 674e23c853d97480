#include "base/size_format.h"

#include <array>
#include <cmath>
#include <cstdlib>
#include <string>

#include "base/format.h"

namespace velmora {
namespace {

constexpr std::array<const char*, 7> kUnits = {"B", "KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
constexpr double kStep = 1024.0;

// The multiplier of a unit letter; 0 for none of them.
double UnitFactor(char letter) {
    constexpr std::string_view kLetters = "kmgt";
    const size_t at = kLetters.find(static_cast<char>(letter | 0x20));
    return at == std::string_view::npos ? 0.0 : std::pow(kStep, static_cast<double>(at + 1));
}

}  // namespace

std::string FormatSize(uint64_t bytes) {
    if (bytes < 1024) return Format("%llu B", static_cast<unsigned long long>(bytes));
    return FormatSize(static_cast<double>(bytes));
}

std::string FormatSize(double bytes) {
    if (!(bytes > 0)) return "0 B";
    if (bytes < kStep) return Format("%.0f B", std::floor(bytes));
    size_t unit = 0;
    double value = bytes;
    // The unit is chosen on the value as it is shown, so that 1023.96 KiB
    // reads "1.0 MiB" rather than "1024.0 KiB".
    while (unit + 1 < kUnits.size() && std::round(value * 10.0) / 10.0 >= kStep) {
        value /= kStep;
        ++unit;
    }
    return Format("%.1f %s", value, kUnits[unit]);
}

bool ParseSize(std::string_view text, uint64_t& bytes) {
    size_t digits = 0;
    bool point = false;
    size_t at = 0;
    for (; at < text.size(); ++at) {
        const char c = text[at];
        if (c >= '0' && c <= '9') {
            ++digits;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (digits == 0) return false;
    double value = std::strtod(std::string(text.substr(0, at)).c_str(), nullptr);
    std::string_view unit = text.substr(at);
    if (!unit.empty()) {
        const double factor = UnitFactor(unit.front());
        if (factor == 0.0) {
            if (unit != "B" && unit != "b") return false;
        } else {
            value *= factor;
            unit.remove_prefix(1);
            if (!unit.empty() && unit != "B" && unit != "iB" && unit != "b" && unit != "ib") return false;
        }
    }
    // 2^64 itself is out of range: a double holds it exactly.
    if (value >= 18446744073709551616.0) return false;
    bytes = static_cast<uint64_t>(value);
    return true;
}

}  // namespace velmora
