#include "platform/secret_store.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/guid.h"

namespace velmora::platform {
namespace {

SecretAttributes Fresh() {
    return {{"application", "Parcelo"}, {"kind", "connection"}, {"connection", GuidToString(CreateGuid())}};
}

// The rest of the suite runs like this: a bus address that leads nowhere.
// (The keyring's own tests run in a program of their own.)
TEST(SecretStore, WithoutASessionBusEveryCallAnswersNoServiceAndPromptsStayOff) {
    ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/velmora-no-bus", 1);
    EXPECT_FALSE(AreSecretPromptsAllowed());
    std::string error;
    std::string secret = "kept";
    EXPECT_EQ(StoreSecret(Fresh(), "x", "pw", error), ESecretResult::NoService);
    EXPECT_NE(error.find("Secret Service"), std::string::npos) << error;
    EXPECT_EQ(LookupSecret(Fresh(), secret, error), ESecretResult::NoService);
    EXPECT_EQ(secret, "kept");
    EXPECT_EQ(ClearSecrets(Fresh(), error), ESecretResult::NoService);

    // No address at all: GLib is not even asked (it would try to start a bus).
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    ::setenv("XDG_RUNTIME_DIR", "/nonexistent", 1);
    EXPECT_EQ(LookupSecret(Fresh(), secret, error), ESecretResult::NoService);
    EXPECT_NE(error.find("no D-Bus session"), std::string::npos) << error;
}

TEST(SecretStore, WipingLeavesNoByteOfTheSecret) {
    std::string text = "hunter2";
    const char* bytes = text.data();
    WipeSecret(text);
    EXPECT_TRUE(text.empty());
    for (int i = 0; i < 7; ++i) EXPECT_EQ(bytes[i], '\0');
}

}  // namespace
}  // namespace velmora::platform
