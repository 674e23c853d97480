#include "engine/tsk_local_file.h"

#include <algorithm>
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
        if (!m_pWriter->Truncate(plan.offset, &error)) return SetFileError(error);
        // What parts held beyond the offset is gone: the note keeps the stamp alone.
        const std::optional<CPartialNote> note = ReadNote();
        if (note && note->stamp && !note->parts.empty()) m_pWriter->SetPartialNote(note->stamp->Note());
        return true;
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
    facts.writesInParts = true;
    if (!continuing) return facts;
    facts.held = platform::HeldOfPartial(m_Path.GetPath(), source.length.value_or(0));
    std::optional<CPartialNote> note = ReadNote();
    if (!note) return facts;
    // A note that cannot be read may describe parts with gaps between
    // them: the file's size does not tell what it holds.
    if (!note->stamp) {
        facts.held = 0;
        return facts;
    }
    facts.heldStamp = note->stamp;
    if (!note->parts.empty()) facts.held = std::min(facts.held, WrittenPrefix(note->parts));
    facts.parts = std::move(note->parts);
    return facts;
}

void CTskLocalFile::KeepStamp(const CSourceStamp& stamp) { Writer().SetPartialNote(stamp.Note()); }

std::optional<CSourceStamp> CTskLocalFile::PartialStamp() {
    const std::optional<CPartialNote> note = ReadNote();
    return note ? note->stamp : std::nullopt;
}

std::optional<CPartialNote> CTskLocalFile::ReadNote() const {
    std::string text;
    if (!platform::ReadPartialNote(m_Path.GetPath(), text)) return std::nullopt;
    return ParsePartialNote(text);
}

bool CTskLocalFile::OpenParts(bool keep) {
    std::string error;
    return Writer().OpenPartial(m_Path.GetPath(), keep, &error) || SetFileError(error);
}

bool CTskLocalFile::WriteAt(uint64_t offset, const char* data, size_t size, std::string& error) {
    if (!m_pWriter) {
        error = "File is not open";
        return false;
    }
    return m_pWriter->WriteAt(offset, data, size, &error);
}

bool CTskLocalFile::KeepParts(const CSourceStamp& stamp, const std::vector<CFilePart>& parts) {
    return Writing() && m_pWriter->SetPartialNote(PartsNote(stamp, parts));
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
