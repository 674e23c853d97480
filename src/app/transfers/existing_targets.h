#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include <QObject>

#include "engine/job_settings.h"
#include "messaging/listener.h"

#include "ftp/login_info.h"

namespace velmora {
class CFtpPath;
}

namespace parcelo {

class CAppSettings;
class CTransferQueue;
class IPrompter;

// What the user chose for a file whose target exists already.
// Resume continues a target shorter than its source from where it ends.
enum class ETargetAnswer { Ask, Overwrite, OverwriteIfNewer, Resume, Rename, Skip };

// The question put to the user, in words and numbers.
struct CTargetQuestion {
    std::string target;
    bool upload = false;
    // Unknown while neither the listing nor the file system has told it.
    std::optional<uint64_t> sourceSize;
    uint64_t targetSize = 0;
    // File times (100 ns since 1601), 0 when unknown.
    uint64_t sourceTime = 0;
    uint64_t targetTime = 0;
    // The target is what an earlier transfer of this very source left (its
    // partial record says so).
    bool partialOfSource = false;

    // The target may be the start of the source. An upload continues only
    // the part its record says is ours, shorter than the source: a file on
    // the server that another source left is never appended to. A download
    // continues a local file shorter than a source of known size, or, while
    // the size is not known yet, its own partial file (whose record the
    // engine checks against the source as it continues).
    bool CanResume() const {
        if (upload) return partialOfSource && sourceSize && targetSize < *sourceSize;
        return sourceSize ? targetSize < *sourceSize : partialOfSource;
    }
};

// Decides, for a transfer, what happens to a file whose target exists: the
// answer the user gave "for all in this job", else the default of the
// settings ("ExistingTarget"), else the user's answer to the question.
// Resume applies to a target that CanResume; any other is skipped. The
// question is asked on the window thread while the transfer thread waits;
// a cancel ends the wait as a dismissed question. A dismissed question never
// overwrites: an upload gets a free name, as it always did, and a download
// is skipped.
//
// It is the transfers' question for existing targets while it lives (in the
// job defaults); what is known of a remote target comes from the browser
// (SetRemoteLookup).
class CExistingTargets : public QObject, public velmora::CListener {
    Q_OBJECT

public:
    static constexpr const char* kListenerName = "CExistingTargets";

    CExistingTargets(CAppSettings& settings, IPrompter& prompter, QObject* parent = nullptr);
    ~CExistingTargets() override;

    // Hears cancels, which end a question's wait.
    void OnMsg(velmora::CMsg& msg) override;

    // What the listing says of a remote file (its size and date), by path;
    // nothing when it is not listed.
    using RemoteLookup = std::function<std::optional<velmora::CFtpPath>(const velmora::CFtpPath& path)>;
    void SetRemoteLookup(RemoteLookup lookup);

    // A new job begins (window thread), with the connection it transfers
    // over: its own "for all" answer, and the default read again.
    void StartJob(const velmora::CFtpLoginInfo& login = {});
    // Each job the queue starts begins a job here.
    void Follow(CTransferQueue& queue);
    // The question about a file whose target exists, with what is known of
    // both: the source, the target and (for an upload) the partial record.
    CTargetQuestion MakeQuestion(const velmora::CFtpPath& source, const velmora::CFtpPath& target, bool upload);
    // The choice for the file (a velmora::TargetChoice): overwrite, skip,
    // resume or rename (a download's rename is done by the caller, an
    // upload's by the name provider).
    int32_t Decide(const CTargetQuestion& question);

    // A setting's text and back; unknown texts read as Ask.
    static ETargetAnswer ParseAnswer(const std::string& text);

private:
    // The engine's question (any thread but the window's).
    int32_t Answer(const velmora::CFtpPath& source, velmora::CFtpPath& target, bool remote);
    // The user's answer, asked on the window thread; nothing when dismissed.
    std::optional<ETargetAnswer> Ask(const CTargetQuestion& question);
    std::optional<ETargetAnswer> AskHere(const CTargetQuestion& question);
    static void MakeLocalNameFree(velmora::CFtpPath& target);
    // Puts the question into the transfers' job defaults (empty: none).
    static void SetQuestion(velmora::CJobProviders::TargetQuestion question);
    static bool IsPartialOf(const velmora::CFtpLoginInfo& login, const velmora::CFtpPath& source,
                            const velmora::CFtpPath& target);
    static bool IsPartialDownloadOf(const velmora::CFtpLoginInfo& login, const velmora::CFtpPath& source,
                                    const velmora::CFtpPath& target);

    CAppSettings& m_settings;
    IPrompter& m_prompter;
    std::mutex m_mutex;
    std::condition_variable m_answered;
    ETargetAnswer m_default = ETargetAnswer::Ask;
    std::optional<ETargetAnswer> m_forAll;
    // The question being asked on the window thread.
    int m_nQuestion = 0;
    bool m_bAnswered = false;
    std::optional<ETargetAnswer> m_answer;
    RemoteLookup m_remoteLookup;
    velmora::CFtpLoginInfo m_jobLogin;
};

}  // namespace parcelo
