#include "zip/zip_archive.h"

#include <algorithm>
#include <cerrno>
#include <new>

#include <zlib.h>

#include "platform/encoding.h"
#include "zip/zip_aes.h"
#include "zip/zip_crypto.h"
#include "zip/zip_deflater.h"
#include "zip/zip_records.h"
#include "zip/zip_storage.h"

namespace velmora {

namespace {

using zip_records::Exceeds32;

constexpr uint16_t kVersion = 20;
constexpr uint16_t kDirectoryVersion = 10;
constexpr uint16_t kAesVersion = 51;
// An entry expected this large may end up over 4 GiB once compressed (stored
// blocks and the encryption header add a little), so its local header gets
// room for the ZIP64 sizes.
constexpr uint64_t kZip64Reserve = 0xFF000000ull;
constexpr size_t kMaxNameLength = 0xFFFF;

constexpr uint32_t kUnixTypeMask = 0170000;
constexpr uint32_t kUnixDirectory = 0040000;
constexpr uint32_t kUnixFile = 0100000;
constexpr uint32_t kUnixWriteBits = 0222;

int NormalLevel(int level) { return (level < -1 || level > 9) ? -1 : level; }

// The deflate option bits of the general-purpose flags.
uint16_t LevelFlags(int level) {
    switch (level) {
    case 1: return 0x06;
    case 2: return 0x04;
    case 8:
    case 9: return 0x02;
    default: return 0;
    }
}

bool IsAscii(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool HasDrive(const std::string& name) {
    return name.size() >= 2 && name[1] == ':' &&
           ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'));
}

// The name as the archive stores it: "/" separators, relative (an unzip tool
// must not be led outside its target folder), valid UTF-8, and a trailing
// "/" for a directory.
std::string StoredName(const CZipFileHeader& header, bool directory) {
    std::string name = header.GetFileName();
    std::replace(name.begin(), name.end(), '\\', '/');
    if (HasDrive(name)) name.erase(0, 2);
    name.erase(0, name.find_first_not_of('/'));
    if (!platform::IsValidUtf8(name)) name = platform::Utf16ToUtf8(platform::Utf8ToUtf16(name));
    if (name.empty()) throw CZipException(EINVAL, header.GetFileName());
    if (directory && name.back() != '/') name += '/';
    if (name.size() > kMaxNameLength) throw CZipException(CZipException::NameTooLong, header.GetFileName());
    return name;
}

}  // namespace

CZipArchive::CZipArchive()
    : m_storage(std::make_unique<CZipStorage>()),
      m_deflater(std::make_unique<CZipDeflater>()),
      m_crypto(std::make_unique<CZipCrypto>()),
      m_aes(std::make_unique<CZipAes>()) {}

CZipArchive::~CZipArchive() {
    try {
        CloseArchive();
    } catch (...) {
        // A destructor cannot report; the failed archive was discarded.
    }
}

void CZipArchive::CreateArchive(const std::string& path) {
    CloseArchive();
    m_path = path;
    m_storage->Create(path);
}

void CZipArchive::SetArchivePassword(const std::string& password, Encryption encryption) {
    m_password = password;
    m_encryption = encryption;
}

void CZipArchive::SetEntryAttributes(CZipFileHeader& header, uint32_t attributes) {
    if ((attributes >> 16) == 0) {
        uint32_t mode = (attributes & CZipFileHeader::AttrDirectory) ? (kUnixDirectory | 0755) : (kUnixFile | 0644);
        if (attributes & CZipFileHeader::AttrReadOnly) mode &= ~kUnixWriteBits;
        attributes |= mode << 16;
    }
    header.m_uExternalAttr = attributes;
}

void CZipArchive::BeginEntry(const CZipFileHeader& header, int level) {
    RequireOpen();
    EndEntry();
    CZipFileHeader entry = header;
    PrepareEntry(entry, NormalLevel(level));
    Guarded([&] {
        m_storage->Write(zip_records::LocalHeader(entry));
        m_entry = entry;
        m_bEntryOpen = true;
        StartEntryData();
    });
}

void CZipArchive::PrepareEntry(CZipFileHeader& entry, int level) const {
    const bool directory = entry.IsDirectory();
    entry.SetFileName(StoredName(entry, directory));
    uint32_t attributes = entry.m_uExternalAttr;
    if (directory) {
        // Unix bits of another file type would contradict the name.
        if (((attributes >> 16) & kUnixTypeMask) != kUnixDirectory) attributes &= 0xFFFF;
        attributes |= CZipFileHeader::AttrDirectory;
    }
    SetEntryAttributes(entry, attributes);
    entry.m_iLevel = directory ? 0 : level;
    entry.m_uMethod = entry.m_iLevel == 0 ? CZipFileHeader::MethodStored : CZipFileHeader::MethodDeflated;
    entry.m_uFlag = entry.m_uMethod == CZipFileHeader::MethodDeflated ? LevelFlags(level) : 0;
    if (!IsAscii(entry.GetFileName())) entry.m_uFlag |= CZipFileHeader::FlagUtf8Name;
    entry.m_uVersionMadeBy = static_cast<uint16_t>((entry.m_uVersionMadeBy & 0xFF00) | kVersion);
    entry.m_uVersionNeeded = directory ? kDirectoryVersion : kVersion;
    entry.m_uCrc32 = 0;
    entry.m_uComprSize = 0;
    entry.m_uUncomprSize = 0;
    entry.m_uOffset = m_storage->GetPosition();
    entry.m_bLocalZip64 = !directory && entry.GetExpectedSize() >= kZip64Reserve;
    if (entry.m_bLocalZip64) entry.m_uVersionNeeded = zip_records::kZip64Version;
    entry.m_bAes = false;
    // Directories carry no data, so there is nothing to encrypt.
    if (directory || m_password.empty()) return;
    entry.m_uFlag |= CZipFileHeader::FlagEncrypted;
    if (m_encryption == Encryption::Aes256) {
        // No CRC is stored, so the sizes can go back into the local header.
        entry.m_bAes = true;
        entry.m_uVersionNeeded = std::max(entry.m_uVersionNeeded, kAesVersion);
    } else {
        // The CRC is known only at the end, so it follows in a data descriptor.
        entry.m_uFlag |= CZipFileHeader::FlagDataDescriptor;
        entry.m_uComprSize = CZipCrypto::HeaderSize;
    }
}

void CZipArchive::StartEntryData() {
    if (m_entry.IsAesEncrypted()) {
        const std::string header = m_aes->Begin(m_password);
        m_storage->Write(header);
        m_entry.m_uComprSize = header.size();
    } else if (m_entry.IsEncrypted()) {
        m_crypto->Init(m_password);
        m_storage->Write(m_crypto->Header(m_entry.m_uModTime));
    }
    if (m_entry.m_uMethod == CZipFileHeader::MethodDeflated) m_deflater->Begin(m_entry.m_iLevel);
}

void CZipArchive::WriteEntryData(const void* buffer, size_t length) {
    RequireOpen();
    if (!m_bEntryOpen) throw CZipException(EINVAL);
    if (m_entry.IsDirectory()) throw CZipException(EINVAL, m_entry.GetFileName());
    if (length == 0) return;
    Guarded([&] {
        const char* data = static_cast<const char*>(buffer);
        // An AES entry stores no CRC: its authentication code checks it.
        if (!m_entry.IsAesEncrypted()) {
            m_entry.m_uCrc32 = static_cast<uint32_t>(
                crc32_z(m_entry.m_uCrc32, reinterpret_cast<const Bytef*>(data), length));
        }
        m_entry.m_uUncomprSize += length;
        if (m_entry.m_uMethod == CZipFileHeader::MethodStored) {
            WriteEntryBytes(data, length);
        } else {
            m_deflater->Write(data, length, [this](const char* out, size_t size) { WriteEntryBytes(out, size); });
        }
    });
}

void CZipArchive::WriteEntryBytes(const char* data, size_t length) {
    if (m_entry.IsEncrypted()) {
        m_scratch.assign(data, data + length);
        if (m_entry.IsAesEncrypted()) {
            m_aes->Encrypt(m_scratch.data(), length);
        } else {
            m_crypto->Encrypt(m_scratch.data(), length);
        }
        data = m_scratch.data();
    }
    m_storage->Write(data, length);
    m_entry.m_uComprSize += length;
}

void CZipArchive::EndEntry() {
    if (!m_bEntryOpen) return;
    m_bEntryOpen = false;
    if (m_failure) {
        // Already raised; CloseArchive raises it again.
        m_deflater->Release();
        return;
    }
    Guarded([&] {
        FinishEntryData();
        CompleteEntry();
    });
    m_headers.push_back(m_entry);
}

void CZipArchive::FinishEntryData() {
    if (m_entry.m_uMethod == CZipFileHeader::MethodDeflated) {
        m_deflater->Finish([this](const char* out, size_t size) { WriteEntryBytes(out, size); });
    }
    if (m_entry.IsAesEncrypted()) {
        const std::string mac = m_aes->End();
        m_storage->Write(mac);
        m_entry.m_uComprSize += mac.size();
    }
}

void CZipArchive::CompleteEntry() {
    const bool sizesInLocalHeader = (m_entry.m_uFlag & CZipFileHeader::FlagDataDescriptor) == 0;
    const bool large = Exceeds32(m_entry.m_uComprSize) || Exceeds32(m_entry.m_uUncomprSize);
    if (large && !m_entry.m_bLocalZip64) {
        // The local header has no room for these sizes: they go to a ZIP64
        // data descriptor, which the header's flags then announce.
        m_entry.m_uFlag |= CZipFileHeader::FlagDataDescriptor;
        m_entry.m_uVersionNeeded = zip_records::kZip64Version;
    }
    if (m_entry.m_uFlag & CZipFileHeader::FlagDataDescriptor) {
        m_storage->Write(zip_records::DataDescriptor(m_entry));
    }
    if (sizesInLocalHeader) m_storage->WriteAt(m_entry.m_uOffset, zip_records::LocalHeader(m_entry));
}

void CZipArchive::CloseArchive() {
    if (IsArchiveClosed()) return;
    try {
        RequireOpen();
        EndEntry();
        WriteCentralDirectory();
        m_storage->Commit();
    } catch (...) {
        Reset();
        throw;
    }
    Reset();
}

void CZipArchive::WriteCentralDirectory() {
    const uint64_t offset = m_storage->GetPosition();
    for (const CZipFileHeader& header : m_headers) m_storage->Write(zip_records::CentralHeader(header));
    const uint64_t size = m_storage->GetPosition() - offset;
    m_storage->Write(zip_records::EndRecords(m_headers.size(), offset, size));
}

bool CZipArchive::IsArchiveClosed() const { return !m_storage->IsOpen(); }

void CZipArchive::RequireOpen() const {
    if (IsArchiveClosed()) throw CZipException(EBADF, m_path);
    if (m_failure) throw *m_failure;
}

void CZipArchive::Reset() noexcept {
    m_storage->Discard();
    m_deflater->Release();
    m_headers.clear();
    m_bEntryOpen = false;
    m_failure.reset();
    m_password.clear();
    m_encryption = Encryption::Traditional;
}

template <typename Step>
void CZipArchive::Guarded(Step&& step) {
    try {
        step();
    } catch (const CZipException& failure) {
        m_failure = failure;
        throw;
    } catch (const std::bad_alloc&) {
        m_failure = CZipException(CZipException::ZlibMemoryError);
        throw *m_failure;
    }
}

}  // namespace velmora
