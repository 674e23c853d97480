#include "engine/ftp_source.h"

#include <string_view>

#include "base/format.h"
#include "ftp/ftp_node.h"
#include "ftp/remote_session.h"
#include "messaging/log_status.h"
#include "messaging/msg.h"
#include "messaging/msg_box.h"
#include "messaging/msg_commands.h"
#include "messaging/msg_send.h"
#include "platform/clock.h"

namespace velmora {
namespace {

bool IsServerRoot(const CFtpPath& path) { return path.IsFtpRoot() && path.GetFileName(true).empty(); }

}  // namespace

CFtpSource::CFtpSource(const CTskItem& item) : CSource(item) {}

CFtpSource::CFtpSource(const CTskItem& item, const CFtpPathList& paths) : CFtpSource(item) { AddPaths(paths); }

// The data files' streams must end before the client's connection does.
CFtpSource::~CFtpSource() { Close(); }

bool CFtpSource::Login(CFtpLoginInfo info) {
    const CJobSettings& settings = Job().Settings();
    AskPassword(info);
    auto options = m_client.GetSessionOptions();
    options.lowSpeedBytes = settings.m_lowSpeed.bytesPerSecond;
    options.lowSpeedSeconds = settings.m_lowSpeed.seconds;
    options.machineListing = settings.m_bMachineListing;
    // Whichever thread of the job waits on the server hears its cancel.
    options.cancelled = [] { return CJobState::Current().IsAborted(); };
    m_client.SetSessionOptions(options);
    info.SetRetries(settings.Attempts());
    info.SetRetryDelay(settings.m_nRetryDelayMs);
    for (int attempt = 1;; ++attempt) {
        info.SetCurAttempt(attempt);
        if (m_client.Login(info)) {
            m_login = info;
            return true;
        }
        if (!IsTransient(m_client.GetLoginError()) ||
            !Job().RetryLater(attempt, Format("cannot connect to %s:%d (%s)", info.GetHost().c_str(), info.GetPort(),
                                              m_client.GetStrError().c_str())))
            return false;
    }
}

CRemoteSession* CFtpSource::Reconnect(std::string& error) {
    CRemoteSession* session = m_client.GetSession();
    // Asked at once, whenever it last heard from the server.
    if (session && session->KeepAlive(0)) return session;
    LogText(LOG_STATUS, "Reconnect:", m_login.GetHost());
    m_client.Logoff();
    if (Login(m_login)) return m_client.GetSession();
    error = m_client.GetStrError();
    return nullptr;
}

std::unique_ptr<CSource> CFtpSource::OpenSession(std::string& error) const { return SessionMaker()(error); }

CTskFtpFile::TSessions CFtpSource::SessionMaker() const {
    return [item = m_item, options = m_client.GetSessionOptions(), login = m_login,
            made = m_pMadeFolders](std::string& error) -> std::unique_ptr<CSource> {
        auto session = std::make_unique<CFtpSource>(item);
        session->m_client.SetSessionOptions(options);
        CFtpLoginInfo info = login;
        info.SetRetries(1);
        info.SetCurAttempt(1);
        if (session->m_client.Login(info)) {
            session->m_login = login;
            session->m_pMadeFolders = made;
            return session;
        }
        error = session->m_client.GetStrError();
        return nullptr;
    };
}

void CFtpSource::Adopt(CTskDataFile* file) {
    if (auto* remote = dynamic_cast<CTskFtpFile*>(file)) Attach(remote);
}

CTskDataFile* CFtpSource::Attach(CTskFtpFile* file) {
    file->SetSession(m_client.GetSession());
    file->SetReconnect([this](std::string& error) { return Reconnect(error); });
    file->SetPartSessions([this] { return SessionMaker(); });
    return file;
}

bool CFtpSource::Scan() {
    const CFtpLoginInfo info = m_item.GetSrcFtpLoginInfo();
    if (!Login(info)) {
        ReportError(ERROR_FTP, m_client.GetStrError());
        m_client.Logoff();
        return false;
    }
    const bool firstScan = !m_bPathsRead;
    m_bPathsRead = true;
    if (IsEmpty()) return ScanTree(info);
    if (firstScan) ReadPaths();
    return true;
}

void CFtpSource::ReadPaths() {
    ExpandFolders();
    CountTotals();
}

std::unique_ptr<CFtpNode> CFtpSource::OpenRemoteRoot(CFtpLoginInfo info, const CFtpPath& folder) {
    info.SetFtpPath(folder);
    std::unique_ptr<CFtpNode> tree(CFtpNode::CreateRoot(m_client.GetSession(), info, false));
    if (!IsServerRoot(folder) && IsServerRoot(tree->GetPath())) return nullptr;
    return tree;
}

bool CFtpSource::ScanTree(const CFtpLoginInfo& info) {
    const CFtpPath root = SourceRoot();
    CReportScope step(EReportLevel::Step, "Gathering Ftp info", info.GetHost());
    std::unique_ptr<CFtpNode> tree = OpenRemoteRoot(info, root);
    if (!tree) {
        step.Abandon();
        return ReportError(ERROR_CONNECT, "Source does not exists");
    }
    if (tree->IsCatalog()) ListingStarts();
    if (!LoadWhole(*tree, &m_filter, !IsMirror())) {
        step.Abandon();
        return false;
    }
    step.SetClosingText(Format(", Found %d elements", tree->GetNodeCount()));
    step.Close();
    AddTree(std::move(tree));
    CountTotals();
    return true;
}

CFtpPath CFtpSource::TargetFolder() const {
    // A mirror fills the very folder it was given.
    if (IsMirror()) return CFtpPath(TargetRoot().GetPath(), PATH_FOLDER);
    // Files always keep their own name on a server.
    CFtpPath folder = TargetRoot();
    folder.SetFileName("");
    folder.SetExt("");
    return folder;
}

std::unique_ptr<CMFCObjNode> CFtpSource::LoadTargetTree(const CFileFilter& filter) {
    const CFtpPath folder = TargetFolder();
    std::unique_ptr<CFtpNode> tree = OpenRemoteRoot(m_item.GetDstFtpLoginInfo(), folder);
    if (!tree) {
        // Not there yet: an empty folder to fill.
        auto empty = std::make_unique<CMFCObjNode>("ROOT", 0);
        empty->GetPath() = folder;
        empty->SetCatalog(true);
        return empty;
    }
    LoadWhole(*tree, &filter, false);
    return tree;
}

bool CFtpSource::TargetFileSize(const std::string& path, uint64_t& size) {
    CRemoteSession* session = m_client.GetSession();
    CRemoteFacts facts;
    if (!session || !session->GetFactsOnly(path, FactSize, facts) || !facts.size) return false;
    size = *facts.size;
    return true;
}

bool CFtpSource::DeleteTargetEntry(const CFtpPath& path, bool folder, std::string& error) {
    CRemoteSession* session = m_client.GetSession();
    if (!session) {
        error = "Ftp connection is missing";
        return false;
    }
    const std::string remote = path.GetFtpPath();
    if (folder ? session->RemoveFolder(remote) : session->DeleteFile(remote)) return true;
    error = session->GetLastError();
    return false;
}

// A walk the job's abort ended is the user's doing, and ends the job too.
// One past the job's budget ends it as well, and keeps nothing of the tree:
// a server that offers more than the job may hold is not half copied.
bool CFtpSource::LoadWhole(CFtpNode& tree, const CFileFilter* filter, bool copied) {
    const auto aborted = [] { return Job().IsAborted(); };
    const auto again = [](int attempt, const std::string& reason) {
        return Job().RetryLater(attempt, "listing of " + reason + " refused for now");
    };
    CWalkBudget& budget = Job().WalkBudget();
    if (tree.Load(m_client.GetSession(), filter, aborted, again, &budget, copied)) return true;
    const std::string folder = tree.GetPath().GetPath();
    if (budget.IsSpent()) {
        tree.RemoveAndDestroyAllChild();
        ReportError(ERROR_FTP, budget.Why() + " below " + folder);
        return false;
    }
    if (aborted()) {
        ReportError(ERROR_ABORTED, "Listing stopped in " + folder);
    } else {
        ReportError(ERROR_READ, "Cannot list every folder below " + folder);
    }
    return true;
}

std::unique_ptr<CMFCObjNode> CFtpSource::LoadFolderTree(const CFtpPath& folder, const CFileFilter* filter) {
    auto root = std::make_unique<CFtpNode>(m_client.GetSession());
    CFtpPath path(folder.GetPath(), PATH_FOLDER);
    path.SetStatusBlock(folder.GetStatusBlock());
    root->GetPath() = path;
    root->SetName(path.GetFtpDir(false));
    root->SetCatalog(true);
    root->SetNodeType(CFtpNode::NODE_UNLISTED);
    LoadWhole(*root, filter, !IsMirror());
    return root;
}

bool CFtpSource::OpenTarget() {
    if (Login(m_item.GetDstFtpLoginInfo())) return true;
    // A destination that cannot be reached fails the transfer: it is an
    // error of the job, not a quiet "nothing done".
    ReportError(ERROR_FTP, m_client.GetStrError());
    m_client.Logoff();
    return false;
}

CTskDataFile* CFtpSource::CreateDataFile(const CFtpPath& path) {
    return Attach(new CTskFtpFile(path, nullptr));
}

CTskDataFile* CFtpSource::MakeTargetFile(const CTskDataFile& sourceFile) {
    m_pTarget.reset();
    const CFtpPath root = Job().Settings().m_bNamedTarget ? TargetRoot() : TargetFolder();
    CFtpPath target;
    if (!MakeTargetPath(sourceFile, root, target)) return nullptr;
    // A line end in a name would end the command that carries it.
    if (target.GetPath().find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) {
        ReportError(ERROR_COPY, "Name not supported by FTP (line end): " + sourceFile.GetPath().GetPath());
        return nullptr;
    }
    // A mirror replaces what changed; a copy may be given a new name.
    int32_t choice = TARGET_AS_BEFORE;
    if (!sourceFile.IsFolderEntry() && !IsMirror()) {
        choice = AskForName(sourceFile.GetPath(), target);
        if (choice == TARGET_SKIP) return SkipTarget();
        if (choice == TARGET_FAIL) {
            ReportError(ERROR_COPY, "No free name for " + target.GetPath());
            return nullptr;
        }
        if (!IsInside(target, root)) {
            ReportError(ERROR_COPY, "Target is outside the destination: " + target.GetPath());
            return nullptr;
        }
    }
    auto* file = new CTskFtpFile(target, nullptr);
    file->SetMadeFolders(m_pMadeFolders.get());
    return SetTarget(Attach(file), choice);
}

// The provider of unique names knows the names taken in the target folder.
// A taken name it does not settle itself is put to the program's question
// (outside the provider, which may not wait for it); a rename is then its part.
int32_t CFtpSource::AskForName(const CFtpPath& source, CFtpPath& target) {
    const int32_t answer = AskUniqueName(source, target, false);
    if (answer != TARGET_ASK) return answer;
    const int32_t choice = AskTargetQuestion(source, target, true);
    if (choice == TARGET_OVERWRITE || choice == TARGET_SKIP || choice == TARGET_RESUME) return choice;
    AskUniqueName(source, target, true);
    return TARGET_RENAME;
}

int32_t CFtpSource::AskUniqueName(const CFtpPath& source, CFtpPath& target, bool rename) {
    const CJobProviders::UniqueName& provider = Job().Settings().m_providers.uniqueName;
    if (provider) {
        const auto lock = Job().ProviderLock(EJobProvider::UniqueName);
        return provider(source, target, rename);
    }
    // The program's own provider, when it has one, answers on the message box.
    CMsg request(MSG_UNIQUE_NAME, rename ? 1 : 0, 0, &source, 0);
    request.RefObject(&target);
    CMsgBox::Box().SendTo(kUniqueNameProviderId, request);
    return request.Result();
}

void CFtpSource::AskPassword(CFtpLoginInfo& info) {
    const CJobProviders::Password& provider = Job().Settings().m_providers.password;
    if (!provider || !info.GetPassword().empty()) return;
    std::string password;
    const auto lock = Job().ProviderLock(EJobProvider::Password);
    if (provider(info, password)) info.SetPassword(password);
}

CExistingTarget CFtpSource::ExistingTarget(const CTskDataFile& target) {
    if (m_pMadeFolders->Contains(target.GetPath().GetFtpDir(true))) return {};
    CRemoteSession* session = m_client.GetSession();
    CRemoteFacts facts;
    if (!session || !session->GetFactsOnly(target.GetPath().GetPath(), FactSize | FactTime, facts) || !facts.exists ||
        facts.folder)
        return {};
    return {true, facts.modified, facts.size, session->GetFeatures().setTime};
}

void CFtpSource::Close() {
    CSource::Close();
    m_client.Logoff();
}

}  // namespace velmora
