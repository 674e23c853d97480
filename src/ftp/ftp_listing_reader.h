#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "ftp/ftp_dir.h"
#include "paths/file_path.h"
#include "platform/api.h"

namespace velmora {

// Reads a classic listing (the reply to "LIST") line by line, in the layout
// its lines fit best. The first lines decide: each layout reads them, and
// the one that knows the most of them (entries, headers, totals) reads the
// whole listing. Only when two layouts read them equally well, with entries,
// is the server's system type asked (SYST), as a hint; that waits for the
// end of the listing, since a session asks nothing while data flows.
//
//   CFtpListingReader reader(folder, now, [&](std::unique_ptr<CFtpDir> entry) { ... });
//   reader.SetSystemQuestion([&] { std::string type; connection.GetSystemType(type); return type; });
//   for each line: reader.Add(line);
//   reader.Finish();
//
// A line the chosen layout cannot read is skipped and counted, never fatal.
// Entries and lines with refused names go to `take`, in listing order; a
// VMS name too long for its line is joined to the line that follows it, and
// older versions of a VMS file are left out.
class VELMORA_API CFtpListingReader {
public:
    using Take = std::function<void(std::unique_ptr<CFtpDir> line)>;
    using SystemQuestion = std::function<std::string()>;

    // The lines that decide the layout.
    static constexpr size_t kSampleLines = 20;

    CFtpListingReader(const CFtpPath& folder, int64_t now, Take take);
    ~CFtpListingReader();
    CFtpListingReader(const CFtpListingReader&) = delete;
    CFtpListingReader& operator=(const CFtpListingReader&) = delete;

    void SetSystemQuestion(SystemQuestion ask) { m_ask = std::move(ask); }
    // One line, without its line end.
    void Add(std::string_view line);
    // The listing has ended (and its data connection with it).
    void Finish();

    // Unknown until the layout is decided (and for a listing without entries).
    EListingFormat GetFormat() const { return m_format; }
    int GetBroken() const { return m_nBroken; }
    // The first line that was skipped, as sent.
    const std::string& GetFirstBroken() const { return m_strFirstBroken; }

private:
    enum class ELine { Entry, Refused, Known, Broken, Held };

    // One layout's reading of a listing so far.
    struct CState {
        explicit CState(EListingFormat layout) : format(layout) {}
        EListingFormat format;
        std::string heldName;  // a VMS name waiting for the rest of its line
        std::unordered_set<std::string> names;  // VMS names seen, for their older versions
    };

    ELine Read(CState& state, std::string_view line, CFtpDir& dir) const;
    // Decides on the lines held; `last`: no more come, so ties are settled.
    bool Decide(bool last);
    void Emit(std::string_view line);
    void CountBroken(std::string_view line);

    CFtpPath m_folder;
    int64_t m_now;
    Take m_take;
    SystemQuestion m_ask;
    EListingFormat m_format = EListingFormat::Unknown;
    std::unique_ptr<CState> m_state;
    std::vector<std::string> m_held;  // lines read before the layout was decided
    int m_nBroken = 0;
    std::string m_strFirstBroken;
};

}  // namespace velmora
