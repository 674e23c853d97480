#include "paths/file_rec_find.h"

#include "paths/file_path.h"

namespace velmora {

CFileRecFind::~CFileRecFind() = default;

uint64_t CFileRecFind::GetLength() const { return m_pPath ? m_pPath->Length() : 0; }

std::string CFileRecFind::GetFileName() const { return m_pPath ? m_pPath->GetFileName(true) : std::string(); }

std::string CFileRecFind::GetFilePath() const { return m_pPath ? m_pPath->GetPath() : std::string(); }

std::string CFileRecFind::GetFileURL() const { return GetFilePath(); }

std::string CFileRecFind::GetFileTitle() const { return m_pPath ? m_pPath->GetFileName(false) : std::string(); }

bool CFileRecFind::MatchesMask(uint32_t mask) const { return m_pPath && m_pPath->MatchesMask(mask); }

uint64_t CFileRecFind::GetCreationTime() const { return m_pPath ? m_pPath->CreationTime() : 0; }

uint64_t CFileRecFind::GetLastAccessTime() const { return m_pPath ? m_pPath->LastAccessTime() : 0; }

uint64_t CFileRecFind::GetLastWriteTime() const { return m_pPath ? m_pPath->LastWriteTime() : 0; }

bool CFileRecFind::IsReadOnly() const { return MatchesMask(platform::FileAttrReadOnly); }
bool CFileRecFind::IsHidden() const { return MatchesMask(platform::FileAttrHidden); }
bool CFileRecFind::IsSystem() const { return MatchesMask(platform::FileAttrSystem); }
bool CFileRecFind::IsDirectory() const { return MatchesMask(platform::FileAttrDirectory); }
bool CFileRecFind::IsArchived() const { return MatchesMask(platform::FileAttrArchive); }
bool CFileRecFind::IsNormal() const { return MatchesMask(platform::FileAttrNormal); }
bool CFileRecFind::IsTemporary() const { return MatchesMask(platform::FileAttrTemporary); }
bool CFileRecFind::IsCompressed() const { return MatchesMask(platform::FileAttrCompressed); }

}  // namespace velmora
