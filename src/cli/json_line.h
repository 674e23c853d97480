#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace parcelo::cli {

// One JSON object on one line, for --json: fields in the order added.
// Texts are escaped; bytes that are not UTF-8 (a server's name may hold
// any) become U+FFFD, so that the line stays valid JSON.
class JsonLine {
public:
    JsonLine& Text(std::string_view key, std::string_view text);
    JsonLine& Number(std::string_view key, int64_t number);
    // Three decimals.
    JsonLine& Decimal(std::string_view key, double number);
    JsonLine& Flag(std::string_view key, bool value);

    // "{...}" without a line end.
    std::string Line() const { return "{" + m_fields + "}"; }

    static std::string Quoted(std::string_view text);

private:
    void Key(std::string_view key);

    std::string m_fields;
};

}  // namespace parcelo::cli
