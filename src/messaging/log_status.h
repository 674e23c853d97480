#pragma once

#include <cstdint>
#include <string>

#include "objects/obj.h"
#include "paths/file_path.h"
#include "platform/api.h"

namespace velmora {

// The kinds of log records; each has a word that its line shows in capitals.
enum LogKind : int32_t {
    LOG_NONE = 0,
    LOG_RUN_JOB = 1,
    LOG_END_JOB = 2,
    LOG_BEGIN = 3,
    LOG_END = 4,
    LOG_START = 5,
    LOG_DONE = 6,
    LOG_OK = 7,
    LOG_EXCLUDED = 8,
    LOG_SOURCE = 9,
    LOG_DESTINATION = 10,
    LOG_ERROR = 11,
    LOG_STATUS = 12,
    LOG_SYNC = 13,
};

// What a record's line shows after the action: the path, or the text.
enum LogForm : int32_t {
    LOG_FILE_RECORD = 1,
    LOG_TEXT_RECORD = 2,
};

// One log record: a step of the FTP session or the transfer engine.
//
// Making a record (the constructors, or Make after changing fields) takes the
// time now, sets the kind word and builds the line, indented by the current
// nesting depth. Send then broadcasts the record (command 13, a clone as the
// message's object) and adds its line and "\r\n" to the log's pending text;
// the next CLogFile::Flush writes it. The code that writes a Start, Begin or
// RunJob record calls IncDepth afterwards; the code that writes the matching
// closing record calls DecDepth first.
class VELMORA_API CLogStatus : public CObj {
public:
    CLogStatus();
    // A text record.
    CLogStatus(int32_t kind, const std::string& source, const std::string& action, const std::string& text);
    // A file record.
    CLogStatus(int32_t kind, const std::string& source, const std::string& action, const CFtpPath& path);
    CLogStatus(const CLogStatus& other);
    CLogStatus& operator=(const CLogStatus& other);
    ~CLogStatus() override;

    // Makes and sends a record in one step.
    static void Send(int32_t kind, const std::string& source, const std::string& action, const std::string& text);
    static void Send(int32_t kind, const std::string& source, const std::string& action, const CFtpPath& path);

    // The nesting depth that indents record lines. It is the calling
    // thread's: jobs run side by side on threads of their own, and a thread
    // that works for another one's job (a further session) starts at that
    // thread's depth.
    static int GetDepth() { return m_nDepth; }
    static void SetDepth(int depth) { m_nDepth = depth; }
    static void IncDepth() { ++m_nDepth; }
    static void DecDepth() { --m_nDepth; }

    // The kind's word in capitals; "(INT-ERROR)" for a kind outside the table.
    static std::string GetKindWord(int32_t kind);

    void Make();
    void Send() const;

    int32_t GetKind() const { return m_nKind; }
    void SetKind(int32_t kind) { m_nKind = kind; }
    int64_t GetTime() const { return m_tTime; }
    const std::string& GetStrTime() const { return m_strTime; }
    const std::string& GetKindWord() const { return m_strKind; }
    const std::string& GetSource() const { return m_strSource; }
    void SetSource(const std::string& source) { m_strSource = source; }
    const std::string& GetAction() const { return m_strAction; }
    void SetAction(const std::string& action) { m_strAction = action; }
    int32_t GetForm() const { return m_nForm; }
    const CFtpPath& GetPath() const { return m_path; }
    // Makes the record a file record.
    void SetPath(const CFtpPath& path);
    const std::string& GetText() const { return m_strText; }
    // Makes the record a text record.
    void SetText(const std::string& text);
    const std::string& GetLine() const { return m_strLine; }

    CObj* CreateObject() const override;
    void Clear() override;
    void Copy(const CObj& src) override;

private:
    static thread_local int m_nDepth;

    int32_t m_nKind = LOG_NONE;
    int64_t m_tTime = 0;
    std::string m_strTime;
    std::string m_strKind;
    std::string m_strSource;
    std::string m_strAction;
    int32_t m_nForm = LOG_TEXT_RECORD;
    CFtpPath m_path;
    std::string m_strText;
    std::string m_strLine;
};

}  // namespace velmora
