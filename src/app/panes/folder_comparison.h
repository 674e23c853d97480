#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <QColor>
#include <QObject>
#include <QString>

class QLabel;

namespace parcelo {

class CFtpTreeDlg;
class CLocalPane;

// How an entry of one side stands against the other side's entry of its
// name; one mark an entry, the first that holds in this order.
enum class ECompareMark {
    None,      // the same on both sides, as far as the listings tell
    OnlyHere,  // the other side has no entry of this name
    Newer,     // a file changed later than the other side's
    Larger,    // a file larger than the other side's
};

// One entry of a folder's listing, as the comparison needs it.
struct CCompareEntry {
    std::string name;
    bool folder = false;
    uint64_t size = 0;
    int64_t modified = 0;  // seconds since 1970 UTC; 0 when unknown
};

using TCompareMarks = std::map<std::string, ECompareMark>;  // by name; unmarked names left out

struct CComparison {
    TCompareMarks local;
    TCompareMarks remote;
};

// Compares two folders by their listings alone. Times within
// kTimeSlackSeconds of each other count as the same: a listing may give
// only the minute.
constexpr int64_t kTimeSlackSeconds = 60;
CComparison CompareFolders(const std::vector<CCompareEntry>& local, const std::vector<CCompareEntry>& remote);

// The colour rows of a mark are drawn on; invalid for None.
QColor MarkColour(ECompareMark mark);

// Compare folders, while it is on: both file lists marked against each
// other, again whenever either shows another folder or reads its own again,
// with a legend of the colours.
class CFolderComparison : public QObject {
    Q_OBJECT

public:
    CFolderComparison(CLocalPane& local, CFtpTreeDlg& browser, QObject* parent = nullptr);

    void SetEnabled(bool on);
    bool IsEnabled() const { return m_bOn; }
    // The legend: shown while the comparison is on.
    QLabel* GetLegend() const { return m_pLegend; }
    // Compares the folders shown now.
    void Update();

private:
    CLocalPane& m_local;
    CFtpTreeDlg& m_browser;
    QLabel* m_pLegend;
    bool m_bOn = false;
};

}  // namespace parcelo
