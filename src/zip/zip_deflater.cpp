#include "zip/zip_deflater.h"

#include <algorithm>
#include <climits>

#include "zip/zip_exception.h"

namespace velmora {

namespace {

constexpr size_t kOutputSize = 64 * 1024;
constexpr int kRawWindowBits = -15;
constexpr int kMemoryLevel = 8;
// zlib counts its input in unsigned int; larger buffers go in slices.
constexpr size_t kMaxSlice = 1u << 30;

}  // namespace

CZipDeflater::CZipDeflater() : m_output(kOutputSize) {}

CZipDeflater::~CZipDeflater() { Release(); }

void CZipDeflater::Begin(int level) {
    Release();
    m_stream = z_stream{};
    const int result =
        deflateInit2(&m_stream, level, Z_DEFLATED, kRawWindowBits, kMemoryLevel, Z_DEFAULT_STRATEGY);
    if (result != Z_OK) throw CZipException::FromZlib(result);
    m_active = true;
}

void CZipDeflater::Write(const char* data, size_t length, const Sink& sink) {
    while (length > 0) {
        const size_t slice = std::min(length, kMaxSlice);
        m_stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
        m_stream.avail_in = static_cast<uInt>(slice);
        Run(Z_NO_FLUSH, sink);
        data += slice;
        length -= slice;
    }
}

void CZipDeflater::Finish(const Sink& sink) {
    m_stream.next_in = nullptr;
    m_stream.avail_in = 0;
    Run(Z_FINISH, sink);
    Release();
}

void CZipDeflater::Release() noexcept {
    if (!m_active) return;
    deflateEnd(&m_stream);
    m_active = false;
}

void CZipDeflater::Run(int flush, const Sink& sink) {
    int result = Z_OK;
    do {
        m_stream.next_out = reinterpret_cast<Bytef*>(m_output.data());
        m_stream.avail_out = static_cast<uInt>(m_output.size());
        result = deflate(&m_stream, flush);
        // Finishing with room left in the output must end the stream; when it
        // does not, the stream is broken and looping would never end.
        const bool stalled = flush == Z_FINISH && result != Z_STREAM_END && m_stream.avail_out != 0;
        if (result == Z_STREAM_ERROR) throw CZipException::FromZlib(result);
        if (stalled) throw CZipException(CZipException::InternalError);
        const size_t produced = m_output.size() - m_stream.avail_out;
        if (produced > 0) sink(m_output.data(), produced);
    } while (m_stream.avail_out == 0 || (flush == Z_FINISH && result != Z_STREAM_END));
}

}  // namespace velmora
