#pragma once

#include <exception>
#include <string>

#include "platform/api.h"

namespace velmora {

// The error the archive writer raises. Codes 1 to 30 (and other values the
// system reports) are system error numbers; 100 and up are the archive's own
// conditions; 500 to 507 are zlib results (501 minus the result).
class VELMORA_API CZipException : public std::exception {
public:
    enum : int {
        GenericError = 100,
        BadArchive = 101,
        CrcMismatch = 102,
        NoSpanningCallback = 103,
        DiskChangeAborted = 104,
        ActionAborted = 105,
        ActionAbortedSafely = 106,
        NonRemovableDevice = 107,
        VolumeLimit = 108,
        NameTooLong = 109,
        WrongPassword = 110,
        DirectoryWithData = 111,
        InternalError = 112,
        RemoveFailed = 113,
        RenameFailed = 114,
        PlatformNotSupported = 115,
        CentralDirectoryMissing = 116,
        ZlibStreamEnd = 500,
        ZlibErrno = 502,
        ZlibStreamError = 503,
        ZlibDataError = 504,
        ZlibMemoryError = 505,
        ZlibBufferError = 506,
        ZlibVersionError = 507,
    };

    explicit CZipException(int code = GenericError, std::string fileName = {});

    // The exception for a failed call of the C library: the code is the
    // current errno, kept apart from the archive's own codes.
    static CZipException FromErrno(const std::string& fileName);
    // The exception for a zlib result other than success.
    static CZipException FromZlib(int result);

    int GetCode() const { return m_code; }
    const std::string& GetFileName() const { return m_fileName; }

    // The code's text, followed by " (file name)" when the exception carries
    // one. With `plainText`, codes outside the table read "Unknown error"
    // instead of the system's description.
    std::string GetErrorDescription(bool plainText = false) const;
    static std::string GetCodeDescription(int code, bool plainText = false);

    const char* what() const noexcept override { return m_what.c_str(); }

private:
    int m_code;
    int m_systemError;  // errno when the exception was made, for ZlibErrno
    std::string m_fileName;
    std::string m_what;
};

}  // namespace velmora
