#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ftp/password_store.h"
#include "support/secret_service.h"
#include "support/sftp_server.h"
#include "support/temp_dir.h"

namespace velmora {
namespace {

// An encrypted SSH key of the test's own, and a person who answers for its
// passphrase as the script says.
class KeyPassphraseTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string reason;
        keyring = test::ProcessSecretService(reason);
        if (!keyring) GTEST_SKIP() << reason;
        ASSERT_EQ(test::RunShell("ssh-keygen -q -t ed25519 -N 'open sesame' -C test -f '" + key + "'"), 0);
    }

    std::function<bool(const std::string&, std::string&)> Asker() {
        return RememberedPassphrases(
            [this](const std::string& file, std::string& passphrase, bool& keep) {
                ++asked;
                EXPECT_EQ(file, key);
                passphrase = answer;
                keep = remember;
                return true;
            },
            [this](const std::string& notice) { notices.push_back(notice); });
    }
    std::string Remembered() const {
        std::vector<std::string> attributes;
        for (const auto& [name, value] : KeyPassphraseKey(key)) attributes.insert(attributes.end(), {name, value});
        return keyring->Lookup(attributes);
    }

    test::SecretServiceSession* keyring = nullptr;
    test::TempDir dir;
    std::string key = dir / "id_locked";
    int asked = 0;
    std::string answer = "open sesame";
    bool remember = false;
    std::vector<std::string> notices;
};

TEST_F(KeyPassphraseTest, KeptOnlyWhenTheUserAsksAndAskedAgainOnceItNoLongerOpensTheKey) {
    std::string passphrase;
    ASSERT_TRUE(Asker()(key, passphrase));
    EXPECT_EQ(passphrase, "open sesame");
    EXPECT_EQ(Remembered(), "") << "not asked to remember";

    // A wrong answer is not remembered, even when asked to.
    remember = true;
    answer = "wrong";
    ASSERT_TRUE(Asker()(key, passphrase));
    EXPECT_EQ(Remembered(), "");

    answer = "open sesame";
    ASSERT_TRUE(Asker()(key, passphrase));
    EXPECT_EQ(Remembered(), "open sesame");
    EXPECT_EQ(asked, 3);
    ASSERT_TRUE(Asker()(key, passphrase));
    EXPECT_EQ(passphrase, "open sesame");
    EXPECT_EQ(asked, 3) << "the remembered one serves";

    // A new passphrase on the key: the remembered one goes, the user is asked.
    ASSERT_EQ(test::RunShell("ssh-keygen -q -p -P 'open sesame' -N 'new words' -f '" + key + "'"), 0);
    remember = false;
    answer = "new words";
    ASSERT_TRUE(Asker()(key, passphrase));
    EXPECT_EQ(asked, 4);
    EXPECT_EQ(passphrase, "new words");
    EXPECT_EQ(Remembered(), "");
    EXPECT_EQ(notices, std::vector<std::string>{});
}

}  // namespace
}  // namespace velmora
