#include "platform/secret_store.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>
#include <vector>

#include "platform/guid.h"
#include "support/secret_service.h"

namespace velmora::platform {
namespace {

// Attributes no other test uses, so that tests may share the keyring.
SecretAttributes Fresh(const std::string& kind = "connection") {
    return {{"application", "Parcelo"}, {"kind", kind}, {"connection", GuidToString(CreateGuid())}};
}

std::vector<std::string> Flat(const SecretAttributes& attributes) {
    std::vector<std::string> flat;
    for (const auto& [name, value] : attributes) {
        flat.push_back(name);
        flat.push_back(value);
    }
    return flat;
}

TEST(SecretStore, AStoredSecretIsFoundByItsAttributesAndReplacedNotDuplicated) {
    VELMORA_REQUIRE_SECRET_SERVICE();
    std::string reason;
    test::SecretServiceSession* keyring = test::ProcessSecretService(reason);
    SecretAttributes key = Fresh();
    key.emplace_back("host", "ftp.example.org");
    std::string error;
    ASSERT_EQ(StoreSecret(key, "Parcelo: first", "s3cret with spaces, ümlauts", error), ESecretResult::Ok) << error;

    // Another reader sees the entry with its label and attributes.
    const std::string listed = keyring->Search(Flat(key));
    EXPECT_NE(listed.find("label = Parcelo: first"), std::string::npos) << listed;
    EXPECT_NE(listed.find("attribute.host = ftp.example.org"), std::string::npos) << listed;
    EXPECT_EQ(keyring->Lookup(Flat(key)), "s3cret with spaces, ümlauts");

    // Fewer attributes still find it; the same attributes replace it.
    const SecretAttributes query(key.begin(), key.begin() + 3);
    std::string secret;
    ASSERT_EQ(LookupSecret(query, secret, error), ESecretResult::Ok) << error;
    EXPECT_EQ(secret, "s3cret with spaces, ümlauts");
    ASSERT_EQ(StoreSecret(key, "Parcelo: second", "changed", error), ESecretResult::Ok) << error;
    const std::string after = keyring->Search(Flat(query));
    EXPECT_EQ(after.find("Parcelo: first"), std::string::npos) << after;
    ASSERT_EQ(LookupSecret(query, secret, error), ESecretResult::Ok) << error;
    EXPECT_EQ(secret, "changed");
}

TEST(SecretStore, ClearingDeletesEveryMatchingEntryAndAMissingOneIsNotAnError) {
    VELMORA_REQUIRE_SECRET_SERVICE();
    const SecretAttributes order = Fresh("order");
    SecretAttributes from = order;
    from.emplace_back("field", "from");
    SecretAttributes zip = order;
    zip.emplace_back("field", "zip");
    const SecretAttributes other = Fresh("order");
    std::string error;
    ASSERT_EQ(StoreSecret(from, "from", "a", error), ESecretResult::Ok) << error;
    ASSERT_EQ(StoreSecret(zip, "zip", "b", error), ESecretResult::Ok) << error;
    ASSERT_EQ(StoreSecret(other, "other", "c", error), ESecretResult::Ok) << error;

    EXPECT_EQ(ClearSecrets(order, error), ESecretResult::Ok) << error;
    std::string secret;
    EXPECT_EQ(LookupSecret(from, secret, error), ESecretResult::NotFound);
    EXPECT_EQ(LookupSecret(zip, secret, error), ESecretResult::NotFound);
    EXPECT_EQ(LookupSecret(other, secret, error), ESecretResult::Ok) << error;
    EXPECT_EQ(secret, "c");
    EXPECT_EQ(ClearSecrets(order, error), ESecretResult::Ok) << error;
}

TEST(SecretStore, CallsFromSeveralThreadsAreTakenOneAtATime) {
    VELMORA_REQUIRE_SECRET_SERVICE();
    std::vector<SecretAttributes> keys;
    for (int i = 0; i < 4; ++i) keys.push_back(Fresh());
    std::vector<std::thread> threads;
    std::vector<ESecretResult> results(keys.size(), ESecretResult::Failed);
    for (size_t i = 0; i < keys.size(); ++i) {
        threads.emplace_back([&, i] {
            std::string error;
            std::string secret;
            if (StoreSecret(keys[i], "thread", "pw" + std::to_string(i), error) == ESecretResult::Ok)
                results[i] = LookupSecret(keys[i], secret, error) == ESecretResult::Ok && secret == "pw" + std::to_string(i)
                                 ? ESecretResult::Ok
                                 : ESecretResult::Failed;
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (const ESecretResult result : results) EXPECT_EQ(result, ESecretResult::Ok);
}

}  // namespace
}  // namespace velmora::platform
