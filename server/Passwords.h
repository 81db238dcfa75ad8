#pragma once

// Account passwords, kept as Argon2id hashes (libsodium's string form, which carries its salt
// and cost). Passwords are never stored or logged in any other form.

#include <QByteArray>
#include <QByteArrayView>

// Prepares the library; false when it cannot be used.
bool InitPasswords();

// The hash of the password; empty when hashing failed (out of memory).
QByteArray HashPassword(QByteArrayView password);

bool PasswordMatches(const QByteArray& hash, QByteArrayView password);
