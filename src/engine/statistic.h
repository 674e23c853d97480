#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "db/db_log_status.h"
#include "engine/job_database.h"
#include "engine/job_state.h"
#include "messaging/listener.h"
#include "messaging/progress_status.h"
#include "objects/obj.h"
#include "paths/file_path.h"
#include "platform/api.h"

namespace velmora {

class CTskDataFile;

// The base of the engine's objects (movers, sources, data files): access to
// the running job (its state, settings and job database), the central error
// handler, and
// the three ways every event is reported: log records (command 13 and the
// log's pending text), progress and transfer statuses (command 14), and log
// entries in the job database when there is one.
//
// Hearing the cancel message is a choice, not a consequence of being a
// CStatistic: the abort flag is job-wide, so one listening object per job
// or pair (the mover, the sources) is enough, and the data files, which
// exist once per file, never subscribe (a broadcast would otherwise call
// every one of them). Such an object calls Listen.
class VELMORA_API CStatistic : public CObj, public CListener {
public:
    CStatistic();
    // A copy does not listen.
    CStatistic(const CStatistic& other);
    CStatistic& operator=(const CStatistic& other);
    ~CStatistic() override;

    CObj* CreateObject() const override { return new CStatistic(); }

    // Subscribes to the message box, until the object goes, under the
    // decimal text of a process-wide counter, which each subscription
    // increments first. What subscribes is a small listener of the object's
    // own that sets or clears the abort flag of `job` (the calling thread's
    // job when null) as OnMsg does, and touches nothing else: it is whole
    // for as long as it is in the box, so a broadcast on another thread
    // never meets an engine object half built or half destroyed.
    void Listen(CJobState* job = nullptr);
    // A cancel request (command 15) with Argc 1 sets the job's abort flag;
    // with any other Argc it clears it.
    void OnMsg(CMsg& msg) override;

    // The job's last error message.
    virtual std::string GetStrError() const { return Job().m_strLastError; }

    // The job of the calling thread (CJobState::Current).
    static CJobState& Job() { return CJobState::Current(); }
    static void ResetJob() { Job().Reset(); }
    static bool ContinueCheck() { return Job().ContinueCheck(); }
    static CJobDatabase* GetDatabase() { return Job().Database(); }

    // The error handler: counts the error, makes "<category text>:  <text>"
    // the job's last error message (and its first, with the file, when it
    // had none), sends and logs an Error record and writes a FAIL entry to
    // the job database. Answers false, so that a failure path can return it.
    bool ReportError(int32_t category, const CTskDataFile* file, const std::string& text);
    // The same, with the locations the database entry names; `file` is the
    // file the error happened to, when it happened to one.
    static bool ReportErrorAt(int32_t category, const std::string& text, const std::string& from, const std::string& to,
                              const std::string& file = std::string());

    // Log records: sent as command 13 and added to the log's pending text,
    // indented by the current nesting depth.
    static void LogText(int32_t kind, const std::string& action, const std::string& text,
                        const std::string& service = "Sys");
    static void LogPath(int32_t kind, const std::string& action, const CFtpPath& path);
    // A job database entry with the job's current action; true without a database.
    static bool ReportTrans(tagDBLogStatus status, const std::string& from, const std::string& to,
                            const std::string& detail = std::string());

    // A file went from `source` to `target`: the processed count grows, a
    // transfer status for the pair and an OK record are sent, and an OK
    // entry is written.
    static void ReportTransferred(const CFtpPath& source, const CFtpPath& target);
    // An operation on a text (a deleted file) was done.
    static void ReportTextDone(const std::string& text);
    // A file was left out by the filter.
    static void ReportSkipped(const CFtpPath& path);
    // The same for an entry that has no path of its own (an unsafe name).
    static void ReportSkippedText(const std::string& text);
    // "Errors: %d, Skipped: %d, Processed: %d, Total: %d", a Status record of "TR:".
    static void LogStatistics();

    // Progress: a CProgressStatus with the job's total and processed bytes,
    // start time and total items, sent as a transfer status (command 14).
    static void SendProgress(CProgressStatus progress);
    static void SendProgress(int32_t unit, int32_t subCmd, int64_t argc = 0, int64_t argv = 0);
    static void SendProgress(int32_t unit, int32_t subCmd, int64_t argc, const std::string& argv);
    static void SendProgressCaption(int32_t unit, const std::string& caption);

private:
    class CEar;
    std::unique_ptr<CEar> m_pEar;
};

// The levels of the bracketed reports: a job (RunJob/EndJob, Begin Job/End
// Job), an item's operation (Begin/End, Begin Trans/End Trans) and a step
// (Start/Done, Start Op/End Op).
enum class EReportLevel { Job, Item, Step };

// Brackets an operation for the lifetime of the object: the opening record
// (service "Sys", the label as action, the detail as text) and database
// entry when made, one level deeper nesting meanwhile, and the closing
// record and entry when destroyed, after which the log is flushed.
class VELMORA_API CReportScope {
public:
    CReportScope(EReportLevel level, const std::string& label, const std::string& detail);
    ~CReportScope();
    CReportScope(const CReportScope&) = delete;
    CReportScope& operator=(const CReportScope&) = delete;

    // The closing record and entry show this text instead of the detail.
    void SetClosingText(const std::string& text) { m_strClosing = text; }
    // Closes now (nothing happens later).
    void Close();
    // Ends the nesting without a closing record: the operation did not
    // complete, and its failure was reported on its own.
    void Abandon();

private:
    EReportLevel m_level;
    std::string m_strLabel;
    std::string m_strDetail;
    std::string m_strClosing;
    bool m_bOpen = true;
};

}  // namespace velmora
