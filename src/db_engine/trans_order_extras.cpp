#include "db_engine/trans_order_extras.h"

#include "base/password.h"
#include "ftp/login_info.h"
#include "ftp/tls_trust.h"
#include "objects/obj.h"
#include "tasks/trans_point.h"

namespace velmora {
namespace {

constexpr const char* kScrambled = "order-passwords-scrambled";
constexpr const char* kOverwrite = "order-overwrite";

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

bool IsScrambled(const CDBTransOrderObj& order) { return FilterValue(order, kScrambled) == "1"; }

std::string Readable(const CDBTransOrderObj& order, const std::string& stored) {
    return IsScrambled(order) ? StrDec(stored) : stored;
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
    CTlsSettings settings = login.GetTlsSettings();
    if (tls.mode) settings.mode = *tls.mode;
    if (!tls.fingerprint.empty()) settings.fingerprint = tls.fingerprint;
    if (!tls.caFile.empty()) settings.caFile = tls.caFile;
    settings.insecure = settings.insecure || tls.insecure;
    login.SetTlsSettings(settings);
    point.SetFtpLoginInfo(login);
}

void ScrambleOrderPasswords(CDBTransOrderObj& order) {
    for (std::string* password : {&order.FromPWD, &order.ToPWD, &order.TransformPWD}) *password = StrEnc(*password);
    order.Filter += CObj::XMLAttr(kScrambled, "1");
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
    // The order's own path is where it works; the start folder does not count.
    login.SetFtpPath(CFtpPath());
    point.SetFtpLoginInfo(login);
    return true;
}

}  // namespace velmora
