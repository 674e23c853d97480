#pragma once

#include <cstdint>

// The command numbers of the message bus. Numbers 2 to 8 serve three ways: as
// commands of their own, as the sub-command of a progress message (16), and as
// the notification codes of the older CListeners channel (which adds 0 and 1).
namespace velmora {

enum MessageType : int32_t {
    MSG_STATUS_TEXT = 0,           // CListeners only: a status text
    MSG_ERROR_TEXT = 1,            // CListeners only: an error text
    MSG_PROGRESS_START = 2,        // Argc: a flag, 0 or 1
    MSG_PROGRESS_FINISH = 3,       //
    MSG_PROGRESS_CAPTION = 4,      // Argc: the caption text
    MSG_PROGRESS_STATUS = 5,       // Argc: the status text (as a sub-command of 16)
    MSG_PROGRESS_POS = 6,          // Argc: the position; Argv: a text (as a sub-command of 16)
    MSG_PROGRESS_RANGE = 7,        // Argc: lower bound; Argv: upper bound
    MSG_PROGRESS_CHECK_CANCEL = 8, // a listener sets Result to 1 to ask for cancellation
    MSG_RUN_START = 9,             //
    MSG_RUN_END = 10,              //
    MSG_WAIT = 11,                 // Argc 1: show with Argv as text; Argc 0: hide
    MSG_LOG_RECORD = 13,           // Object: a CLogStatus
    MSG_TRANSFER_STATUS = 14,      // Object: a CTransferStatus
    MSG_CANCEL = 15,               // Argc 1: cancel; anything else: go on
    MSG_PROGRESS = 16,             // SubCmd: 2 to 8; Unit: the progress unit; CProgressStatus
    MSG_UNIQUE_NAME = 17,          // RefObject: the sender's CFtpPath, renamed in place by the receiver
    MSG_APP_PATH = 19,             // RefObject: a path, or none (desktop windows)
    MSG_APP_CONNECTION_NAME = 21,  // Argv: the new display name; Object: a connection
    MSG_APP_CONNECTION_22 = 22,    // Object: a connection (desktop windows)
    MSG_APP_CONNECTION_23 = 23,    // Object: a connection (desktop windows)
};

// What a transfer does with a file's target that exists already (see
// CSource::SetTargetQuestion); also the Result of 17.
enum TargetChoice : int32_t {
    TARGET_AS_BEFORE = 0,  // nobody answered: the transfer's own way (a download replaces
                           // the file, an upload's provider makes the name unique)
    TARGET_OVERWRITE = 1,
    TARGET_RENAME = 2,     // the target gets a free name (a local one is given by the answer)
    TARGET_SKIP = 3,       // the file is not transferred; it counts as skipped
    TARGET_ASK = 4,        // 17 only: the name is taken and nothing was changed; ask, then
                           // send 17 again with Argc 1 for a free name
    TARGET_RESUME = 5,     // the target is continued from where it ends (one shorter than
                           // its source); a target that is not shorter is written afresh
    TARGET_FAIL = 6,       // 17 only: the provider cannot tell which names are free; the file
                           // is an error of the job and nothing is written
};

// The progress units (one progress bar each) of the transfer engine and the
// FTP file.
enum ProgressUnit : int32_t {
    PROGRESS_UNIT_FILE_BYTES = 0,  // bytes of the current file
    PROGRESS_UNIT_FILES = 1,       // files of the running source pair
    PROGRESS_UNIT_ITEMS = 2,       // items of the job
    PROGRESS_UNIT_FTP_FILE = 16,   // a remote file's own transfer
};

// The listener names that senders address with SendTo.
inline constexpr const char* kUniqueNameProviderId = "UNIQUE_NAME_PROVIDER_ID";
inline constexpr const char* kFtpClientListenerName = "CFtpClient";

}  // namespace velmora
