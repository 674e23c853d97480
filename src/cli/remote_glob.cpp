#include "cli/remote_glob.h"

#include <fnmatch.h>

#include "ftp/ftp_find.h"

namespace parcelo::cli {
namespace {

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string("/") : path.substr(0, slash + 1);
}

std::string NameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool HasWildcard(const std::string& path) { return NameOf(path).find_first_of("*?[") != std::string::npos; }

bool ExpandRemote(velmora::CFtpClient& client, const std::string& pattern, std::vector<velmora::CFtpPath>& files,
                  std::string& error) {
    const std::string folder = FolderOf(pattern);
    const std::string name = NameOf(pattern);
    velmora::CFtpFind find(client.GetSession());
    if (!find.Open(folder)) {
        error = "cannot list " + folder + ": " + find.GetLastError();
        return false;
    }
    for (bool more = find.GetCount() > 0; more;) {
        more = find.FindNextFileW() != 0;
        const velmora::CFtpDir& entry = *find.GetCurrent();
        if (entry.IsFile() && fnmatch(name.c_str(), entry.GetName().c_str(), FNM_PERIOD) == 0) {
            velmora::CFtpPath file(folder + entry.GetName());
            file.Length(entry.GetPath().Length());
            file.LastWriteTime(entry.GetPath().LastWriteTime());
            files.push_back(file);
        }
    }
    return true;
}

}  // namespace parcelo::cli
