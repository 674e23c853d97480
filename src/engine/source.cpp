#include "engine/source.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "base/tokenizer.h"
#include "messaging/log_status.h"
#include "messaging/msg_commands.h"
#include "paths/file_rec_find.h"
#include "platform/file_system.h"

namespace velmora {
namespace {

std::vector<std::string> Levels(std::string_view dir) {
    std::vector<std::string> levels;
    CStringTokenizer tokens(dir);
    for (std::string level = tokens.GetToken("\\/"); !level.empty(); level = tokens.GetToken("\\/")) {
        levels.push_back(level);
    }
    return levels;
}

bool IsDotsName(std::string_view name) { return name == "." || name == ".."; }

}  // namespace

CSource::CSource(const CTskItem& item) : m_item(item), m_filter(item.GetFilter()) {
    m_filter.SetListener(this);
    Listen();
}

CSource::~CSource() { Close(); }

bool CSource::PutFile(CTskDataFile* file) {
    return PutData(file, [](CTskDataFile& source, CTskDataFile& target) {
        return target.CTskDataFile::Transfer(&source, &target, true);
    });
}

bool CSource::PutData(CTskDataFile* file, const CopyStep& copy) {
    if (!file) return false;
    if (IsFolderEntry(file)) {
        // Folders with files come into being with their files.
        return !IsEmptyFolder(*file) || PutFolder(file);
    }
    CTskDataFile* target = MakeTargetFile(*file);
    if (!target && std::exchange(m_bSkipTarget, false)) {
        ReportSkipped(file->GetPath());
        return true;
    }
    // A mirror has compared already: what it puts is new or replaces what changed.
    const EOverwrite policy = Job().Settings().m_eOverwrite;
    const bool rerun = policy == EOverwrite::Rerun && !IsMirror();
    if (target && !IsMirror() && !rerun && NeedsTargetCheck(policy)) {
        const std::string path = target->GetPath().GetPath();
        switch (CheckOverwrite(policy, file->GetPath(), ExistingTarget(*target))) {
            case EOverwriteStep::Skip: ReportSkipped(file->GetPath()); return true;
            case EOverwriteStep::Refuse: return ReportFileError(ERROR_COPY, "File exists: " + path, file, target);
            case EOverwriteStep::Write: break;
        }
    }
    if (!target || !OpenPair(file, target)) return false;
    // Asked with both sides open: the partial record of a server's file is
    // that session's.
    if (rerun) {
        switch (CheckRerunTarget(*file, *target)) {
            case ERerunStep::Unchanged: ReportUnchanged(file->GetPath()); return true;
            case ERerunStep::Refuse:
                return ReportFileError(ERROR_COPY, "File exists: " + target->GetPath().GetPath(), file, target);
            case ERerunStep::Continue: target->SetContinue(true); break;
            case ERerunStep::Write: break;
        }
    }
    if (!copy(*file, *target)) return false;
    // A mirror's next run compares times: they match after this one where
    // the destination can take the source's time.
    if (Job().Settings().m_bPreserveTimes || IsMirror()) KeepModifiedTime(*file, *target);
    ReportTransferred(file->GetPath(), target->GetPath());
    return true;
}

void CSource::KeepModifiedTime(CTskDataFile& source, CTskDataFile& target) {
    const uint64_t time = source.GetModifiedTime();
    if (time == 0 || target.SetModifiedTime(time)) return;
    LogText(LOG_ERROR, "Time not kept:", target.TargetText() + " (" + target.GetFileError() + ")");
}

bool CSource::PutFolder(CTskDataFile* file) {
    CTskDataFile* target = file ? MakeTargetFile(*file) : nullptr;
    return target && target->MakeFolder();
}

void CSource::ListingStarts() {
    if (m_listingStep) std::exchange(m_listingStep, nullptr)();
}

std::unique_ptr<CSource> CSource::OpenSession(std::string& error) const {
    error = "no further sessions";
    return nullptr;
}

ERerunStep CSource::CheckRerunTarget(CTskDataFile& source, CTskDataFile& target) {
    const CSourceFacts facts = source.DescribeSource(false);
    const std::optional<CSourceStamp> held = target.PartialStamp();
    const bool heldOfSource = held && facts.stamp && *held == *facts.stamp;
    CExistingTarget existing = ExistingTarget(target);
    // A job that leaves targets their own times cannot tell an equal file
    // by its time: the size alone says.
    existing.keepsTimes = existing.keepsTimes && Job().Settings().m_bPreserveTimes;
    return CheckRerun(facts.length.value_or(source.Length()), source.GetModifiedTime(), existing, heldOfSource);
}

CExistingTarget CSource::ExistingTarget(const CTskDataFile& target) {
    return LocalTarget(target.GetPath().GetPath());
}

bool CSource::IsEmptyFolder(const CTskDataFile& file) {
    return !file.GetNode() || file.GetNode()->GetChildCount() == 0;
}

void CSource::AddPaths(const CFtpPathList& paths) {
    for (const CFtpPath* path : paths) {
        if (path) AddDataFile(CreateDataFile(*path));
    }
}

void CSource::AddDataFile(CTskDataFile* file) {
    if (file) Add(file);
}

void CSource::AddTree(std::unique_ptr<CMFCObjNode> root) {
    const bool folderTree = root->IsCatalog() || root->GetChildCount() > 0;
    AddDataFile(MakeEntryFile(root->GetPath(), root.get(), folderTree).release());
    m_trees.push_back(std::move(root));
}

std::unique_ptr<CTskDataFile> CSource::MakeEntryFile(const CFtpPath& path, const CMFCObjNode* node, bool folderTree) {
    CFtpPath entry = path;
    if (node && node->IsCatalog()) entry.AddAttr(platform::FileAttrDirectory);
    std::unique_ptr<CTskDataFile> file(CreateDataFile(entry));
    if (file) file->SetNode(node, folderTree);
    return file;
}

void CSource::ExpandFolders() {
    Elements entries;
    entries.swap(m_elements);
    for (CTskDataFile* file : entries) {
        std::unique_ptr<CMFCObjNode> tree;
        const bool loose = file->IsFolderEntry() && !file->GetNode() && !file->GetPath().IsEmpty();
        if (loose) tree = LoadFolderTree(file->GetPath(), &m_filter);
        if (!tree) {
            Add(file);
            continue;
        }
        delete file;
        AddTree(std::move(tree));
    }
}

void CSource::CountTotals() {
    CJobState& job = Job();
    job.m_nTotalBytes = 0;
    job.m_nTotalItems = 0;
    m_nEntries = 0;
    m_nFiles = 0;
    CSourceWalk walk(*this);
    for (std::unique_ptr<CTskDataFile> file = walk.Next(); file; file = walk.Next()) {
        ++m_nEntries;
        // A listing gives folders a size too; only files are bytes to move.
        if (file->IsFolderEntry()) continue;
        ++m_nFiles;
        job.m_nTotalBytes += static_cast<int64_t>(file->Length());
    }
    job.m_nTotalItems = static_cast<int64_t>(m_nEntries);
}

void CSource::Close() {
    // The data files refer to the trees' nodes: they go first.
    m_pTarget.reset();
    RemoveAndDestroy();
    m_trees.clear();
}

bool CSource::OpenPair(CTskDataFile* source, CTskDataFile* target) {
    return source && target && source->OpenRead() && target->OpenWrite();
}

bool CSource::MakeTargetPath(const CTskDataFile& file, const CFtpPath& targetRoot, CFtpPath& target) {
    const CFtpPath root = file.GetRootPath();
    if (root.IsEmpty()) return ReportError(ERROR_CONNECT, "Source root is missing");
    target = targetRoot;
    if (file.IsInFolderTree()) {
        // The root of a mirrored folder is the destination folder itself.
        if (IsMirror() && file.GetNode() && !file.GetNode()->GetParent()) return true;
        // A folder is copied into the destination, not merged with it.
        CFtpPath relative = file.GetPath();
        relative.SubstructDir(root);
        if (!IsMirror()) target.AddFolder(root);
        target.AppendDir(relative.GetDir());
    }
    if (target.GetFileName(true).empty()) {
        // The name as it is: letter case tells files apart on most systems.
        target.SetFileName(file.GetPath().GetFileName(false));
        target.SetExt(file.GetPath().GetExt());
    }
    if (IsInside(target, targetRoot)) return true;
    return ReportError(ERROR_COPY, "Target is outside the destination: " + target.GetPath());
}

bool CSource::IsInside(const CFtpPath& target, const CFtpPath& root) {
    const std::vector<std::string> rootLevels = Levels(root.GetDriveAndDir());
    const std::vector<std::string> levels = Levels(target.GetDriveAndDir());
    if (levels.size() < rootLevels.size() || !std::equal(rootLevels.begin(), rootLevels.end(), levels.begin())) {
        return false;
    }
    for (size_t i = rootLevels.size(); i < levels.size(); ++i) {
        if (IsDotsName(levels[i])) return false;
    }
    const std::string name = target.GetFileName(true);
    return !IsDotsName(name) && name.find_first_of("\\/") == std::string::npos;
}

std::unique_ptr<CMFCObjNode> CSource::LoadTargetTree(const CFileFilter&) { return nullptr; }

bool CSource::DeleteTargetEntry(const CFtpPath&, bool, std::string& error) {
    error = "This destination cannot delete";
    return false;
}

bool CSource::TargetFileSize(const std::string&, uint64_t&) { return false; }

CTskDataFile* CSource::SetTarget(CTskDataFile* target, int32_t choice) {
    m_pTarget.reset(target);
    if (target != nullptr) target->SetContinue(choice == TARGET_RESUME);
    return target;
}

bool CSource::ReportRecord(tagDBLogStatus status, const std::string& from, const std::string& to,
                           const std::string& text) {
    return ReportTrans(status, from, to, text);
}

bool CSource::ReportFiles(tagDBLogStatus status, const CTskDataFile* source, const CTskDataFile* target,
                          const std::string& text) {
    return ReportRecord(status, source ? source->SourceText() : std::string(),
                        target ? target->TargetText() : std::string(), text);
}

bool CSource::ReportException(const std::exception& error) { return ReportError(ERROR_EXCEPTION, error.what()); }

bool CSource::ReportError(int32_t category, const std::string& text) {
    return ReportErrorAt(category, text, SourceRoot().GetPath(), TargetRoot().GetPath());
}

bool CSource::ReportFileError(int32_t category, const std::string& text, const CTskDataFile* source,
                              const CTskDataFile* target) {
    ReportErrorAt(category, text, SourceRoot().GetPath(), TargetRoot().GetPath(),
                  source ? source->SourceText() : std::string());
    ReportFiles(DBLOG_FAIL, source, target, text);
    return false;
}

CTskDataFile* CSource::SkipTarget() {
    m_pTarget.reset();
    m_bSkipTarget = true;
    return nullptr;
}

CSourceWalk::CSourceWalk(CSource& source) : m_source(source), m_next(source.begin()) {}

std::unique_ptr<CTskDataFile> CSourceWalk::Next() {
    for (;;) {
        std::unique_ptr<CTskDataFile> file;
        if (!m_levels.empty()) {
            Level& level = m_levels.back();
            if (level.next == level.end) {
                m_levels.pop_back();
                continue;
            }
            const auto* node = dynamic_cast<const CMFCObjNode*>(*level.next++);
            if (!node) continue;
            file = m_source.MakeEntryFile(node->GetPath(), node, m_bFolderTree);
            Descend(*node);
        } else {
            if (m_next == m_source.end()) return nullptr;
            const CTskDataFile& entry = **m_next++;
            file = m_source.MakeEntryFile(entry.GetPath(), entry.GetNode(), entry.IsInFolderTree());
            m_bFolderTree = entry.IsInFolderTree();
            if (entry.GetNode()) Descend(*entry.GetNode());
        }
        if (file) return file;
    }
}

void CSourceWalk::Descend(const CObjNode& node) {
    const CObjNodeList& children = node.GetChildren();
    m_levels.push_back(Level{children.begin(), children.end()});
}

int32_t CSource::AskTargetQuestion(const CFtpPath& source, CFtpPath& target, bool remote) {
    const CJobProviders::TargetQuestion& question = Job().Settings().m_providers.targetQuestion;
    if (!question) return TARGET_AS_BEFORE;
    // The sessions of a parallel job put their questions one at a time.
    const auto asking = Job().ProviderLock(EJobProvider::TargetQuestion);
    return question(source, target, remote);
}

void CSource::OnSkip(const CFileRecFind& entry) { ReportSkipped(CFtpPath(entry)); }

void CSource::OnRefused(std::string_view path, std::string_view reason) {
    ReportSkippedText(std::string(reason) + ": " + std::string(path));
}

}  // namespace velmora
