#pragma once

#include <string>

#include "platform/api.h"

namespace velmora {

// Overwrites the text's bytes, all its buffer holds, before it is emptied:
// a password in a buffer that was only freed stays in memory, for a core
// file or a swap partition to keep.
VELMORA_API void WipeText(std::string& text);

// Wipes the text when it goes.
class VELMORA_API CWipedText {
public:
    explicit CWipedText(std::string& text) : m_text(text) {}
    ~CWipedText() { WipeText(m_text); }
    CWipedText(const CWipedText&) = delete;
    CWipedText& operator=(const CWipedText&) = delete;

private:
    std::string& m_text;
};

}  // namespace velmora
