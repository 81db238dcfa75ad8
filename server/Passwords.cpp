#include "server/Passwords.h"

#include <sodium.h>

bool InitPasswords() {
    return sodium_init() >= 0;
}

QByteArray HashPassword(QByteArrayView password) {
    char hash[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str_alg(
            hash, password.data(), std::size_t(password.size()), crypto_pwhash_OPSLIMIT_INTERACTIVE,
            crypto_pwhash_MEMLIMIT_INTERACTIVE, crypto_pwhash_ALG_ARGON2ID13) != 0)
        return {};
    return QByteArray(hash);
}

bool PasswordMatches(const QByteArray& hash, QByteArrayView password) {
    if (hash.isEmpty() || hash.size() >= crypto_pwhash_STRBYTES)
        return false;
    return crypto_pwhash_str_verify(hash.constData(), password.data(),
                                    std::size_t(password.size())) == 0;
}
