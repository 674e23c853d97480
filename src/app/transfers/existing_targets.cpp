#include "app/transfers/existing_targets.h"

#include <optional>

#include "app/common/app_settings.h"
#include "app/common/window_thread.h"
#include "app/transfers/prompter.h"
#include "app/transfers/transfer_queue.h"
#include "app/transfers/transfer_thread.h"
#include "base/format.h"
#include "engine/file_parts.h"
#include "engine/source_stamp.h"
#include "messaging/msg.h"
#include "messaging/msg_box.h"
#include "messaging/msg_commands.h"
#include "paths/file_path.h"
#include "platform/file_stream.h"

namespace parcelo {

using velmora::CFtpPath;

CExistingTargets::CExistingTargets(CAppSettings& settings, IPrompter& prompter, QObject* parent)
    : QObject(parent), m_settings(settings), m_prompter(prompter) {
    StartJob();
    velmora::CMsgBox::Box().Subscribe(kListenerName, this);
    SetQuestion(
        [this](const CFtpPath& source, CFtpPath& target, bool remote) { return Answer(source, target, remote); });
}

CExistingTargets::~CExistingTargets() {
    SetQuestion({});
    velmora::CMsgBox::Box().Unsubscribe(this);
}

void CExistingTargets::SetQuestion(velmora::CJobProviders::TargetQuestion question) {
    velmora::CJobSettings defaults = CTransferThread::GetJobDefaults();
    defaults.m_providers.targetQuestion = std::move(question);
    CTransferThread::SetJobDefaults(defaults);
}

void CExistingTargets::SetRemoteLookup(RemoteLookup lookup) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_remoteLookup = std::move(lookup);
}

ETargetAnswer CExistingTargets::ParseAnswer(const std::string& text) {
    if (text == "Overwrite") return ETargetAnswer::Overwrite;
    if (text == "OverwriteIfNewer") return ETargetAnswer::OverwriteIfNewer;
    if (text == "Resume") return ETargetAnswer::Resume;
    if (text == "Rename") return ETargetAnswer::Rename;
    if (text == "Skip") return ETargetAnswer::Skip;
    return ETargetAnswer::Ask;
}

void CExistingTargets::StartJob(const velmora::CFtpLoginInfo& login) {
    const ETargetAnswer fallback = ParseAnswer(m_settings.GetExistingTarget());
    std::lock_guard<std::mutex> lock(m_mutex);
    m_default = fallback;
    m_forAll.reset();
    m_jobLogin = login;
}

void CExistingTargets::Follow(CTransferQueue& queue) {
    connect(&queue, &CTransferQueue::JobStarted, this, [this, &queue](int) {
        const CTransferEntry* running = queue.GetRunningEntry();
        StartJob(running != nullptr ? running->request.GetLoginInfo() : velmora::CFtpLoginInfo());
    });
}

// A question left open by a cancel counts as dismissed.
void CExistingTargets::OnMsg(velmora::CMsg& msg) {
    if (msg.Cmd() != velmora::MSG_CANCEL || msg.Argc() != 1) return;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bAnswered = true;
    m_answer.reset();
    m_answered.notify_all();
}

int32_t CExistingTargets::Answer(const CFtpPath& source, CFtpPath& target, bool remote) {
    const int32_t choice = Decide(MakeQuestion(source, target, remote));
    if (!remote && choice == velmora::TARGET_RENAME) MakeLocalNameFree(target);
    return choice;
}

CTargetQuestion CExistingTargets::MakeQuestion(const CFtpPath& source, const CFtpPath& target, bool upload) {
    RemoteLookup lookup;
    velmora::CFtpLoginInfo login;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        lookup = m_remoteLookup;
        login = m_jobLogin;
    }
    const auto listed = [&lookup](const CFtpPath& path) {
        return lookup ? lookup(path) : std::optional<CFtpPath>();
    };
    CTargetQuestion question;
    question.target = target.GetPath();
    question.upload = upload;
    CFtpPath from(source);
    CFtpPath existing(target);
    if (upload) {
        from.ReadStatus();
        question.sourceSize = from.Length();
        existing = listed(target).value_or(target);
        question.partialOfSource = IsPartialOf(login, from, target);
    } else {
        existing.ReadStatus();
        // Files named without a listing carry no size: the listing may know it.
        if (from.Length() > 0) {
            question.sourceSize = from.Length();
        } else if (const std::optional<CFtpPath> known = listed(source)) {
            from = *known;
            question.sourceSize = from.Length();
        }
        question.partialOfSource = IsPartialDownloadOf(login, source, target);
    }
    question.targetSize = existing.Length();
    question.sourceTime = from.LastWriteTime();
    question.targetTime = existing.LastWriteTime();
    return question;
}

// The server file's partial record names the place of the source it was
// taken from; the engine then checks its size and time as it continues.
bool CExistingTargets::IsPartialOf(const velmora::CFtpLoginInfo& login, const CFtpPath& source,
                                   const CFtpPath& target) {
    if (login.GetHost().empty()) return false;
    velmora::CSourceStamp stamp;
    const std::string name = velmora::UploadStampName(login.GetHost(), static_cast<uint16_t>(login.GetPort()),
                                                      target.GetFtpDir(true) + target.GetFileName(true));
    return velmora::ReadUploadStamp(name, stamp) && stamp.place == velmora::CSourceStamp::PlaceOf(source.GetPath());
}

bool CExistingTargets::IsPartialDownloadOf(const velmora::CFtpLoginInfo& login, const CFtpPath& source,
                                           const CFtpPath& target) {
    std::string note;
    if (login.GetHost().empty() || !velmora::platform::ReadPartialNote(target.GetPath(), note)) return false;
    const std::optional<velmora::CSourceStamp> stamp = velmora::ParsePartialNote(note).stamp;
    const std::string place = velmora::Format("ftp://%s:%u%s", login.GetHost().c_str(),
                                              static_cast<unsigned>(login.GetPort()), source.GetFtpPath().c_str());
    return stamp && stamp->place == velmora::CSourceStamp::PlaceOf(place);
}

int32_t CExistingTargets::Decide(const CTargetQuestion& question) {
    std::optional<ETargetAnswer> answer;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        answer = m_forAll ? m_forAll : m_default != ETargetAnswer::Ask ? std::optional(m_default) : std::nullopt;
    }
    if (!answer) answer = Ask(question);
    switch (answer.value_or(question.upload ? ETargetAnswer::Rename : ETargetAnswer::Skip)) {
        case ETargetAnswer::Overwrite:
            return velmora::TARGET_OVERWRITE;
        case ETargetAnswer::OverwriteIfNewer:
            return question.sourceTime > question.targetTime ? velmora::TARGET_OVERWRITE : velmora::TARGET_SKIP;
        case ETargetAnswer::Resume:
            return question.CanResume() ? velmora::TARGET_RESUME : velmora::TARGET_SKIP;
        case ETargetAnswer::Rename:
            return velmora::TARGET_RENAME;
        default:
            return velmora::TARGET_SKIP;
    }
}

std::optional<ETargetAnswer> CExistingTargets::Ask(const CTargetQuestion& question) {
    if (IsWindowThread(this)) return AskHere(question);
    std::unique_lock<std::mutex> lock(m_mutex);
    const int asked = ++m_nQuestion;
    m_bAnswered = false;
    PostToWindowThread(this, [this, question, asked] {
        std::optional<ETargetAnswer> answer = AskHere(question);
        std::lock_guard<std::mutex> done(m_mutex);
        if (asked != m_nQuestion || m_bAnswered) return;
        m_bAnswered = true;
        m_answer = answer;
        m_answered.notify_all();
    });
    m_answered.wait(lock, [this] { return m_bAnswered; });
    return m_answer;
}

std::optional<ETargetAnswer> CExistingTargets::AskHere(const CTargetQuestion& question) {
    ETargetAnswer answer = ETargetAnswer::Ask;
    bool forAll = false;
    // No window of its own: the question opens over the one the user is in.
    if (!m_prompter.AskExistingTarget(nullptr, question, answer, forAll) || answer == ETargetAnswer::Ask) {
        return std::nullopt;
    }
    if (forAll) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_forAll = answer;
    }
    return answer;
}

// "name(1).ext", "name(2).ext"... the first that is free in the folder.
void CExistingTargets::MakeLocalNameFree(CFtpPath& target) {
    const std::string name = target.GetFileName(false);
    const std::string ext = target.GetExt();
    CFtpPath candidate(target);
    for (int number = 1; velmora::CFilePath::IsExistsFile(candidate.GetPath()); ++number) {
        candidate.SetFileName(velmora::Format("%s(%d)", name.c_str(), number));
        candidate.SetExt(ext);
    }
    target = candidate;
}

}  // namespace parcelo
