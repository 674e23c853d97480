#include "zip/zip_storage.h"

#include <cerrno>
#include <filesystem>
#include <random>

#include "base/format.h"
#include "zip/zip_exception.h"

namespace velmora {

namespace {

namespace fs = std::filesystem;

constexpr size_t kBufferSize = 256 * 1024;
constexpr int kNameAttempts = 16;

// Seeking takes a long; the archive's offsets are 64-bit.
static_assert(sizeof(long) >= sizeof(int64_t), "64-bit file offsets need a 64-bit long");

std::string TemporaryName(const std::string& path) {
    std::random_device device;
    return Format("%s.%08x.tmp", path.c_str(), static_cast<unsigned>(device()));
}

}  // namespace

CZipStorage::~CZipStorage() { Discard(); }

void CZipStorage::Create(const std::string& path) {
    Discard();
    m_path = path;
    m_position = 0;
    std::error_code error;
    if (fs::is_directory(path, error)) throw CZipException(EISDIR, path);
    OpenTemporary();
    m_buffer.resize(kBufferSize);
    std::setvbuf(m_file, m_buffer.data(), _IOFBF, m_buffer.size());
}

void CZipStorage::OpenTemporary() {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        m_tempPath = TemporaryName(m_path);
        // "x": never take over a file that already exists.
        m_file = std::fopen(m_tempPath.c_str(), "wbx");
        if (m_file) return;
        if (errno != EEXIST) break;
    }
    const CZipException failure = CZipException::FromErrno(m_path);
    m_tempPath.clear();
    throw failure;
}

void CZipStorage::Write(const void* data, size_t length) {
    if (length == 0) return;
    if (std::fwrite(data, 1, length, m_file) != length) Fail();
    m_position += length;
}

void CZipStorage::WriteAt(uint64_t offset, const std::string& bytes) {
    Seek(offset);
    if (std::fwrite(bytes.data(), 1, bytes.size(), m_file) != bytes.size()) Fail();
    Seek(m_position);
}

void CZipStorage::Seek(uint64_t offset) {
    if (std::fseek(m_file, static_cast<long>(offset), SEEK_SET) != 0) Fail();
}

void CZipStorage::Commit() {
    // Buffered bytes reach the disk only now: a full disk may show here.
    if (std::fflush(m_file) != 0) FailAndDiscard();
    const int closed = std::fclose(m_file);
    m_file = nullptr;
    if (closed != 0) FailAndDiscard();
    std::error_code error;
    fs::rename(m_tempPath, m_path, error);
    if (error) {
        Discard();
        throw CZipException(CZipException::RenameFailed, m_path);
    }
    m_tempPath.clear();
}

void CZipStorage::Discard() noexcept {
    if (m_file) std::fclose(m_file);
    m_file = nullptr;
    if (m_tempPath.empty()) return;
    std::error_code ignored;
    fs::remove(m_tempPath, ignored);
    m_tempPath.clear();
}

void CZipStorage::Fail() {
    const CZipException failure = CZipException::FromErrno(m_path);
    std::clearerr(m_file);
    throw failure;
}

void CZipStorage::FailAndDiscard() {
    const CZipException failure = CZipException::FromErrno(m_path);
    Discard();
    throw failure;
}

}  // namespace velmora
