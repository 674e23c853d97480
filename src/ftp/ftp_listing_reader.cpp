#include "ftp/ftp_listing_reader.h"

#include <algorithm>

#include "base/text.h"
#include "ftp/listing_text.h"

namespace velmora {

using namespace listing;

namespace {

// "LONG_FILE_NAME_THAT_WRAPS.TXT;12" alone on its line.
bool IsHeldVmsName(std::string_view line) {
    const Fields fields(line);
    if (fields.size() != 1) return false;
    const std::string_view text = fields[0].text;
    const size_t semicolon = text.find(';');
    return semicolon != 0 && semicolon != std::string_view::npos && IsDigits(text.substr(semicolon + 1));
}

// How well a layout read the sample: every line it knew, entries first.
struct CScore {
    int known = 0;
    int entries = 0;
    bool operator==(const CScore&) const = default;
    bool operator>(const CScore& other) const {
        return known != other.known ? known > other.known : entries > other.entries;
    }
};

}  // namespace

CFtpListingReader::CFtpListingReader(const CFtpPath& folder, int64_t now, Take take)
    : m_folder(folder), m_now(now), m_take(std::move(take)) {}

CFtpListingReader::~CFtpListingReader() = default;

CFtpListingReader::ELine CFtpListingReader::Read(CState& state, std::string_view line, CFtpDir& dir) const {
    std::string joined;
    if (!state.heldName.empty()) {
        joined = state.heldName + " " + std::string(line);
        line = joined;
        state.heldName.clear();
    } else if (state.format == EListingFormat::Vms && IsHeldVmsName(line)) {
        state.heldName = TrimText(line);
        return ELine::Held;
    }
    if (dir.Split(line, m_now, state.format)) {
        // VMS lists a file's versions newest first: the newest is the file.
        if (state.format == EListingFormat::Vms && !state.names.insert(dir.GetName()).second) return ELine::Known;
        return ELine::Entry;
    }
    if (dir.HasUnsafeName()) return ELine::Refused;
    return dir.IsKnownNonEntry() ? ELine::Known : ELine::Broken;
}

void CFtpListingReader::Add(std::string_view line) {
    if (m_state) {
        Emit(line);
        return;
    }
    m_held.emplace_back(line);
    if (m_held.size() >= kSampleLines) Decide(false);
}

void CFtpListingReader::Finish() {
    if (!m_state) Decide(true);
    if (m_state && !m_state->heldName.empty()) CountBroken(m_state->heldName);
    if (m_state) m_state->heldName.clear();
}

bool CFtpListingReader::Decide(bool last) {
    std::vector<std::pair<EListingFormat, CScore>> scores;
    for (const EListingFormat format : kListingFormats) {
        CState state(format);
        CScore score;
        for (const std::string& line : m_held) {
            CFtpDir dir(m_folder);
            const ELine read = Read(state, line, dir);
            score.known += read == ELine::Entry || read == ELine::Refused || read == ELine::Known;
            score.entries += read == ELine::Entry;
        }
        scores.emplace_back(format, score);
    }
    // The best reading; on a tie the first layout in the usual order.
    size_t best = 0;
    for (size_t i = 1; i < scores.size(); ++i) {
        if (scores[i].second > scores[best].second) best = i;
    }
    std::vector<EListingFormat> tied;
    for (const auto& [format, score] : scores) {
        if (score == scores[best].second) tied.push_back(format);
    }
    if (tied.size() > 1 && scores[best].second.entries > 0) {
        // Two layouts read the lines alike: more lines may tell them apart,
        // and at the end the server's own word does.
        if (!last) return false;
        const EListingFormat hinted = m_ask ? ListingFormatOfSystem(m_ask()) : EListingFormat::Unknown;
        for (const EListingFormat format : tied) {
            const bool members = hinted == EListingFormat::MvsDataset && format == EListingFormat::MvsMember;
            if (format == hinted || members) {
                best = static_cast<size_t>(std::find_if(scores.begin(), scores.end(),
                                                        [&](const auto& s) { return s.first == format; }) -
                                           scores.begin());
                break;
            }
        }
    }
    m_format = scores[best].second.entries > 0 ? scores[best].first : EListingFormat::Unknown;
    m_state = std::make_unique<CState>(scores[best].first);
    std::vector<std::string> held;
    held.swap(m_held);
    for (const std::string& line : held) Emit(line);
    return true;
}

void CFtpListingReader::Emit(std::string_view line) {
    auto dir = std::make_unique<CFtpDir>(m_folder);
    switch (Read(*m_state, line, *dir)) {
        case ELine::Entry:
        case ELine::Refused: m_take(std::move(dir)); break;
        case ELine::Broken: CountBroken(line); break;
        case ELine::Known:
        case ELine::Held: break;
    }
}

void CFtpListingReader::CountBroken(std::string_view line) {
    if (m_nBroken++ == 0) m_strFirstBroken = line;
}

}  // namespace velmora
