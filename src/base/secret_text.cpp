#include "base/secret_text.h"

#include <openssl/crypto.h>

namespace velmora {

void WipeText(std::string& text) {
    // The whole buffer: a text that was longer once keeps those bytes past its end.
    text.resize(text.capacity());
    OPENSSL_cleanse(text.data(), text.size());
    text.clear();
}

}  // namespace velmora
