#pragma once
// Passwords and session tokens (libsodium). A password is kept only as an
// Argon2id hash whose text carries its own salt and cost; a token is 256
// random bits handed to the client once, the database keeping only its digest.

#include <string>

namespace stanor::dataservice {

// The shortest password admitted, in characters.
constexpr size_t kMinPasswordLength = 10;
// The longest password read, in bytes (a sign-in with more is refused unread).
constexpr size_t kMaxPasswordBytes = 1024;

// Empty when `utf8` may become a password; else the French reason.
std::string RefusePassword(const std::string& utf8);

// The Argon2id hash text of a password, at the cost of every sign-in
// (libsodium's interactive limits: 2 passes over 64 MiB). Throws when the
// machine cannot spare the memory.
std::string HashPassword(const std::string& password);

// Whether `password` matches the hash text. An empty or malformed hash
// matches nothing, after the same work as a real one, so that the time of a
// refusal does not tell an unknown user from a wrong password.
bool VerifyPassword(const std::string& hash, const std::string& password);

// A new session token: 32 random bytes in URL-safe base64 without padding (43 characters).
std::string NewToken();
// Whether a text has the shape of a token (43 characters of URL-safe base64).
bool IsTokenShape(const std::string& token);
// What the database keeps of a token: its BLAKE2b-256 digest in hexadecimal.
std::string TokenDigest(const std::string& token);

}  // namespace stanor::dataservice
