#include "engine/file_check.h"

#include <algorithm>

#include "base/digest.h"
#include "base/format.h"
#include "base/text.h"
#include "engine/tsk_data_file.h"
#include "ftp/remote_session.h"
#include "messaging/log_status.h"

namespace velmora {
namespace {

// The server sides of a copy: one, or two for a copy between servers.
std::vector<CTskDataFile*> ServerSides(CTskDataFile& source, CTskDataFile& target) {
    std::vector<CTskDataFile*> sides;
    for (CTskDataFile* side : {&source, &target}) {
        if (side->Server()) sides.push_back(side);
    }
    return sides;
}

// The preferred algorithm every server side offers (empty: none in common).
std::string SharedHash(const std::vector<CTskDataFile*>& sides) {
    return PreferredHash(sides.front()->Server()->GetFeatures().hashes,
                         sides.size() > 1 ? &sides.back()->Server()->GetFeatures().hashes : nullptr);
}

}  // namespace

CFileCheck::CFileCheck(const std::string& algorithm) {
    if (!algorithm.empty() && CDigest::IsKnown(algorithm)) m_digest = std::make_unique<CDigest>(algorithm);
}

CFileCheck::~CFileCheck() = default;

const std::string& CFileCheck::Algorithm() const {
    static const std::string kNone;
    return m_digest ? m_digest->Algorithm() : kNone;
}

uint64_t CFileCheck::Covered() const { return m_digest ? m_digest->Bytes() : 0; }

void CFileCheck::Add(const char* data, size_t size) {
    if (m_digest) m_digest->Update(data, size);
}

void CFileCheck::Restart() {
    if (m_digest) m_digest->Reset();
}

bool CFileCheck::Cover(uint64_t offset, CTskDataFile& source, CTskDataFile& target) {
    if (!m_digest || m_digest->Bytes() == offset) return true;
    m_digest->Reset();
    if (offset == 0) return true;
    for (CTskDataFile* side : {&source, &target}) {
        if (side->HashFirst(offset, *m_digest)) return true;
        m_digest->Reset();
    }
    return false;
}

CFileCheck::EVerdict CFileCheck::Compare(CTskDataFile& source, CTskDataFile& target, std::string& text) {
    const std::string local = m_digest->Hex();
    const std::string& algorithm = m_digest->Algorithm();
    // An empty file has no byte to change, and its length was checked; some
    // servers will not hash one (ProFTPD's check-file).
    if (m_digest->Bytes() == 0) {
        text = local;
        return EVerdict::Verified;
    }
    for (CTskDataFile* side : ServerSides(source, target)) {
        std::string server;
        const bool told = side->ServerDigest(algorithm, server);
        m_compared = std::chrono::steady_clock::now();
        if (!told) {
            text = Format("%s: the server would not hash it (%s)", side->TargetText().c_str(),
                          side->GetFileError().c_str());
            const bool required = CStatistic::Job().Settings().m_eVerify == EVerify::Require;
            return required ? EVerdict::Failed : EVerdict::Unchecked;
        }
        if (!EqualsNoCase(server, local)) {
            text = MismatchText(algorithm, local, server);
            return EVerdict::Mismatch;
        }
    }
    text = local;
    return EVerdict::Verified;
}

void CFileCheck::WaitOutServerCache(const CTskDataFile& target) const {
    if (target.Server()) WaitOutHashCache(m_compared);
}

bool WholeDigest(CTskDataFile& file, const std::string& algorithm, std::string& digest) {
    if (file.Server()) return file.ServerDigest(algorithm, digest);
    CDigest local(algorithm);
    if (!local.IsValid() || !file.HashFirst(file.Length(), local)) return false;
    digest = local.Hex();
    return true;
}

std::optional<bool> SameContent(CTskDataFile& one, CTskDataFile& other) {
    const std::vector<CTskDataFile*> servers = ServerSides(one, other);
    // Two local files are read with the cheapest sure algorithm.
    const std::string algorithm = servers.empty() ? std::string("SHA-256") : SharedHash(servers);
    std::string first;
    std::string second;
    if (!algorithm.empty() && WholeDigest(one, algorithm, first) && WholeDigest(other, algorithm, second))
        return EqualsNoCase(first, second);
    if (CStatistic::Job().FirstNotice("no checksum"))
        CStatistic::LogText(LOG_STATUS, "Not compared:",
                            "files of equal size are told apart by their times: " +
                                (algorithm.empty() ? std::string("the servers offer no hash in common")
                                                   : other.TargetText() + " could not be hashed"));
    return std::nullopt;
}

bool ChooseCheck(CTskDataFile& source, CTskDataFile& target, std::string& algorithm, std::string& error) {
    algorithm.clear();
    const EVerify verify = CStatistic::Job().Settings().m_eVerify;
    const std::vector<CTskDataFile*> sides = ServerSides(source, target);
    if (verify == EVerify::Off || sides.empty()) return true;
    algorithm = SharedHash(sides);
    if (!algorithm.empty()) return true;
    std::string names;
    for (const CTskDataFile* side : sides) {
        if (!names.empty()) names += " and ";
        names += ServerText(*side->Server());
    }
    const std::string lack = sides.size() > 1 ? names + " offer no hash in common" : names + " offers no hash";
    if (verify == EVerify::Require) {
        error = CheckFailureText(ECheckVerdict::Failed, source.SourceText() + ": " + lack);
        return false;
    }
    if (CStatistic::Job().FirstNotice("no hash " + names))
        CStatistic::LogText(LOG_STATUS, "Not verified:", lack + ": its files are checked by their length only");
    return true;
}

}  // namespace velmora
