#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace velmora {

// The archive's output file. It is written under a temporary name in the
// target's folder and moved over the target only when complete, so a failed
// archive never replaces a file that was there before. Every failure raises
// CZipException.
class CZipStorage {
public:
    CZipStorage() = default;
    ~CZipStorage();
    CZipStorage(const CZipStorage&) = delete;
    CZipStorage& operator=(const CZipStorage&) = delete;

    void Create(const std::string& path);
    void Write(const void* data, size_t length);
    void Write(const std::string& bytes) { Write(bytes.data(), bytes.size()); }
    // Rewrites bytes already written, then goes on at the end.
    void WriteAt(uint64_t offset, const std::string& bytes);
    uint64_t GetPosition() const { return m_position; }
    // Closes the file and moves it over the target.
    void Commit();
    // Closes and removes the temporary file; the target is left as it was.
    void Discard() noexcept;
    bool IsOpen() const { return m_file != nullptr; }
    const std::string& GetPath() const { return m_path; }

private:
    void OpenTemporary();
    void Seek(uint64_t offset);
    [[noreturn]] void Fail();
    [[noreturn]] void FailAndDiscard();

    std::FILE* m_file = nullptr;
    std::string m_path;
    std::string m_tempPath;
    uint64_t m_position = 0;
    std::vector<char> m_buffer;
};

}  // namespace velmora
