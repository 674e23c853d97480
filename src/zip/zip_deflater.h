#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include <zlib.h>

namespace velmora {

// One entry's raw deflate stream (no zlib wrapper). Compressed bytes are
// handed to a sink as they come; zlib failures raise CZipException.
class CZipDeflater {
public:
    using Sink = std::function<void(const char* data, size_t length)>;

    CZipDeflater();
    ~CZipDeflater();
    CZipDeflater(const CZipDeflater&) = delete;
    CZipDeflater& operator=(const CZipDeflater&) = delete;

    void Begin(int level);
    void Write(const char* data, size_t length, const Sink& sink);
    // Ends the stream, hands over what remains and releases the stream.
    void Finish(const Sink& sink);
    void Release() noexcept;

private:
    void Run(int flush, const Sink& sink);

    z_stream m_stream{};
    bool m_active = false;
    std::vector<char> m_output;
};

}  // namespace velmora
