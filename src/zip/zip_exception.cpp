#include "zip/zip_exception.h"

#include <cerrno>
#include <cstring>

#include "base/format.h"

namespace velmora {

namespace {

struct CodeText {
    int code;
    const char* text;
};

// System error numbers as the archive writer describes them, then its own
// codes and the zlib results.
constexpr CodeText kCodeTexts[] = {
    {1, "Not super-user"},
    {2, "No such file or directory"},
    {4, "Interrupted system call"},
    {5, "I/O error"},
    {6, "No such device or address"},
    {9, "Bad file number"},
    {12, "Not enough space"},
    {13, "Permission denied"},
    {14, "Bad address"},
    {17, "File exists"},
    {18, "Cross-device link"},
    {19, "No such device"},
    {20, "Not a directory"},
    {21, "Is a directory"},
    {22, "Invalid argument"},
    {23, "File table overflow"},
    {24, "Too many open files"},
    {27, "File too large"},
    {28, "No space left on device"},
    {29, "Illegal seek"},
    {30, "Read-only file system"},
    {CZipException::BadArchive, "Damaged or not a zip file"},
    {CZipException::CrcMismatch, "Crc mismatched"},
    {CZipException::NoSpanningCallback, "No disk-spanning callback functor set"},
    {CZipException::DiskChangeAborted, "Disk change aborted"},
    {CZipException::ActionAborted, "Action aborted"},
    {CZipException::ActionAbortedSafely, "Action aborted safely"},
    {CZipException::NonRemovableDevice,
     "The device selected for the disk spanning archive is non removable"},
    {CZipException::VolumeLimit, "Limit of the maximum volumes reached"},
    {CZipException::NameTooLong, "The filename of the file being added to the archive is too long"},
    {CZipException::WrongPassword, "Incorrect password set for the file being decrypted"},
    {CZipException::DirectoryWithData, "During testing found the directory with the size greater than 0"},
    {CZipException::InternalError, "Internal error"},
    {CZipException::RemoveFailed, "Error while removing a file"},
    {CZipException::RenameFailed, "Error while renaming a file"},
    {CZipException::PlatformNotSupported, "Cannot create the file for the specified platform"},
    {CZipException::CentralDirectoryMissing,
     "The central directory was not found in the archive (or you were trying to open not the last "
     "disk of a multi-disk archive)"},
    {CZipException::ZlibStreamEnd, "Zlib Library error (end of stream)"},
    {CZipException::ZlibStreamError, "Zlib library error (stream error)"},
    {CZipException::ZlibDataError, "Zlib library error (data error)"},
    {CZipException::ZlibMemoryError, "Not enough memory"},
    {CZipException::ZlibBufferError, "Zlib library error (buffer error)"},
    {CZipException::ZlibVersionError, "Zlib library error (version error)"},
};

const char* TableText(int code) {
    for (const CodeText& entry : kCodeTexts) {
        if (entry.code == code) return entry.text;
    }
    return nullptr;
}

bool IsArchiveCode(int code) {
    return (code >= CZipException::GenericError && code <= CZipException::CentralDirectoryMissing) ||
           (code >= CZipException::ZlibStreamEnd && code <= CZipException::ZlibVersionError);
}

}  // namespace

CZipException::CZipException(int code, std::string fileName)
    : m_code(code), m_systemError(errno), m_fileName(std::move(fileName)) {
    m_what = GetErrorDescription();
}

CZipException CZipException::FromErrno(const std::string& fileName) {
    const int error = errno;
    // A number that means something else among the archive's own codes (or
    // no number at all) can only be reported as a plain I/O error.
    const bool usable = error > 0 && !IsArchiveCode(error);
    return CZipException(usable ? error : EIO, fileName);
}

CZipException CZipException::FromZlib(int result) { return CZipException(501 - result); }

std::string CZipException::GetErrorDescription(bool plainText) const {
    int code = m_code;
    if (code == ZlibErrno) {
        // zlib's file errors are told by the system error number itself.
        code = (m_systemError == 0 || m_systemError == ZlibErrno) ? GenericError : m_systemError;
    }
    const std::string text = GetCodeDescription(code, plainText);
    if (m_fileName.empty()) return text;
    return Format("%s (%s)", text.c_str(), m_fileName.c_str());
}

std::string CZipException::GetCodeDescription(int code, bool plainText) {
    if (const char* text = TableText(code)) return text;
    // The generic code has no system meaning here, whatever the system's
    // table says about the same number.
    if (plainText || code == GenericError || code <= 0) return "Unknown error";
    return std::strerror(code);
}

}  // namespace velmora
