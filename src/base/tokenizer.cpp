#include "base/tokenizer.h"

#include <algorithm>

#include "base/text.h"

namespace velmora {

CStringTokenizer::CStringTokenizer(std::string_view text, bool trim)
    : m_text(trim ? TrimText(text) : std::string(text)) {}

std::string CStringTokenizer::GetNextToken(std::string_view delimiters) {
    const std::string_view rest = Rest();
    const size_t at = rest.find_first_of(delimiters);
    if (at == std::string_view::npos) {
        std::string all(rest);
        Consume(rest.size());
        return all;
    }
    std::string token(rest.substr(0, at));
    Consume(at + 1);
    return token;
}

std::string CStringTokenizer::GetToken(std::string_view delimiters) {
    while (!IsEmpty()) {
        std::string token = GetNextToken(delimiters);
        if (!token.empty()) return token;
    }
    return {};
}

std::string CStringTokenizer::GetPrevToken(std::string_view delimiters) {
    const std::string_view rest = Rest();
    const size_t at = rest.find_last_of(delimiters);
    if (at == std::string_view::npos) {
        std::string all(rest);
        KeepFirst(0);
        return all;
    }
    std::string token(rest.substr(at + 1));
    KeepFirst(at);
    return token;
}

std::string CStringTokenizer::GetPrev(std::string_view delimiters) {
    while (!IsEmpty()) {
        std::string token = GetPrevToken(delimiters);
        if (!token.empty()) return token;
    }
    return {};
}

void CStringTokenizer::SplitToken(std::vector<std::string>& tokens, std::string_view delimiters) {
    while (!IsEmpty()) {
        std::string token = GetToken(delimiters);
        if (!token.empty()) tokens.push_back(std::move(token));
    }
}

std::string CStringTokenizer::Left(int n) {
    if (n <= 0) return {};
    const size_t count = std::min(static_cast<size_t>(n), GetLength());
    std::string token(Rest().substr(0, count));
    Consume(count);
    return token;
}

std::string CStringTokenizer::Right(int n) {
    if (n <= 0) return {};
    const size_t count = std::min(static_cast<size_t>(n), GetLength());
    std::string token(Rest().substr(GetLength() - count));
    KeepFirst(GetLength() - count);
    return token;
}

std::string CStringTokenizer::LeftToken(std::string_view separator) {
    const std::string_view rest = Rest();
    const size_t at = separator.empty() ? std::string_view::npos : rest.find(separator);
    if (at == std::string_view::npos) return {};
    std::string token(rest.substr(0, at));
    if (at + separator.size() < rest.size()) Consume(at + separator.size());
    return token;
}

std::string CStringTokenizer::LeftToken(char open, char close) {
    std::string before;
    std::string closing;
    return SplitToken(before, open, close, closing);
}

std::string CStringTokenizer::RightToken(char open, char close) {
    const std::string_view rest = Rest();
    const size_t closeAt = rest.rfind(close);
    const size_t openAt = rest.rfind(open);
    if (closeAt == std::string_view::npos || openAt == std::string_view::npos || closeAt <= openAt + 1) {
        return {};
    }
    std::string token(rest.substr(openAt + 1, closeAt - openAt - 1));
    KeepFirst(openAt);
    return token;
}

std::string CStringTokenizer::SplitToken(std::string& before, char open, char close, std::string& closing) {
    before.clear();
    closing.clear();
    const std::string_view rest = Rest();
    const size_t openAt = rest.find(open);
    const size_t closeAt = rest.find(close);
    if (closeAt == std::string_view::npos || openAt == std::string_view::npos || closeAt <= openAt + 1) {
        return {};
    }
    before.assign(rest.substr(0, openAt + 1));
    closing.assign(1, close);
    std::string token(rest.substr(openAt + 1, closeAt - openAt - 1));
    Consume(closeAt + 1);
    return token;
}

void CStringTokenizer::RemoveCtrlChar() {
    Compact();
    std::erase_if(m_text, [](char c) { return c == '\n' || c == '\r' || c == '\t'; });
}

std::string CStringTokenizer::Trim() const { return TrimText(Rest()); }

const std::string& CStringTokenizer::str() const {
    Compact();
    return m_text;
}

void CStringTokenizer::Compact() const {
    m_text.erase(0, m_start);
    m_start = 0;
}

}  // namespace velmora
