#include "platform/secret_store.h"

#include <libsecret/secret.h>
#include <string.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/system.h"

namespace velmora::platform {
namespace {

using std::chrono::seconds;

// A service that is there answers in milliseconds; one that takes longer is
// hung, and waiting for it would hang the program.
constexpr seconds kCallBound{10};
// A person reads and answers the service's unlock prompt.
constexpr seconds kPromptBound{180};

constexpr const char* kServiceName = "org.freedesktop.secrets";
constexpr const char* kNoService = "no Secret Service (desktop keyring) runs in this session";

const SecretSchema kSchema = {
    "com.norvane.Parcelo.Password",
    SECRET_SCHEMA_NONE,
    {
        {"application", SECRET_SCHEMA_ATTRIBUTE_STRING},
        {"kind", SECRET_SCHEMA_ATTRIBUTE_STRING},
        {"connection", SECRET_SCHEMA_ATTRIBUTE_STRING},
        {"host", SECRET_SCHEMA_ATTRIBUTE_STRING},
        {"port", SECRET_SCHEMA_ATTRIBUTE_STRING},
        {"user", SECRET_SCHEMA_ATTRIBUTE_STRING},
        {"order", SECRET_SCHEMA_ATTRIBUTE_STRING},
        {"field", SECRET_SCHEMA_ATTRIBUTE_STRING},
        {"file", SECRET_SCHEMA_ATTRIBUTE_STRING},
        {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING},
    },
    0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
};

std::atomic<bool> g_prompts{false};

// The connection to the service, made on first use and kept; `broken` holds
// why the service is no longer asked in this process (it did not answer).
struct ServiceState {
    std::mutex mutex;
    SecretService* service = nullptr;
    std::string broken;
};

ServiceState& State() {
    static ServiceState state;
    return state;
}

// Cancels what runs under it when the bound passes first.
class Deadline {
public:
    explicit Deadline(seconds bound) : m_cancellable(g_cancellable_new()), m_bound(bound) {
        m_watch = std::thread([this] {
            std::unique_lock lock(m_mutex);
            if (!m_changed.wait_for(lock, m_bound, [this] { return m_done; })) {
                m_expired = true;
                g_cancellable_cancel(m_cancellable);
            }
        });
    }
    ~Deadline() {
        {
            std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_changed.notify_all();
        m_watch.join();
        g_object_unref(m_cancellable);
    }
    Deadline(const Deadline&) = delete;
    Deadline& operator=(const Deadline&) = delete;

    GCancellable* get() const { return m_cancellable; }
    bool Expired() {
        std::lock_guard lock(m_mutex);
        return m_expired;
    }
    long long Seconds() const { return m_bound.count(); }

private:
    GCancellable* m_cancellable;
    seconds m_bound;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_done = false;
    bool m_expired = false;
    std::thread m_watch;
};

// The outcome of a failed step, from its GLib error (which it frees).
// Called with the state's lock held.
ESecretResult Failure(GError* error, Deadline& deadline, const char* step, std::string& text) {
    ESecretResult result = ESecretResult::Failed;
    text.clear();
    if (deadline.Expired()) {
        text = "the desktop keyring did not answer within " + std::to_string(deadline.Seconds()) + " seconds (" +
               step + ")";
        State().broken = text;
    } else if (error && g_dbus_error_is_remote_error(error)) {
        gchar* name = g_dbus_error_get_remote_error(error);
        const std::string remote = name ? name : "";
        g_free(name);
        if (remote == "org.freedesktop.DBus.Error.ServiceUnknown" ||
            remote == "org.freedesktop.DBus.Error.NameHasNoOwner") {
            text = kNoService;
            result = ESecretResult::NoService;
        } else if (remote == "org.freedesktop.Secret.Error.IsLocked") {
            text = "the desktop keyring is locked";
            result = ESecretResult::Locked;
        }
    }
    if (text.empty()) {
        text = std::string("the desktop keyring failed (") + step +
               "): " + (error && error->message ? error->message : "unknown error");
    }
    if (error) g_error_free(error);
    return result;
}

// A session bus can be reached without starting one: GLib would otherwise
// try to launch a bus of its own when no address is known.
bool HasSessionBus(std::string& why) {
    if (!GetEnvironment("DBUS_SESSION_BUS_ADDRESS").empty()) return true;
    const std::string runtime = GetEnvironment("XDG_RUNTIME_DIR");
    struct stat status {};
    if (!runtime.empty() && ::stat((runtime + "/bus").c_str(), &status) == 0 && S_ISSOCK(status.st_mode)) return true;
    why = "no Secret Service (desktop keyring) can be reached: this process has no D-Bus session";
    return false;
}

// One call to the bus itself.
GVariant* BusCall(GDBusConnection* bus, const char* method, GVariant* parameters, const char* replyType,
                  Deadline& deadline, std::string& error, ESecretResult& result) {
    GError* failure = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(
        bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", method, parameters,
        G_VARIANT_TYPE(replyType), G_DBUS_CALL_FLAGS_NONE, static_cast<int>(kCallBound.count() * 1000),
        deadline.get(), &failure);
    if (!reply) result = Failure(failure, deadline, method, error);
    return reply;
}

// The service runs, or the bus starts it on demand.
bool ServiceOnBus(GDBusConnection* bus, Deadline& deadline, std::string& error, ESecretResult& result) {
    GVariant* reply = BusCall(bus, "NameHasOwner", g_variant_new("(s)", kServiceName), "(b)", deadline, error, result);
    if (!reply) return false;
    gboolean owned = FALSE;
    g_variant_get(reply, "(b)", &owned);
    g_variant_unref(reply);
    if (owned) return true;
    reply = BusCall(bus, "ListActivatableNames", nullptr, "(as)", deadline, error, result);
    if (!reply) return false;
    GVariantIter* names = nullptr;
    g_variant_get(reply, "(as)", &names);
    bool activatable = false;
    const gchar* name = nullptr;
    while (g_variant_iter_loop(names, "&s", &name)) activatable = activatable || g_strcmp0(name, kServiceName) == 0;
    g_variant_iter_free(names);
    g_variant_unref(reply);
    if (activatable) return true;
    error = kNoService;
    result = ESecretResult::NoService;
    return false;
}

// The service, connected on first use; null with the outcome otherwise.
// Called with the state's lock held.
SecretService* Service(std::string& error, ESecretResult& result) {
    ServiceState& state = State();
    if (state.service) return state.service;
    if (!state.broken.empty()) {
        error = state.broken;
        result = ESecretResult::Failed;
        return nullptr;
    }
    if (!HasSessionBus(error)) {
        result = ESecretResult::NoService;
        return nullptr;
    }
    Deadline deadline(kCallBound);
    GError* failure = nullptr;
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, deadline.get(), &failure);
    if (!bus) {
        if (deadline.Expired()) {
            result = Failure(failure, deadline, "session bus", error);
        } else {
            error = std::string("no Secret Service (desktop keyring) can be reached: the D-Bus session cannot be "
                                "reached (") + (failure ? failure->message : "") + ")";
            result = ESecretResult::NoService;
            if (failure) g_error_free(failure);
        }
        return nullptr;
    }
    // The bus going away must not end the program (GLib's default for the
    // shared connection): the keyring is then simply gone.
    g_dbus_connection_set_exit_on_close(bus, FALSE);
    const bool there = ServiceOnBus(bus, deadline, error, result);
    g_object_unref(bus);
    if (!there) return nullptr;
    state.service = secret_service_get_sync(SECRET_SERVICE_OPEN_SESSION, deadline.get(), &failure);
    if (!state.service) result = Failure(failure, deadline, "connect", error);
    return state.service;
}

GHashTable* Table(const SecretAttributes& attributes) {
    GHashTable* table = g_hash_table_new_full(g_str_hash, g_str_equal, g_free, g_free);
    for (const auto& [name, value] : attributes)
        g_hash_table_insert(table, g_strdup(name.c_str()), g_strdup(value.c_str()));
    return table;
}

// Runs `step` with the service connected and the state locked.
template <class Step>
ESecretResult WithService(std::string& error, Step step) {
    std::lock_guard lock(State().mutex);
    error.clear();
    ESecretResult result = ESecretResult::Failed;
    SecretService* service = Service(error, result);
    if (!service) return result;
    return step(service);
}

// A step that may show a prompt gets the time a person needs.
seconds Bound() { return g_prompts ? kPromptBound : kCallBound; }

// Unlocks the objects with the service's prompt where that is allowed.
ESecretResult Unlock(SecretService* service, GList* objects, std::string& error) {
    if (!g_prompts) {
        error = "the desktop keyring is locked";
        return ESecretResult::Locked;
    }
    Deadline deadline(kPromptBound);
    GError* failure = nullptr;
    const gint unlocked = secret_service_unlock_sync(service, objects, deadline.get(), nullptr, &failure);
    if (failure) return Failure(failure, deadline, "unlock", error);
    if (unlocked > 0) return ESecretResult::Ok;
    error = "the desktop keyring stayed locked (its prompt was dismissed)";
    return ESecretResult::Locked;
}

// The items with the attributes, their secrets loaded where unlocked.
ESecretResult Search(SecretService* service, const SecretAttributes& attributes, bool loadSecrets, GList*& items,
                     std::string& error) {
    GHashTable* table = Table(attributes);
    Deadline deadline(kCallBound);
    GError* failure = nullptr;
    const int flags = SECRET_SEARCH_ALL | (loadSecrets ? SECRET_SEARCH_LOAD_SECRETS : 0);
    items = secret_service_search_sync(service, &kSchema, table, static_cast<SecretSearchFlags>(flags),
                                       deadline.get(), &failure);
    g_hash_table_unref(table);
    return failure ? Failure(failure, deadline, "search", error) : ESecretResult::Ok;
}

SecretItem* ItemAt(GList* at) { return static_cast<SecretItem*>(at->data); }

// Unlocks the default collection, where new entries go.
ESecretResult OpenDefaultCollection(SecretService* service, std::string& error) {
    Deadline deadline(kCallBound);
    GError* failure = nullptr;
    SecretCollection* collection = secret_collection_for_alias_sync(service, SECRET_COLLECTION_DEFAULT,
                                                                    SECRET_COLLECTION_NONE, deadline.get(), &failure);
    if (failure) return Failure(failure, deadline, "default collection", error);
    // Without one, the service asks the user to make one: a prompt.
    if (!collection) {
        if (g_prompts) return ESecretResult::Ok;
        error = "the desktop keyring has no default collection (create one in the keyring's program)";
        return ESecretResult::Failed;
    }
    ESecretResult result = ESecretResult::Ok;
    if (secret_collection_get_locked(collection)) {
        GList* objects = g_list_append(nullptr, collection);
        result = Unlock(service, objects, error);
        g_list_free(objects);
    }
    g_object_unref(collection);
    return result;
}

}  // namespace

void AllowSecretPrompts(bool allow) { g_prompts = allow; }

bool AreSecretPromptsAllowed() { return g_prompts; }

ESecretResult StoreSecret(const SecretAttributes& attributes, const std::string& label, std::string_view secret,
                          std::string& error) {
    return WithService(error, [&](SecretService* service) {
        const ESecretResult opened = OpenDefaultCollection(service, error);
        if (opened != ESecretResult::Ok) return opened;
        GHashTable* table = Table(attributes);
        SecretValue* value = secret_value_new(secret.data(), static_cast<gssize>(secret.size()), "text/plain");
        Deadline deadline(Bound());
        GError* failure = nullptr;
        const gboolean stored = secret_service_store_sync(service, &kSchema, table, SECRET_COLLECTION_DEFAULT,
                                                          label.c_str(), value, deadline.get(), &failure);
        secret_value_unref(value);
        g_hash_table_unref(table);
        return stored ? ESecretResult::Ok : Failure(failure, deadline, "store", error);
    });
}

ESecretResult LookupSecret(const SecretAttributes& attributes, std::string& secret, std::string& error) {
    return WithService(error, [&](SecretService* service) {
        GList* items = nullptr;
        ESecretResult result = Search(service, attributes, /*loadSecrets=*/true, items, error);
        if (result != ESecretResult::Ok) return result;
        if (!items) {
            error = "the desktop keyring has no such entry";
            return ESecretResult::NotFound;
        }
        // An unlocked entry, when there is one, needs no prompt.
        SecretItem* item = ItemAt(items);
        for (GList* at = items; at; at = at->next)
            if (!secret_item_get_locked(ItemAt(at))) item = ItemAt(at);
        if (secret_item_get_locked(item)) {
            GList* objects = g_list_append(nullptr, item);
            result = Unlock(service, objects, error);
            g_list_free(objects);
            Deadline deadline(kCallBound);
            GError* failure = nullptr;
            if (result == ESecretResult::Ok && !secret_item_load_secret_sync(item, deadline.get(), &failure))
                result = Failure(failure, deadline, "read", error);
        }
        SecretValue* value = result == ESecretResult::Ok ? secret_item_get_secret(item) : nullptr;
        if (value) {
            gsize length = 0;
            const gchar* bytes = secret_value_get(value, &length);
            secret.assign(bytes, length);
            secret_value_unref(value);
        } else if (result == ESecretResult::Ok) {
            error = "the desktop keyring gave no secret for the entry";
            result = ESecretResult::Failed;
        }
        g_list_free_full(items, g_object_unref);
        return result;
    });
}

ESecretResult ClearSecrets(const SecretAttributes& attributes, std::string& error) {
    return WithService(error, [&](SecretService* service) {
        GList* items = nullptr;
        ESecretResult result = Search(service, attributes, /*loadSecrets=*/false, items, error);
        if (result != ESecretResult::Ok) return result;
        GList* locked = nullptr;
        for (GList* at = items; at; at = at->next)
            if (secret_item_get_locked(ItemAt(at))) locked = g_list_append(locked, at->data);
        if (locked) result = Unlock(service, locked, error);
        g_list_free(locked);
        for (GList* at = items; at && result == ESecretResult::Ok; at = at->next) {
            Deadline deadline(Bound());
            GError* failure = nullptr;
            if (!secret_item_delete_sync(ItemAt(at), deadline.get(), &failure))
                result = Failure(failure, deadline, "delete", error);
        }
        g_list_free_full(items, g_object_unref);
        return result;
    });
}

void WipeSecret(std::string& text) {
    if (!text.empty()) ::explicit_bzero(text.data(), text.size());
    text.clear();
}

}  // namespace velmora::platform
