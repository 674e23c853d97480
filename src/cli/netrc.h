#pragma once

#include <string>

namespace parcelo::cli {

// One machine's account in a netrc file ("machine HOST login USER password
// PASS", or "default ..."), the file curl and lftp read.
struct NetrcAccount {
    std::string login;
    std::string password;
};

// The account for `host` in the text of a netrc file: the first "machine"
// entry of that host whose login is `login` (any login when `login` is
// empty), else the "default" entry. False when there is none.
bool FindNetrcAccount(const std::string& text, const std::string& host, const std::string& login,
                      NetrcAccount& account);

// ~/.netrc (or $NETRC): the account for `host`, read only from a file that
// only its owner can read; `warning` says why a file that is there was not
// used.
bool ReadNetrcAccount(const std::string& host, const std::string& login, NetrcAccount& account,
                      std::string& warning);

}  // namespace parcelo::cli
