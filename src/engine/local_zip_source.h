#pragma once

#include <memory>

#include "engine/local_source.h"
#include "engine/tsk_data_file.h"
#include "platform/api.h"
#include "tasks/tsk_item.h"
#include "zip/zip_archive.h"

namespace velmora {

// A local source whose target is one ZIP archive, the destination point's
// path. Each file becomes an entry named by its path below the source root.
class VELMORA_API CLocalZipSource : public CLocalSource {
public:
    explicit CLocalZipSource(const CTskItem& item);
    ~CLocalZipSource() override;

    // Creates the archive (and its folder), with the transform's password
    // when the transform asks for one.
    bool OpenTarget() override;
    CTskDataFile* MakeTargetFile(const CTskDataFile& sourceFile) override;
    // Compresses a local file, or a remote file coming straight from a
    // server, into the archive.
    virtual bool AddToZip(CTskDataFile* file);
    virtual bool PutFtpFile(CTskDataFile* file);
    // Writes the archive's directory and puts the archive in place; a
    // failure there is reported as an exception error.
    void Close() override;

    CZipArchive* GetArchive() const { return m_pArchive.get(); }

private:
    // The entry's name: the file's path below its source root's folder.
    static std::string EntryName(const CTskDataFile& file);

    std::unique_ptr<CZipArchive> m_pArchive;
};

}  // namespace velmora
