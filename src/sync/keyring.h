#pragma once

#include "sync/account.h"

#include <QString>
#include <optional>

namespace norvane {

// The account's password in the desktop's keyring (the Secret Service,
// through QtKeychain). Each call waits for the keyring; where there is none
// (no desktop session, or it is locked and stays so) it fails with the
// keyring's own reason.
bool keepPasswordInKeyring(const CardDavAccount& account, const QString& password, QString& reason);
std::optional<QString> passwordFromKeyring(const CardDavAccount& account, QString& reason);
void forgetPasswordInKeyring(const CardDavAccount& account);

// The account's password: the first line its password command prints (a
// command this user set for the account on this computer, never one that
// only the book names), or, without a command, the keyring's entry.
std::optional<QString> accountPassword(const CardDavAccount& account, QString& reason);

} // namespace norvane
