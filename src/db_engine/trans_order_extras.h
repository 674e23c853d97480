#pragma once

#include <optional>
#include <string>

#include "db/db_trans_order_obj.h"
#include "engine/file_check.h"
#include "engine/overwrite_policy.h"
#include "ftp/tls_trust.h"
#include "platform/api.h"
#include "platform/secret_store.h"

namespace velmora {

class CTransPoint;

// What a transfer order keeps besides its columns. It lives in the order's
// filter text as pairs that older readers take for filters they do not know,
// and skip:
//  - an end that names a saved connection holds the connection's GUID and
//    name and no password: login and password are read from the connection
//    list each time the order runs, so that a changed password applies (the
//    name finds a connection that was saved again under a new GUID);
//  - the passwords an order does store rest in the desktop's keyring, under
//    an identity of the order's own, its columns left empty (what older
//    readers take as no password); or, where the host chose the file or no
//    keyring runs, scrambled in its columns the way the connection list
//    scrambles them (a mark says so; orders without it, written before, hold
//    them as typed);
//  - what the order does with local files that are there already, when it
//    asks for more than the engine's own behaviour;
//  - whether it checks files against their server's hash, when it asks for
//    other than the default (auto);
//  - whether a mirror order compares files of equal size by their hashes
//    instead of their times, when it asks for that;
//  - how a server end protects its session, where that differs from what
//    the end's URL scheme or saved connection says: the TLS mode (an ftp://
//    end in auto mode), and whom it trusts (pin, CA file, any certificate).
enum class EOrderEnd { From, To };

// The TLS settings an order gives one of its server ends on top of those of
// its URL or saved connection. Empty: the end keeps those.
struct COrderTls {
    std::optional<ETlsMode> mode;
    std::string fingerprint;
    std::string caFile;
    bool insecure = false;

    bool IsEmpty() const { return !mode && fingerprint.empty() && caFile.empty() && !insecure; }
};

// A saved connection as an order names it.
struct CSavedConnectionRef {
    std::string guid;
    std::string name;

    bool IsEmpty() const { return guid.empty() && name.empty(); }
};

// Makes `end` refer to a saved connection and drops its password.
VELMORA_API void ReferToConnection(CDBTransOrderObj& order, EOrderEnd end, const CSavedConnectionRef& connection);
// The order's own overwrite policy (Design, the default, stores nothing).
VELMORA_API void SetOrderOverwrite(CDBTransOrderObj& order, EOverwrite policy);
VELMORA_API EOverwrite OrderOverwrite(const CDBTransOrderObj& order);
// The order's own verification (Auto, the default, stores nothing; a name
// this version does not know reads as Auto).
VELMORA_API void SetOrderVerify(CDBTransOrderObj& order, EVerify verify);
VELMORA_API EVerify OrderVerify(const CDBTransOrderObj& order);
// Whether a mirror order compares files of equal size by hash (false, the
// default, stores nothing).
VELMORA_API void SetOrderChecksum(CDBTransOrderObj& order, bool checksum);
VELMORA_API bool OrderChecksum(const CDBTransOrderObj& order);

// What the order adds to an end's TLS settings; the setter stores only what
// is given.
VELMORA_API void SetOrderTls(CDBTransOrderObj& order, EOrderEnd end, const COrderTls& tls);
VELMORA_API COrderTls OrderTls(const CDBTransOrderObj& order, EOrderEnd end);
// Lays the order's TLS settings over those of a server point; for an SFTP
// point only the pinned fingerprint, which is its host key's.
VELMORA_API void ApplyOrderTls(CTransPoint& point, const COrderTls& tls);

// The passwords of an order in clear, wherever they rest; wiped when it goes.
struct VELMORA_API COrderPasswords {
    std::string from;
    std::string to;
    std::string zip;

    COrderPasswords() = default;
    COrderPasswords(const COrderPasswords&) = delete;
    COrderPasswords& operator=(const COrderPasswords&) = delete;
    ~COrderPasswords();
};

// Puts the order's passwords (source, destination, archive) away as the
// host's choice says (EPasswordStore): into the keyring; or scrambled in its
// columns, for the choice File or, for Auto, where no keyring runs (then
// `notice` says so and names `database`, the job database's file). Call once,
// after the passwords are set. False with `error` when the keyring was
// chosen or is there but cannot take them, and for the choice None: a
// scheduled order cannot ask anyone.
VELMORA_API bool ProtectOrderPasswords(CDBTransOrderObj& order, const std::string& database, std::string& notice,
                                       std::string& error);
// Moves passwords the order keeps in its columns (scrambled or as typed)
// into the keyring, when the host's choice allows it. True when the order
// changed and must be written again; `result` tells why it did not.
VELMORA_API bool MoveOrderPasswordsToKeyring(CDBTransOrderObj& order, platform::ESecretResult& result,
                                             std::string& error);
// Whether some of the order's passwords rest in the keyring.
VELMORA_API bool HasKeyringPasswords(const CDBTransOrderObj& order);
// Every password of the order in clear, those in the keyring read from it.
// The error names the order and the end whose password could not be read.
VELMORA_API platform::ESecretResult ReadOrderPasswords(const CDBTransOrderObj& order, COrderPasswords& passwords,
                                                       std::string& error);
// Deletes the order's keyring entries (none: Ok).
VELMORA_API platform::ESecretResult ForgetOrderPasswords(const CDBTransOrderObj& order, std::string& error);

// The saved connection an end names; empty when it names none.
VELMORA_API CSavedConnectionRef OrderConnection(const CDBTransOrderObj& order, EOrderEnd end);
// The passwords kept in the order's columns in clear, scrambled or not; ""
// for those in the keyring.
VELMORA_API std::string OrderPassword(const CDBTransOrderObj& order, EOrderEnd end);
VELMORA_API std::string OrderTransformPassword(const CDBTransOrderObj& order);

// Gives an FTP point the server, account and settings of the saved
// connection in `connectionsFile` (by GUID, else by name), keeping the
// point's path; a password the connection keeps in the keyring is read
// from there. False (with `error`) when the list cannot be read, lacks the
// connection, or the keyring does not give its password.
VELMORA_API bool ApplySavedConnection(CTransPoint& point, const CSavedConnectionRef& connection,
                                      const std::string& connectionsFile, std::string& error);

}  // namespace velmora
