#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "ftp/ftp_find.h"
#include "ftp/ftp_session.h"

namespace velmora::test {

// Every entry below `folder` ("/a/"), by path: kind, size and time to the
// minute, listed with MLSD (`machine`) or LIST.
inline void ListRemoteTree(CFtpSession& session, bool machine, const std::string& folder,
                           std::map<std::string, std::string>& tree) {
    session.SetMachineListing(machine);
    CFtpFind find(&session);
    ASSERT_TRUE(find.Open(folder)) << find.GetLastError();
    EXPECT_EQ(session.WasMachineListing(), machine);
    std::vector<std::string> folders;
    for (bool more = find.GetCount() > 0; more;) {
        more = find.FindNextFileW() != 0;
        const CFtpDir& dir = *find.GetCurrent();
        const uint64_t minute = dir.GetPath().LastWriteTime() / (uint64_t{60} * 10000000);
        tree[folder + dir.GetName()] = std::to_string(dir.GetKind()) + " " +
                                       (dir.IsFolder() ? "" : std::to_string(dir.GetPath().Length())) + " " +
                                       std::to_string(minute);
        if (dir.IsFolder()) folders.push_back(folder + dir.GetName() + "/");
    }
    for (const std::string& sub : folders) ListRemoteTree(session, machine, sub, tree);
}

}  // namespace velmora::test
