#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/api.h"

namespace velmora {

// Holds the part of a text that has not been consumed yet; every operation
// that returns a token removes it (and its delimiter) from that text. Every
// reader of the stored text formats is built on it.
//
// Consuming from the front only moves an offset, so reading a large text
// token by token stays linear.
class VELMORA_API CStringTokenizer {
public:
    explicit CStringTokenizer(std::string_view text = {}, bool trim = false);

    // Text up to the first of the delimiter characters, which is dropped;
    // without a delimiter the whole text, which becomes empty.
    std::string GetNextToken(std::string_view delimiters);
    // GetNextToken skipping empty tokens; "" once the text is used up.
    std::string GetToken(std::string_view delimiters);
    // From the end: the text after the last delimiter character; the text
    // keeps what stands before that delimiter.
    std::string GetPrevToken(std::string_view delimiters);
    // GetPrevToken skipping empty tokens.
    std::string GetPrev(std::string_view delimiters);
    // Appends every non-empty token, in order, until the text is used up.
    void SplitToken(std::vector<std::string>& tokens, std::string_view delimiters);

    // The first (last) n characters, removed from the text; n <= 0 gives "".
    std::string Left(int n);
    std::string Right(int n);

    // What stands before the first occurrence of the whole separator; the
    // text keeps what follows it. Without the separator: "" and the text is
    // left alone; a separator that ends the text exactly also leaves it.
    std::string LeftToken(std::string_view separator);
    // What lies between the first `open` and the first `close` (at least one
    // character); everything up to the closing character is removed.
    std::string LeftToken(char open, char close);
    // What lies between the last `open` and the last `close` (at least one
    // character); everything from the opening character on is removed.
    std::string RightToken(char open, char close);
    // As LeftToken(open, close); `before` receives the removed text up to and
    // including the opening character and `closing` the closing character.
    // Both are emptied when no token is found.
    std::string SplitToken(std::string& before, char open, char close, std::string& closing);

    // Drops every line feed, carriage return and tab.
    void RemoveCtrlChar();

    // The remaining text without leading and trailing white space; the text
    // itself is unchanged.
    std::string Trim() const;
    size_t GetLength() const { return m_text.size() - m_start; }
    bool IsEmpty() const { return GetLength() == 0; }
    const std::string& str() const;

private:
    std::string_view Rest() const { return std::string_view(m_text).substr(m_start); }
    void Consume(size_t count) { m_start += count; }
    void KeepFirst(size_t count) { m_text.resize(m_start + count); }
    void Compact() const;

    // The consumed prefix is dropped lazily (see str()), hence mutable.
    mutable std::string m_text;
    mutable size_t m_start = 0;
};

}  // namespace velmora
