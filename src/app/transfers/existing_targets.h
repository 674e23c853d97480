#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include <QObject>

#include "messaging/listener.h"

namespace velmora {
class CFtpPath;
}

namespace parcelo {

class CAppSettings;
class IPrompter;

// What the user chose for a file whose target exists already.
// Resume continues a target shorter than its source from where it ends.
enum class ETargetAnswer { Ask, Overwrite, OverwriteIfNewer, Resume, Rename, Skip };

// The question put to the user, in words and numbers.
struct CTargetQuestion {
    std::string target;
    bool upload = false;
    uint64_t sourceSize = 0;
    uint64_t targetSize = 0;
    // File times (100 ns since 1601), 0 when unknown.
    uint64_t sourceTime = 0;
    uint64_t targetTime = 0;

    // The target may be the start of the source: shorter than it, or
    // holding something while the source's size is not known yet.
    bool CanResume() const { return sourceSize == 0 ? targetSize > 0 : targetSize < sourceSize; }
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
// It is the engine's question for existing targets while it lives; what is
// known of a remote target comes from the browser (SetRemoteLookup).
class CExistingTargets : public QObject, public velmora::CListener {
    Q_OBJECT

public:
    static constexpr const char* kListenerName = "CExistingTargets";

    CExistingTargets(CAppSettings& settings, IPrompter& prompter, QObject* parent = nullptr);
    ~CExistingTargets() override;

    // Hears cancels, which end a question's wait.
    void OnMsg(velmora::CMsg& msg) override;

    // What is known of a remote file (its listed size and date), by path.
    using RemoteLookup = std::function<velmora::CFtpPath(const velmora::CFtpPath& target)>;
    void SetRemoteLookup(RemoteLookup lookup);

    // A new job begins (window thread): its own "for all" answer, and the
    // default read again.
    void StartJob();
    // The choice for the file (a velmora::TargetChoice): overwrite, skip,
    // or rename, which for a download has already renamed `target` to a free
    // local name and for an upload is left to the caller. `existing` is what
    // is known of the target.
    int32_t Decide(const velmora::CFtpPath& source, velmora::CFtpPath& target, const velmora::CFtpPath& existing,
                   bool upload);

    // A setting's text and back; unknown texts read as Ask.
    static ETargetAnswer ParseAnswer(const std::string& text);

private:
    // The engine's question (any thread but the window's).
    int32_t Answer(const velmora::CFtpPath& source, velmora::CFtpPath& target, bool remote);
    // The user's answer, asked on the window thread; nothing when dismissed.
    std::optional<ETargetAnswer> Ask(const CTargetQuestion& question);
    std::optional<ETargetAnswer> AskHere(const CTargetQuestion& question);
    static void MakeLocalNameFree(velmora::CFtpPath& target);

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
};

}  // namespace parcelo
