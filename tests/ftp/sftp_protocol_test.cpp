// The file transfer protocol's messages and the known-hosts checks, without a server.

#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <gtest/gtest.h>

#include "ftp/protocol/sftp_packet.h"
#include "ftp/protocol/ssh_host_keys.h"
#include "support/temp_dir.h"

namespace velmora::protocol {
namespace {

using test::TempDir;
using test::WriteFile;

// --- Messages ---

// The body of a message as the channel hands it over: without its length.
std::string Body(CSftpMessage& message) { return message.Finish().substr(4); }

TEST(SftpMessages, AttributesSurviveTheRoundTripAndAHalfGivenTimeFillsBoth) {
    CSftpAttributes sent;
    sent.size = 0x1'0000'0002ull;  // past 32 bits
    sent.permissions = sftp::kTypeFolder | 0755;
    sent.modifiedTime = 1700000000;
    CSftpMessage message(sftp::SetStat, 7);
    message.String("/a b").Attributes(sent);
    CSftpReply reply;
    ASSERT_TRUE(ParseSftpReply(Body(message), reply));
    EXPECT_EQ(reply.type, sftp::SetStat);
    EXPECT_EQ(reply.id, 7u);
    CSftpReader reader(reply.body);
    std::string_view path;
    CSftpAttributes read;
    ASSERT_TRUE(reader.String(path));
    ASSERT_TRUE(reader.Attributes(read));
    EXPECT_EQ(path, "/a b");
    EXPECT_EQ(read.size, sent.size);
    EXPECT_TRUE(read.IsFolder());
    EXPECT_FALSE(read.IsLink());
    EXPECT_EQ(read.modifiedTime, 1700000000u);
    EXPECT_EQ(read.accessTime, 1700000000u);
    EXPECT_TRUE(reader.Rest().empty());
}

TEST(SftpMessages, EveryTruncationOfAListingFailsCleanly) {
    // A NAME reply with one entry carrying every attribute, extended ones too.
    CSftpMessage name(sftp::Name, 3);
    name.Uint32(1).String("file").String("-rw-r--r-- 1 a a 5 Jan 1 file");
    name.Uint32(sftp::AttrSize | sftp::AttrUidGid | sftp::AttrPermissions | sftp::AttrTimes | sftp::AttrExtended);
    name.Uint64(5).Uint32(1000).Uint32(1000).Uint32(0100644).Uint32(1).Uint32(2);
    name.Uint32(1).String("vendor@example").String("value");
    const std::string body = Body(name);
    for (size_t size = 0; size < body.size(); ++size) {
        CSftpReply reply;
        if (!ParseSftpReply(body.substr(0, size), reply)) continue;
        CSftpReader reader(reply.body);
        uint32_t count = 0;
        std::string_view file, longName;
        CSftpAttributes attributes;
        const bool whole = reader.Uint32(count) && reader.String(file) && reader.String(longName) &&
                           reader.Attributes(attributes);
        EXPECT_FALSE(whole) << "cut at " << size;
        EXPECT_TRUE(reader.Failed());
    }
    // A length that claims more than is there.
    const std::string lies("\xff\xff\xff\xf0" "abc", 7);
    CSftpReader lying(lies);
    std::string_view text;
    EXPECT_FALSE(lying.String(text));
}

TEST(SftpMessages, StatusRepliesWithAndWithoutTheirMessage) {
    CSftpMessage full(sftp::Status, 9);
    full.Uint32(sftp::NoSuchFile).String("No such file").String("en");
    CSftpReply reply;
    ASSERT_TRUE(ParseSftpReply(Body(full), reply));
    uint32_t code = 0;
    std::string text;
    ASSERT_TRUE(reply.ReadStatus(code, text));
    EXPECT_EQ(code, sftp::NoSuchFile);
    EXPECT_EQ(text, "No such file");

    CSftpMessage bare(sftp::Status, 9);
    bare.Uint32(sftp::Failure);
    ASSERT_TRUE(ParseSftpReply(Body(bare), reply));
    ASSERT_TRUE(reply.ReadStatus(code, text));
    EXPECT_EQ(code, sftp::Failure);
    EXPECT_EQ(text, "");

    CSftpMessage handle(sftp::Handle, 9);
    handle.String("h");
    ASSERT_TRUE(ParseSftpReply(Body(handle), reply));
    EXPECT_FALSE(reply.ReadStatus(code, text));
    EXPECT_FALSE(ParseSftpReply(std::string("\x65\x00\x00", 3), reply));
}

// --- Known hosts ---

const CSshHostKey kKey = {"ssh-ed25519", "AAAAC3NzaC1lZDI1NTE5AAAAIAjZR9pbyQPBNzQK6q82vfGvMxTGWIhA29JEp6D3ZjC9",
                          "SHA256:5p1kUjKt5C7sV4P4fiIPx9DNAwePS/fyXjVgQcHvRR4"};
const char kOtherBlob[] = "AAAAC3NzaC1lZDI1NTE5AAAAIBQ+obta1cdxDOTRGO5HDB4OolwmBEOSsrIV1W1gd51P";

std::string Base64(const std::string& bytes) {
    std::string text(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int size = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()),
                                     reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
    text.resize(static_cast<size_t>(size));
    return text;
}

// A host name as `ssh-keygen -H` hides it: |1|salt|HMAC-SHA1(salt, name).
std::string Hashed(const std::string& name) {
    const std::string salt = "0123456789abcdefghij";
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    HMAC(EVP_sha1(), salt.data(), static_cast<int>(salt.size()), reinterpret_cast<const unsigned char*>(name.data()),
         name.size(), digest, &size);
    return "|1|" + Base64(salt) + "|" + Base64(std::string(reinterpret_cast<char*>(digest), size));
}

TEST(KnownHosts, PlainHashedAndPortedEntriesAreFound) {
    TempDir dir;
    const std::string user = dir / "user", own = dir / "own";
    WriteFile(user, "# comment\n@cert-authority *.example ssh-ed25519 " + std::string(kOtherBlob) + "\n" +
                        "other.example,files.example ssh-ed25519 " + kKey.base64 + "\n" + Hashed("[hidden.example]:2222") +
                        " ssh-ed25519 " + kKey.base64 + "\n" + "[ported.example]:2200 ssh-ed25519 " + kKey.base64 +
                        "\n" + "garbage line\n");
    const std::vector<std::string> files = {dir / "missing", user, own};
    EXPECT_EQ(CheckHostKey(files, "files.example", 22, kKey).kind, CHostKeyVerdict::Known);
    EXPECT_EQ(CheckHostKey(files, "hidden.example", 2222, kKey).kind, CHostKeyVerdict::Known);
    EXPECT_EQ(CheckHostKey(files, "ported.example", 2200, kKey).kind, CHostKeyVerdict::Known);
    // The same name on another port, and a name only a marker line names, are unknown.
    EXPECT_EQ(CheckHostKey(files, "ported.example", 22, kKey).kind, CHostKeyVerdict::Unknown);
    EXPECT_EQ(CheckHostKey(files, "hidden.example", 22, kKey).kind, CHostKeyVerdict::Unknown);
    EXPECT_EQ(CheckHostKey(files, "any.example", 22, kKey).kind, CHostKeyVerdict::Unknown);

    // Our own file knows a key the user's file does not; the user's file holds another key for the host.
    CSshHostKey other = kKey;
    other.base64 = kOtherBlob;
    const CHostKeyVerdict changed = CheckHostKey(files, "files.example", 22, other);
    EXPECT_EQ(changed.kind, CHostKeyVerdict::Changed);
    EXPECT_EQ(changed.where, user + ":3");
    std::string error;
    ASSERT_TRUE(TrustHostKey(own, "new.example", 2201, other, error)) << error;
    EXPECT_EQ(CheckHostKey(files, "new.example", 2201, other).kind, CHostKeyVerdict::Known);
    EXPECT_EQ(CheckHostKey(files, "new.example", 2201, kKey).kind, CHostKeyVerdict::Changed);
}

TEST(KnownHosts, FingerprintsAreReadInEveryFormUsersCopy) {
    EXPECT_TRUE(FingerprintMatches("SHA256:5p1kUjKt5C7sV4P4fiIPx9DNAwePS/fyXjVgQcHvRR4", kKey));
    EXPECT_TRUE(FingerprintMatches("5p1kUjKt5C7sV4P4fiIPx9DNAwePS/fyXjVgQcHvRR4=", kKey));
    EXPECT_TRUE(FingerprintMatches(
        "E6:9D:64:52:32:AD:E4:2E:EC:57:83:F8:7E:22:0F:C7:D0:CD:03:07:8F:4B:F7:F2:5E:35:60:41:C1:EF:45:1E", kKey));
    EXPECT_FALSE(FingerprintMatches("SHA256:5p1kUjKt5C7sV4P4fiIPx9DNAwePS/fyXjVgQcHvRR5", kKey));
    EXPECT_FALSE(FingerprintMatches("SHA256:", kKey));
    EXPECT_FALSE(FingerprintMatches("", kKey));
    EXPECT_EQ(KnownHostsName("h", 22), "h");
    EXPECT_EQ(KnownHostsName("h", 2222), "[h]:2222");
}

}  // namespace
}  // namespace velmora::protocol
