#include "db_engine/trans_order_extras.h"

#include "base/format.h"
#include "base/password.h"
#include "ftp/login_info.h"
#include "ftp/password_store.h"
#include "ftp/tls_trust.h"
#include "objects/obj.h"
#include "platform/guid.h"
#include "tasks/ftp_url.h"
#include "tasks/trans_point.h"

namespace velmora {
namespace {

constexpr const char* kScrambled = "order-passwords-scrambled";
// The order's identity in the keyring, and the fields whose passwords rest
// there ("from,to,zip").
constexpr const char* kSecretId = "order-secret";
constexpr const char* kKeyringFields = "order-passwords-keyring";
constexpr const char* kOverwrite = "order-overwrite";
constexpr const char* kVerify = "order-verify";
constexpr const char* kChecksum = "order-checksum";

std::string ConnectionKey(EOrderEnd end) {
    return end == EOrderEnd::From ? "order-from-connection" : "order-to-connection";
}
std::string ConnectionNameKey(EOrderEnd end) { return ConnectionKey(end) + "-name"; }

std::string TlsKey(EOrderEnd end, const char* suffix = "") {
    return std::string(end == EOrderEnd::From ? "order-from-tls" : "order-to-tls") + suffix;
}
constexpr const char* kFingerprintSuffix = "-fingerprint";
constexpr const char* kCaFileSuffix = "-ca-file";
constexpr const char* kInsecureSuffix = "-insecure";

// The value of one pair of the order's filter text; "" when it is absent.
std::string FilterValue(const CDBTransOrderObj& order, const std::string& key) {
    std::string found;
    CObj::ForEachXMLAttr(order.Filter, [&](const std::string& name, const std::string& value) {
        if (name == key) found = value;
    });
    return found;
}

// The filter text without the pairs named `key`.
void RemoveFilterValue(CDBTransOrderObj& order, const std::string& key) {
    std::string kept;
    CObj::ForEachXMLAttr(order.Filter, [&](const std::string& name, const std::string& value) {
        if (!name.empty() && name != key) kept += CObj::XMLAttr(name, value);
    });
    order.Filter = kept;
}

bool IsScrambled(const CDBTransOrderObj& order) { return FilterValue(order, kScrambled) == "1"; }

std::string Readable(const CDBTransOrderObj& order, const std::string& stored) {
    return IsScrambled(order) ? StrDec(stored) : stored;
}

// One password of an order: its name in the keyring, the column that keeps
// it otherwise, and the end it opens.
struct PasswordField {
    const char* name;
    std::string CDBTransOrderObj::*column;
    std::string COrderPasswords::*clear;
    const char* role;
};
constexpr PasswordField kPasswordFields[] = {
    {"from", &CDBTransOrderObj::FromPWD, &COrderPasswords::from, "source"},
    {"to", &CDBTransOrderObj::ToPWD, &COrderPasswords::to, "destination"},
    {"zip", &CDBTransOrderObj::TransformPWD, &COrderPasswords::zip, "archive"},
};

platform::SecretAttributes OrderSecretQuery(const std::string& id) {
    return {{"application", "Parcelo"}, {"kind", "order"}, {"order", id}};
}

std::string FieldLocation(const CDBTransOrderObj& order, const PasswordField& field) {
    const std::string name = field.name;
    return name == "from" ? order.FromURL : name == "to" ? order.ToURL : order.TransformFile;
}

// The entry of one field: found by the order's identity and the field; the
// server and user (for an end) or the archive (for the ZIP password) say
// whose it is, in its attributes and its label.
platform::SecretAttributes OrderSecretKey(const CDBTransOrderObj& order, const std::string& id,
                                          const PasswordField& field) {
    platform::SecretAttributes key = OrderSecretQuery(id);
    key.emplace_back("field", field.name);
    CFtpUrl url;
    if (field.column != &CDBTransOrderObj::TransformPWD && url.Parse(FieldLocation(order, field))) {
        key.emplace_back("host", url.host);
        key.emplace_back("port", std::to_string(url.port));
        key.emplace_back("user", field.column == &CDBTransOrderObj::FromPWD ? order.FromLogin : order.ToLogin);
    }
    return key;
}

std::string OrderSecretLabel(const CDBTransOrderObj& order, const PasswordField& field) {
    return Format("Parcelo: %s password of a scheduled order (%s)", field.role, FieldLocation(order, field).c_str());
}

// The fields whose passwords rest in the keyring.
bool InKeyring(const CDBTransOrderObj& order, const PasswordField& field) {
    const std::string fields = "," + FilterValue(order, kKeyringFields) + ",";
    return fields.find("," + std::string(field.name) + ",") != std::string::npos;
}

// What a scheduled run whose password the keyring did not give can do.
std::string KeyringHint(platform::ESecretResult result) {
    switch (result) {
        case platform::ESecretResult::NoService:
            return ". Run the scheduler in the user's desktop session, where the keyring runs, or keep the "
                   "password in the file instead";
        case platform::ESecretResult::Locked:
            return ". Unlock the keyring (log in to the desktop session), or keep the password in the file instead";
        case platform::ESecretResult::NotFound: return ". Store the password again";
        default: return {};
    }
}

// Scrambles the order's passwords and marks the order so.
void Scramble(CDBTransOrderObj& order) {
    for (const PasswordField& field : kPasswordFields) order.*field.column = StrEnc(order.*field.column);
    order.Filter += CObj::XMLAttr(kScrambled, "1");
}

}  // namespace

void ReferToConnection(CDBTransOrderObj& order, EOrderEnd end, const CSavedConnectionRef& connection) {
    (end == EOrderEnd::From ? order.FromPWD : order.ToPWD).clear();
    order.Filter += CObj::XMLAttr(ConnectionKey(end), connection.guid);
    order.Filter += CObj::XMLAttr(ConnectionNameKey(end), connection.name);
}

void SetOrderOverwrite(CDBTransOrderObj& order, EOverwrite policy) {
    if (policy != EOverwrite::Design) order.Filter += CObj::XMLAttr(kOverwrite, OverwriteName(policy));
}

EOverwrite OrderOverwrite(const CDBTransOrderObj& order) { return OverwriteFromName(FilterValue(order, kOverwrite)); }

void SetOrderVerify(CDBTransOrderObj& order, EVerify verify) {
    if (verify != EVerify::Auto) order.Filter += CObj::XMLAttr(kVerify, VerifyName(verify));
}

EVerify OrderVerify(const CDBTransOrderObj& order) {
    EVerify verify = EVerify::Auto;
    ParseVerifyName(FilterValue(order, kVerify), verify);
    return verify;
}

void SetOrderChecksum(CDBTransOrderObj& order, bool checksum) {
    if (checksum) order.Filter += CObj::XMLAttr(kChecksum, "1");
}

bool OrderChecksum(const CDBTransOrderObj& order) { return FilterValue(order, kChecksum) == "1"; }

void SetOrderTls(CDBTransOrderObj& order, EOrderEnd end, const COrderTls& tls) {
    if (tls.mode) order.Filter += CObj::XMLAttr(TlsKey(end), TlsModeName(*tls.mode));
    if (!tls.fingerprint.empty()) order.Filter += CObj::XMLAttr(TlsKey(end, kFingerprintSuffix), tls.fingerprint);
    if (!tls.caFile.empty()) order.Filter += CObj::XMLAttr(TlsKey(end, kCaFileSuffix), tls.caFile);
    if (tls.insecure) order.Filter += CObj::XMLAttr(TlsKey(end, kInsecureSuffix), "1");
}

COrderTls OrderTls(const CDBTransOrderObj& order, EOrderEnd end) {
    COrderTls tls;
    ETlsMode mode = ETlsMode::Plain;
    // A name this version does not know leaves the end as its URL says.
    if (ParseTlsModeName(FilterValue(order, TlsKey(end)), mode)) tls.mode = mode;
    tls.fingerprint = FilterValue(order, TlsKey(end, kFingerprintSuffix));
    tls.caFile = FilterValue(order, TlsKey(end, kCaFileSuffix));
    tls.insecure = FilterValue(order, TlsKey(end, kInsecureSuffix)) == "1";
    return tls;
}

void ApplyOrderTls(CTransPoint& point, const COrderTls& tls) {
    if (tls.IsEmpty()) return;
    CFtpLoginInfo login = point.GetFtpLoginInfo();
    if (login.IsSftp()) {
        // An SSH server proves itself with its host key: the pin is that key's.
        CSshSettings ssh = login.GetSshSettings();
        if (!tls.fingerprint.empty()) ssh.fingerprint = tls.fingerprint;
        login.SetSshSettings(ssh);
        point.SetFtpLoginInfo(login);
        return;
    }
    CTlsSettings settings = login.GetTlsSettings();
    if (tls.mode) settings.mode = *tls.mode;
    if (!tls.fingerprint.empty()) settings.fingerprint = tls.fingerprint;
    if (!tls.caFile.empty()) settings.caFile = tls.caFile;
    settings.insecure = settings.insecure || tls.insecure;
    login.SetTlsSettings(settings);
    point.SetFtpLoginInfo(login);
}

COrderPasswords::~COrderPasswords() {
    for (std::string* password : {&from, &to, &zip}) platform::WipeSecret(*password);
}

bool MoveOrderPasswordsToKeyring(CDBTransOrderObj& order, platform::ESecretResult& result, std::string& error) {
    result = platform::ESecretResult::Ok;
    const EPasswordStore choice = GetPasswordStore();
    if (HasKeyringPasswords(order) || (choice != EPasswordStore::Auto && choice != EPasswordStore::Keyring))
        return false;
    const std::string id = platform::GuidToString(platform::CreateGuid());
    std::string fields;
    for (const PasswordField& field : kPasswordFields) {
        std::string password = Readable(order, order.*field.column);
        if (password.empty()) continue;
        result = platform::StoreSecret(OrderSecretKey(order, id, field), OrderSecretLabel(order, field), password,
                                       error);
        platform::WipeSecret(password);
        if (result != platform::ESecretResult::Ok) {
            // All of the order's passwords move, or none does.
            std::string ignored;
            platform::ClearSecrets(OrderSecretQuery(id), ignored);
            return false;
        }
        fields += (fields.empty() ? "" : ",") + std::string(field.name);
    }
    if (fields.empty()) return false;
    for (const PasswordField& field : kPasswordFields) platform::WipeSecret(order.*field.column);
    RemoveFilterValue(order, kScrambled);
    order.Filter += CObj::XMLAttr(kSecretId, id);
    order.Filter += CObj::XMLAttr(kKeyringFields, fields);
    return true;
}

bool ProtectOrderPasswords(CDBTransOrderObj& order, const std::string& database, std::string& notice,
                           std::string& error) {
    notice.clear();
    const bool any = !order.FromPWD.empty() || !order.ToPWD.empty() || !order.TransformPWD.empty();
    const EPasswordStore choice = GetPasswordStore();
    if (any && choice == EPasswordStore::None) {
        error = "a scheduled order runs with nobody to ask for its password, so it must keep it (in the keyring "
                "or the job database)";
        return false;
    }
    platform::ESecretResult result = platform::ESecretResult::Ok;
    if (any && choice != EPasswordStore::File && !MoveOrderPasswordsToKeyring(order, result, error)) {
        if (result != platform::ESecretResult::NoService || choice != EPasswordStore::Auto) return false;
        notice = error + "; the order's passwords are kept scrambled in the job database " + database +
                 ", where anyone who can read that file can recover them";
        error.clear();
    }
    if (!HasKeyringPasswords(order)) Scramble(order);
    return true;
}

bool HasKeyringPasswords(const CDBTransOrderObj& order) { return !FilterValue(order, kKeyringFields).empty(); }

platform::ESecretResult ReadOrderPasswords(const CDBTransOrderObj& order, COrderPasswords& passwords,
                                           std::string& error) {
    const std::string id = FilterValue(order, kSecretId);
    for (const PasswordField& field : kPasswordFields) {
        if (!InKeyring(order, field)) {
            passwords.*field.clear = Readable(order, order.*field.column);
            continue;
        }
        platform::SecretAttributes query = OrderSecretQuery(id);
        query.emplace_back("field", field.name);
        std::string reason;
        const platform::ESecretResult result = platform::LookupSecret(query, passwords.*field.clear, reason);
        if (result != platform::ESecretResult::Ok) {
            error = Format("the %s password of order %d (%s) is kept in the desktop keyring, ", field.role, order.ID,
                           FieldLocation(order, field).c_str()) +
                    (result == platform::ESecretResult::NotFound ? "which no longer has it" : "but " + reason) +
                    KeyringHint(result);
            return result;
        }
    }
    return platform::ESecretResult::Ok;
}

platform::ESecretResult ForgetOrderPasswords(const CDBTransOrderObj& order, std::string& error) {
    const std::string id = FilterValue(order, kSecretId);
    return id.empty() ? platform::ESecretResult::Ok : platform::ClearSecrets(OrderSecretQuery(id), error);
}

CSavedConnectionRef OrderConnection(const CDBTransOrderObj& order, EOrderEnd end) {
    return {FilterValue(order, ConnectionKey(end)), FilterValue(order, ConnectionNameKey(end))};
}

std::string OrderPassword(const CDBTransOrderObj& order, EOrderEnd end) {
    return Readable(order, end == EOrderEnd::From ? order.FromPWD : order.ToPWD);
}

std::string OrderTransformPassword(const CDBTransOrderObj& order) { return Readable(order, order.TransformPWD); }

bool ApplySavedConnection(CTransPoint& point, const CSavedConnectionRef& connection,
                          const std::string& connectionsFile, std::string& error) {
    CFtpLoginInfoList connections;
    // A list that cannot be read holds no connection either.
    if (!connectionsFile.empty()) connections.LoadXML(connectionsFile);
    const CFtpLoginInfo* saved = connections.FindByGUID(connection.guid);
    if (!saved && !connection.name.empty()) saved = connections.FindByHost(connection.name);
    if (!saved) {
        error = "the saved connection '" + connection.name + "' of this order is not in the connection list" +
                (connectionsFile.empty() ? std::string() : " '" + connectionsFile + "'");
        return false;
    }
    CFtpLoginInfo login(*saved);
    const platform::ESecretResult fetched = FetchSavedPassword(login, error);
    if (fetched != platform::ESecretResult::Ok) {
        error += KeyringHint(fetched);
        return false;
    }
    // The order's own path is where it works; the start folder does not count.
    login.SetFtpPath(CFtpPath());
    point.SetFtpLoginInfo(login);
    return true;
}

}  // namespace velmora
