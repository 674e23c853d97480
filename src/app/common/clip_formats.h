#pragma once

#include <cstdint>
#include <string>
#include <vector>

class QMimeData;
class QString;

namespace parcelo {

// What a drop does with the data; 0 refuses it.
enum DropEffect : int {
    DROPEFFECT_NONE = 0,
    DROPEFFECT_COPY = 1,
    DROPEFFECT_MOVE = 2,
    DROPEFFECT_LINK = 4,
};

// One data format a drag can carry: its name and its process-wide number.
struct CClipFormat {
    std::string name;
    uint16_t number = 0;
};

// The process-wide table of format names: the same name always yields the
// same number (from 0xC000 up, like the desktop's registered formats).
uint16_t RegisterClipboardFormat(const std::string& name);

// The ordered list of formats a window accepts. The file manager's file
// drop ("text/uri-list") has the fixed number 15.
class CClipFormats {
public:
    static constexpr uint16_t kFileDrop = 15;
    static constexpr const char* kFileDropName = "text/uri-list";

    // Registers the name and appends it, unless the list holds it already;
    // answers its number.
    uint16_t Add(const std::string& name);
    void AddFileDrop();

    int GetCount() const { return static_cast<int>(m_formats.size()); }
    const CClipFormat& GetAt(int index) const { return m_formats.at(index); }
    const CClipFormat* Find(const std::string& name) const;
    // The first format of the list that the data offers, or null.
    const CClipFormat* FindOffered(const QMimeData* data) const;

    // The MIME type a format travels under.
    static QString MimeType(const std::string& name);
    // The file drop counts as offered only with at least one local file.
    static bool IsOffered(const QMimeData* data, const std::string& name);

private:
    std::vector<CClipFormat> m_formats;
};

}  // namespace parcelo
