#include "cli/json_line.h"

#include <cmath>

#include "base/format.h"

namespace parcelo::cli {
namespace {

// The length of the UTF-8 sequence that starts at `at`; 0 when it is not one.
size_t Utf8Length(std::string_view text, size_t at) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    size_t length = 0;
    uint32_t lowest = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        lowest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        lowest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        lowest = 0x10000;
    } else {
        return 0;
    }
    if (at + length > text.size()) return 0;
    uint32_t code = lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return code < lowest || code > 0x10FFFF || surrogate ? 0 : length;
}

}  // namespace

std::string JsonLine::Quoted(std::string_view text) {
    std::string out = "\"";
    for (size_t at = 0; at < text.size();) {
        const auto c = static_cast<unsigned char>(text[at]);
        if (c >= 0x80) {
            const size_t length = Utf8Length(text, at);
            out += length ? std::string(text.substr(at, length)) : std::string("\\ufffd");
            at += length ? length : 1;
            continue;
        }
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                out += c < 0x20 || c == 0x7F ? velmora::Format("\\u%04x", c) : std::string(1, static_cast<char>(c));
        }
        ++at;
    }
    return out + "\"";
}

void JsonLine::Key(std::string_view key) {
    if (!m_fields.empty()) m_fields += ",";
    m_fields += Quoted(key) + ":";
}

JsonLine& JsonLine::Text(std::string_view key, std::string_view text) {
    Key(key);
    m_fields += Quoted(text);
    return *this;
}

JsonLine& JsonLine::Number(std::string_view key, int64_t number) {
    Key(key);
    m_fields += velmora::Format("%lld", static_cast<long long>(number));
    return *this;
}

JsonLine& JsonLine::Decimal(std::string_view key, double number) {
    Key(key);
    m_fields += std::isfinite(number) ? velmora::Format("%.3f", number) : std::string("null");
    return *this;
}

JsonLine& JsonLine::Flag(std::string_view key, bool value) {
    Key(key);
    m_fields += value ? "true" : "false";
    return *this;
}

}  // namespace parcelo::cli
