#include "cli/file_mode.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace parcelo::cli {
namespace {

constexpr uint32_t kUser = 04700;   // with set-user-id
constexpr uint32_t kGroup = 02070;  // with set-group-id
constexpr uint32_t kOther = 00007;
constexpr uint32_t kSticky = 01000;
constexpr uint32_t kAll = kUser | kGroup | kOther | kSticky;

// The bits the letters "ugoa" choose; all for none.
uint32_t Who(std::string_view letters) {
    uint32_t who = 0;
    for (const char c : letters) {
        who |= c == 'u' ? kUser : c == 'g' ? kGroup : c == 'o' ? kOther : kAll;
    }
    return who == 0 ? kAll : who;
}

// The bits of the letters "rwxXst" (within `who`).
uint32_t What(std::string_view letters, uint32_t current, bool folder) {
    uint32_t bits = 0;
    for (const char c : letters) {
        switch (c) {
            case 'r': bits |= 0444; break;
            case 'w': bits |= 0222; break;
            case 'x': bits |= 0111; break;
            case 'X': if (folder || (current & 0111) != 0) bits |= 0111; break;
            case 's': bits |= 06000; break;
            case 't': bits |= 01000; break;
            default: break;
        }
    }
    return bits;
}

bool IsOperator(char c) { return c == '+' || c == '-' || c == '='; }

// One clause: who, then one or more operator-and-letters.
bool IsClause(std::string_view clause) {
    const size_t op = clause.find_first_not_of("ugoa");
    if (op == std::string_view::npos || !IsOperator(clause[op])) return false;
    for (size_t at = op; at < clause.size(); ++at) {
        if (!IsOperator(clause[at]) && std::string_view("rwxXst").find(clause[at]) == std::string_view::npos) {
            return false;
        }
    }
    return true;
}

template <class F>
void ForEachClause(std::string_view text, F f) {
    while (!text.empty()) {
        const size_t comma = std::min(text.find(','), text.size());
        f(text.substr(0, comma));
        text.remove_prefix(std::min(comma + 1, text.size()));
    }
}

}  // namespace

bool FileMode::Parse(const std::string& text) {
    if (text.empty()) return false;
    if (text.find_first_not_of("01234567") == std::string::npos) {
        if (text.size() > 4) return false;
        m_bAbsolute = true;
        m_nBits = static_cast<uint32_t>(std::stoul(text, nullptr, 8));
        return true;
    }
    bool valid = text.back() != ',';
    ForEachClause(text, [&valid](std::string_view clause) { valid = valid && IsClause(clause); });
    if (!valid) return false;
    m_bAbsolute = false;
    m_strSymbols = text;
    return true;
}

uint32_t FileMode::Apply(uint32_t current, bool folder) const {
    if (m_bAbsolute) return m_nBits;
    uint32_t mode = current & 07777;
    ForEachClause(m_strSymbols, [&](std::string_view clause) {
        const size_t first = clause.find_first_not_of("ugoa");
        const uint32_t who = Who(clause.substr(0, first));
        for (size_t at = first; at < clause.size();) {
            const char op = clause[at];
            const size_t end = std::min(clause.find_first_of("+-=", at + 1), clause.size());
            const uint32_t bits = What(clause.substr(at + 1, end - at - 1), mode, folder) & who;
            if (op == '+') mode |= bits;
            if (op == '-') mode &= ~bits;
            if (op == '=') mode = (mode & ~who) | bits;
            at = end;
        }
    });
    return mode;
}

bool FileMode::FromPermissions(const std::string& text, uint32_t& mode) {
    if (text.size() != 10) return false;
    uint32_t bits = 0;
    // Each triple: r, w, then x or its special letter (s/S, s/S, t/T).
    constexpr uint32_t kSpecial[] = {04000, 02000, 01000};
    for (int triple = 0; triple < 3; ++triple) {
        const std::string_view part = std::string_view(text).substr(1 + triple * 3, 3);
        const int shift = 6 - triple * 3;
        if (part[0] != 'r' && part[0] != '-') return false;
        if (part[1] != 'w' && part[1] != '-') return false;
        if (part[0] == 'r') bits |= 4u << shift;
        if (part[1] == 'w') bits |= 2u << shift;
        const char x = part[2];
        const char special = triple == 2 ? 't' : 's';
        if (x == 'x' || x == special) bits |= 1u << shift;
        if (x == special || x == (special & ~0x20)) bits |= kSpecial[triple];
        if (x != 'x' && x != '-' && x != special && x != (special & ~0x20)) return false;
    }
    mode = bits;
    return true;
}

}  // namespace parcelo::cli
