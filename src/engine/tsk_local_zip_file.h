#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/tsk_data_file.h"
#include "paths/file_path.h"
#include "platform/api.h"

namespace velmora {

class CZipArchive;

// An entry being written into a ZIP archive of a CLocalZipSource (which owns
// the archive). Its path is the archive's path with the status of the file
// it stores (attributes, time, size), which the entry's header carries.
class VELMORA_API CTskLocalZipFile : public CTskDataFile {
public:
    CTskLocalZipFile() = default;
    CTskLocalZipFile(const CFtpPath& path, const std::string& entryName, CZipArchive* archive);

    CObj* CreateObject() const override { return new CTskLocalZipFile(); }
    void Copy(const CObj& src) override;

    bool IsOpen() const override { return m_bEntryOpen; }
    bool IsClosed() const override { return !m_bEntryOpen; }
    bool OpenRead() override { return false; }
    bool OpenWrite() override { return true; }
    // Begins the entry (deflated, level 1); the archive raises its errors.
    bool Open(uint32_t flags) override;
    bool Write(const char* data, size_t size) override;
    bool CloseFile(bool complete = true) override;
    // An entry is written once: a broken copy goes on only after what the
    // entry already holds.
    CTargetFacts DescribeTarget(const CSourceFacts& source, bool continuing) override;
    uint64_t HeldAfterCut(uint64_t) override { return m_nWritten; }
    bool OpenAs(uint32_t flags, const CTransferPlan& plan) override;
    // A directory entry.
    bool MakeFolder() override;
    // "<entry name> ==> <archive file name>".
    std::string SourceText() const override;

    // Copies a local file, or a remote one (with the "Open media" step),
    // into the entry.
    bool StoreLocalFile(CTskDataFile* source) { return Store(source, false); }
    bool StoreFtpFile(CTskDataFile* source) { return Store(source, true); }

    const std::string& GetEntryName() const { return m_strEntryName; }

private:
    bool Store(CTskDataFile* source, bool report);
    bool HasArchive();

    std::string m_strEntryName;
    CZipArchive* m_pArchive = nullptr;
    bool m_bEntryOpen = false;
    uint64_t m_nWritten = 0;  // bytes of the open entry
};

}  // namespace velmora
