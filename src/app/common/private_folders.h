#pragma once

#include <memory>

#include <QString>

class QTemporaryDir;

namespace parcelo {

// A private folder in the temporary folder, made when first needed, that
// hands out a new numbered sub-folder at each call (so that files of one
// name from two server folders both fit). It goes, with everything in it,
// when the object goes or is released, unless it is kept.
class CPrivateFolders {
public:
    // `prefix` starts the private folder's name ("parcelo-edit").
    explicit CPrivateFolders(QString prefix);
    ~CPrivateFolders();
    CPrivateFolders(const CPrivateFolders&) = delete;
    CPrivateFolders& operator=(const CPrivateFolders&) = delete;

    // A new empty sub-folder; empty when none could be made.
    QString MakeFolder();
    bool IsMade() const { return m_pFolder != nullptr; }
    // Forgets the folder: removed with its content, or left in place.
    void Release(bool keep);

private:
    QString m_strPrefix;
    std::unique_ptr<QTemporaryDir> m_pFolder;
    int m_nFolders = 0;
};

}  // namespace parcelo
