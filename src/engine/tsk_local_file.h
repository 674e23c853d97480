#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "engine/tsk_data_file.h"
#include "platform/api.h"
#include "platform/file_stream.h"

namespace velmora {

// A file on the local disk (or on a mounted network share). Written files go
// to their partial file in the target folder first (".NAME.part") and
// replace the target only when complete, so a failed copy never destroys the
// file it was replacing. A copy that broke leaves the partial file for a
// later one to continue; a cancelled one removes it.
class VELMORA_API CTskLocalFile : public CTskDataFile {
public:
    using CTskDataFile::CTskDataFile;

    CObj* CreateObject() const override { return new CTskLocalFile(); }

    bool IsOpen() const override { return Reading() || Writing(); }
    bool IsClosed() const override { return !IsOpen(); }
    // The file must exist ("File is missing").
    bool OpenRead() override;
    // Creates the file's folder and its parents ("Dest folder is missing").
    bool OpenWrite() override;
    bool Open(uint32_t flags) override;
    bool Read(char* buffer, size_t size, size_t& received) override;
    bool Write(const char* data, size_t size) override;
    bool CloseFile(bool complete = true) override;
    // The partial file goes, with its note.
    void Discard() override;
    bool HashFirst(uint64_t bytes, CDigest& digest) override;
    // Reading goes on from the offset; writing keeps that many bytes.
    bool OpenAs(uint32_t flags, const CTransferPlan& plan) override;
    // The file's size and time on the disk now.
    CSourceFacts DescribeSource(bool fresh) override;
    // The partial file an earlier download left (".NAME.part"), or a
    // shorter file at the target's place, which becomes the partial file;
    // with the stamp kept with the partial file (see
    // CReplacingFileWriter::SetPartialNote).
    CTargetFacts DescribeTarget(const CSourceFacts& source, bool continuing) override;
    void KeepStamp(const CSourceStamp& stamp) override;
    std::optional<CSourceStamp> PartialStamp() override;
    // Parts are written into the one partial file, at their offsets.
    bool OpenParts(bool keep) override;
    bool WriteAt(uint64_t offset, const char* data, size_t size, std::string& error) override;
    bool KeepParts(const CSourceStamp& stamp, const std::vector<CFilePart>& parts) override;
    bool MakeFolder() override;
    // Into another local file: the platform's copy (contents, permissions and
    // modification time), counted in the job's processed bytes. Into any
    // other kind of target: the block-copy loop.
    bool Transfer(CTskDataFile* source, CTskDataFile* target, bool report) override;
    // The scanned time, or the file's own when the path carries none.
    uint64_t GetModifiedTime() override;
    bool SetModifiedTime(uint64_t fileTime) override;

private:
    bool Reading() const { return m_pReader && m_pReader->IsOpen(); }
    bool Writing() const { return m_pWriter && m_pWriter->IsOpen(); }
    // Made when first needed: a job holds every one of its files from the
    // start, most of them waiting their turn.
    platform::CFileReader& Reader();
    platform::CReplacingFileWriter& Writer();
    // The note kept with the partial file, as far as it can be read (no
    // stamp when it cannot); none when the partial file has no note.
    std::optional<CPartialNote> ReadNote() const;

    // Until the file is closed after reading.
    std::unique_ptr<platform::CFileReader> m_pReader;
    // From the first write on: it knows the partial file to the end.
    std::unique_ptr<platform::CReplacingFileWriter> m_pWriter;
};

}  // namespace velmora
