#pragma once

#include <string>
#include <string_view>

#include "platform/api.h"

// The reversible scrambling of stored FTP passwords. It keeps a password from
// being read at a glance in the connection file; it is no encryption.
namespace velmora {

// Each byte XOR the byte before it (the first byte kept), written as two
// upper-case hex digits per byte: "abc" gives "610301".
VELMORA_API std::string StrEnc(std::string_view text);

// The inverse of StrEnc for texts of up to 511 bytes. Decoding stops at the
// first pair that is not two hex digits, at an odd last digit and at a
// decoded zero byte, so a damaged text gives what decoded cleanly before it.
VELMORA_API std::string StrDec(std::string_view hex);

}  // namespace velmora
