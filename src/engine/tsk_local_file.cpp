#include "engine/tsk_local_file.h"

#include <string>
#include <vector>

#include "base/digest.h"

#include "platform/file_system.h"

namespace velmora {

platform::CFileReader& CTskLocalFile::Reader() {
    if (!m_pReader) m_pReader = std::make_unique<platform::CFileReader>();
    return *m_pReader;
}

platform::CReplacingFileWriter& CTskLocalFile::Writer() {
    if (!m_pWriter) m_pWriter = std::make_unique<platform::CReplacingFileWriter>();
    return *m_pWriter;
}

bool CTskLocalFile::OpenRead() {
    CloseFile(false);
    if (!m_Path.ReadStatus()) return ReportError(ERROR_CONNECT, this, "File is missing");
    return true;
}

bool CTskLocalFile::OpenWrite() {
    if (!m_Path.CreateFolder()) return ReportError(ERROR_CONNECT, this, "Dest folder is missing");
    return true;
}

bool CTskLocalFile::Open(uint32_t flags) {
    std::string error;
    if (flags == kOpenRead) {
        if (Reader().Open(m_Path.GetPath(), &error)) return true;
        return ReportError(ERROR_READ, this, "Fail to open file: " + m_Path.GetPath() + " (" + error + ")");
    }
    if (Writer().OpenPartial(m_Path.GetPath(), false, &error)) return true;
    return ReportError(ERROR_WRITE, this, "Fail to open file: " + m_Path.GetPath() + " (" + error + ")");
}

bool CTskLocalFile::Read(char* buffer, size_t size, size_t& received) {
    std::string error;
    return Reader().Read(buffer, size, received, &error) || SetFileError(error);
}

bool CTskLocalFile::Write(const char* data, size_t size) {
    std::string error;
    return Writer().Write(data, size, &error) || SetFileError(error);
}

bool CTskLocalFile::CloseFile(bool complete) {
    m_pReader.reset();
    if (!Writing()) return true;
    if (!complete) {
        // A transfer that broke leaves its partial file for a later one to
        // continue; one the user cancelled leaves nothing.
        if (Job().IsAborted()) {
            m_pWriter->Discard();
        } else {
            m_pWriter->Abandon();
        }
        return true;
    }
    std::string error;
    return m_pWriter->Commit(&error) || SetFileError(error);
}

void CTskLocalFile::Discard() {
    m_pReader.reset();
    if (m_pWriter) m_pWriter->Discard();
}

bool CTskLocalFile::HashFirst(uint64_t bytes, CDigest& digest) {
    // A reader of its own: the open one stands at the offset already.
    platform::CFileReader reader;
    const std::string path = Writing() ? m_pWriter->GetTemporaryPath() : m_Path.GetPath();
    if (!reader.Open(path) || reader.GetSize() < bytes) return false;
    std::vector<char> buffer(kBlockSize);
    while (bytes > 0) {
        size_t received = 0;
        if (!reader.Read(buffer.data(), std::min<uint64_t>(bytes, buffer.size()), received) || received == 0)
            return false;
        digest.Update(buffer.data(), received);
        bytes -= received;
    }
    return true;
}

bool CTskLocalFile::OpenAs(uint32_t flags, const CTransferPlan& plan) {
    if (!plan.Continues()) return Open(flags);
    std::string error;
    if (flags != kOpenRead) {
        if (!Writing() && !Writer().OpenPartial(m_Path.GetPath(), true, &error)) return SetFileError(error);
        return m_pWriter->Truncate(plan.offset, &error) || SetFileError(error);
    }
    if (!Reading() && !Reader().Open(m_Path.GetPath(), &error)) return SetFileError(error);
    return m_pReader->Seek(plan.offset, &error) || SetFileError(error);
}

CSourceFacts CTskLocalFile::DescribeSource(bool) {
    CSourceFacts facts{Length(), std::nullopt, true, true};
    platform::FileStatus status;
    if (!platform::GetFileStatus(m_Path.GetPath(), status)) return facts;
    facts.length = status.size;
    facts.stamp = CSourceStamp{CSourceStamp::PlaceOf(m_Path.GetPath()), status.size, status.lastWriteTime};
    return facts;
}

CTargetFacts CTskLocalFile::DescribeTarget(const CSourceFacts& source, bool continuing) {
    CTargetFacts facts;
    facts.keepsStamps = true;
    facts.writesFromOffset = true;
    if (!continuing) return facts;
    facts.held = platform::HeldOfPartial(m_Path.GetPath(), source.length.value_or(0));
    CSourceStamp stamp;
    std::string note;
    if (platform::ReadPartialNote(m_Path.GetPath(), note) && stamp.ReadNote(note)) facts.heldStamp = stamp;
    return facts;
}

void CTskLocalFile::KeepStamp(const CSourceStamp& stamp) { Writer().SetPartialNote(stamp.Note()); }

std::optional<CSourceStamp> CTskLocalFile::PartialStamp() {
    std::string note;
    CSourceStamp stamp;
    if (!platform::ReadPartialNote(m_Path.GetPath(), note) || !stamp.ReadNote(note)) return std::nullopt;
    return stamp;
}

bool CTskLocalFile::MakeFolder() { return OpenWrite(); }

bool CTskLocalFile::Transfer(CTskDataFile* source, CTskDataFile* target, bool report) {
    auto* from = dynamic_cast<CTskLocalFile*>(source);
    auto* to = dynamic_cast<CTskLocalFile*>(target);
    if (!from || !to) return CTskDataFile::Transfer(source, target, report);
    if (from->IsFolderEntry()) return true;
    std::string error;
    if (!platform::CopyFileReplacing(from->m_Path.GetPath(), to->m_Path.GetPath(), &error)) {
        // A copy that failed leaves the target as it was; it is an error of
        // the job all the same.
        return ReportError(ERROR_COPY, from, "Copy file " + from->m_Path.GetFileName() + " (" + error + ")");
    }
    Job().AddProcessedBytes(static_cast<int64_t>(from->Length()));
    return true;
}

uint64_t CTskLocalFile::GetModifiedTime() {
    if (m_Path.LastWriteTime() != 0) return m_Path.LastWriteTime();
    platform::FileStatus status;
    return platform::GetFileStatus(m_Path.GetPath(), status) ? status.lastWriteTime : 0;
}

bool CTskLocalFile::SetModifiedTime(uint64_t fileTime) {
    std::string error;
    if (platform::SetLastWriteTime(m_Path.GetPath(), fileTime, &error)) return true;
    return SetFileError(error);
}

}  // namespace velmora
