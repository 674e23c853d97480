#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "ftp/ftp_dir.h"
#include "ftp/remote_session.h"

// What every remote session must do alike, whatever the server: checked
// through the interface only, so that the same checks run against each
// server (and each protocol).
namespace velmora::test {

inline bool WriteRemote(CRemoteSession& session, const std::string& path, const std::string& bytes, uint64_t offset = 0,
                        ERemoteWrite mode = ERemoteWrite::Replace) {
    std::unique_ptr<CRemoteStream> stream = session.OpenWrite(path, offset, mode);
    if (!stream) return false;
    constexpr size_t kBlock = 51200;
    for (size_t at = 0; at < bytes.size(); at += kBlock) {
        if (!stream->Write(bytes.data() + at, std::min(kBlock, bytes.size() - at))) return false;
    }
    return stream->Close();
}

// The file from `offset` to its end, checked against the length the caller
// knows; nothing when any step fails.
inline std::optional<std::string> ReadRemote(CRemoteSession& session, const std::string& path, uint64_t offset = 0,
                                             uint64_t length = 0) {
    std::unique_ptr<CRemoteStream> stream = session.OpenRead(path, offset);
    if (!stream) return std::nullopt;
    std::string bytes;
    std::string block(51200, '\0');
    size_t received = 0;
    do {
        if (!stream->Read(block.data(), block.size(), received)) return std::nullopt;
        bytes.append(block, 0, received);
    } while (received > 0);
    std::string error;
    bool shorter = false;
    if (!stream->Close() || !CheckReadLength(*stream, offset, length, error, shorter)) return std::nullopt;
    return bytes;
}

inline std::set<std::string> ListedNames(CRemoteSession& session, const std::string& folder) {
    std::set<std::string> names;
    EXPECT_TRUE(session.List(
        folder, [&](CFtpDir&& entry) { return names.insert(entry.GetName() + (entry.IsFolder() ? "/" : "")), true; },
        nullptr))
        << session.GetLastError();
    return names;
}

// Folders, facts, reading and writing from an offset, appending, renaming
// and deleting, all below `root` ("/check/"), which must not exist yet.
inline void CheckSessionOperations(CRemoteSession& session, const std::string& root) {
    std::string data(120000, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);

    // Folders: made, told apart from files and from what is not there.
    ASSERT_TRUE(session.MakeFolder(root)) << session.GetLastError();
    ASSERT_TRUE(session.MakeFolder(root + "sub")) << session.GetLastError();
    EXPECT_TRUE(session.IsFolder(root + "sub"));
    EXPECT_FALSE(session.IsFolder(root + "none"));
    EXPECT_EQ(session.GetLastErrorKind(), ERemoteError::Refused) << session.GetLastError();

    // Facts of a file, of a folder, of nothing.
    ASSERT_TRUE(WriteRemote(session, root + "a.bin", data)) << session.GetLastError();
    CRemoteFacts facts;
    ASSERT_TRUE(session.GetFacts(root + "a.bin", facts)) << session.GetLastError();
    EXPECT_TRUE(facts.exists);
    EXPECT_FALSE(facts.folder);
    EXPECT_EQ(facts.size, std::optional<uint64_t>(data.size()));
    EXPECT_NE(facts.modified, 0u);
    ASSERT_TRUE(session.GetFacts(root + "sub", facts)) << session.GetLastError();
    EXPECT_TRUE(facts.exists && facts.folder);
    ASSERT_TRUE(session.GetFacts(root + "none.bin", facts)) << session.GetLastError();
    EXPECT_FALSE(facts.exists);

    // Reading from an offset brings the rest, and the rest only.
    EXPECT_EQ(ReadRemote(session, root + "a.bin", 70000, data.size()), data.substr(70000));

    // Writing from an offset continues what the server holds, and appending
    // adds to it, where the server permits them (ProFTPD does not unless
    // told to): a refusal is the server's answer and leaves the session usable.
    const auto refused = [&session] {
        const ERemoteError kind = session.GetLastErrorKind();
        EXPECT_TRUE(kind == ERemoteError::Refused || kind == ERemoteError::Busy) << session.GetLastError();
        EXPECT_TRUE(session.IsConnected());
    };
    ASSERT_TRUE(session.GetFeatures().restart);
    ASSERT_TRUE(WriteRemote(session, root + "b.bin", data.substr(0, 50000)));
    if (WriteRemote(session, root + "b.bin", data.substr(50000), 50000))
        EXPECT_EQ(ReadRemote(session, root + "b.bin", 0, data.size()), data);
    else
        refused();
    ASSERT_TRUE(session.GetFeatures().append);
    ASSERT_TRUE(WriteRemote(session, root + "c.txt", "head,"));
    if (WriteRemote(session, root + "c.txt", "tail", 0, ERemoteWrite::Append))
        EXPECT_EQ(ReadRemote(session, root + "c.txt"), "head,tail");
    else
        refused();

    // Renaming moves, deleting removes, and a folder goes only when empty.
    ASSERT_TRUE(session.Rename(root + "a.bin", root + "sub/moved.bin")) << session.GetLastError();
    EXPECT_EQ(ListedNames(session, root), (std::set<std::string>{"b.bin", "c.txt", "sub/"}));
    EXPECT_EQ(ListedNames(session, root + "sub/"), std::set<std::string>{"moved.bin"});
    EXPECT_FALSE(session.RemoveFolder(root + "sub"));
    EXPECT_FALSE(session.DeleteFile(root + "gone.bin"));
    EXPECT_EQ(session.GetLastErrorKind(), ERemoteError::Refused) << session.GetLastError();
    for (const char* name : {"sub/moved.bin", "b.bin", "c.txt"}) {
        EXPECT_TRUE(session.DeleteFile(root + name)) << name << ": " << session.GetLastError();
    }
    // Just listed, so the session may stand in it: it is removed all the same.
    EXPECT_TRUE(ListedNames(session, root + "sub/").empty());
    EXPECT_TRUE(session.RemoveFolder(root + "sub")) << session.GetLastError();
    EXPECT_TRUE(session.RemoveFolder(root)) << session.GetLastError();
    EXPECT_FALSE(session.IsFolder(root));

    // A server that sets times keeps the one given, to the second.
    if (session.GetFeatures().setTime) {
        const uint64_t time = uint64_t{132223104000000000};  // 2020-01-01 00:00:00 UTC
        ASSERT_TRUE(WriteRemote(session, "/timed.txt", "t"));
        ASSERT_TRUE(session.SetModifiedTime("/timed.txt", time)) << session.GetLastError();
        ASSERT_TRUE(session.GetFacts("/timed.txt", facts));
        EXPECT_EQ(facts.modified, time);
        EXPECT_TRUE(session.DeleteFile("/timed.txt"));
    }
    EXPECT_TRUE(session.IsConnected());
}

}  // namespace velmora::test
