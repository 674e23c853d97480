#include "base/format.h"

#include <cstdio>

namespace velmora {

std::string FormatV(const char* format, va_list args) {
    char small[256];
    va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (needed < 0) return {};
    if (static_cast<size_t>(needed) < sizeof small) return std::string(small, needed);
    std::string result(static_cast<size_t>(needed), '\0');
    std::vsnprintf(result.data(), result.size() + 1, format, args);
    return result;
}

std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string result = FormatV(format, args);
    va_end(args);
    return result;
}

}  // namespace velmora
