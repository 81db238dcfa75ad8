#pragma once

// What the program needs to publish, kept in the profile's section "Options":
//
//   ScriptPath          community script URL ("host/path", "http://host/path",
//                       "https://host:port/path")
//   Email               community e-mail address
//   Skyholm_ScriptPath  islands script URL
//   Skyholm_Email       islands e-mail address
//   Skyholm_Password    islands password, obfuscated (see obfuscatePassword)
//
// The script URLs normally come from the system-wide settings; a user's own profile holds one
// only when the user set it (saveScriptUrl), so that an administrator's later change still
// reaches every user.

#include <QString>

class ProfileStore;

// One publish destination.
struct DestinationSettings {
    QString server;      // host, with no scheme; may carry ":port"
    QString scriptPath;  // "" or beginning with "/"
    bool secure = false; // the script URL was given with "https://": upload over TLS
    QString email;
    QString password; // the islands account's password, exactly as typed; empty otherwise

    // The server immediately followed by the script path, no scheme ("host/path").
    QString serverAndPath() const { return server + scriptPath; }
    // The URL as stored: serverAndPath, with "https://" in front when secure.
    QString scriptUrl() const;
    // Splits a URL: the text is trimmed; everything up to and including the first "://" is
    // dropped ("https" before it, in any case, sets secure); the server is what stands
    // before the first "/" (trimmed), the path the rest, with a "/" put in front when
    // missing.
    void setScriptUrl(const QString& url);
    // 443 when secure, else 80; a ":port" in the server overrides either.
    quint16 defaultPort() const { return secure ? 443 : 80; }

    bool operator==(const DestinationSettings&) const = default;
};

enum class Site { Community, Islands };

struct Settings {
    DestinationSettings community; // the community highscores site
    DestinationSettings islands;   // the islands game's site

    // Reads section "Options", replacing what is in memory. Addresses are trimmed; the
    // password is taken exactly as stored.
    void load(const ProfileStore& profile);
    // Writes the two e-mail addresses and the password (the account fields the user edits),
    // in that order. An empty script URL left in the profile by older versions is removed
    // first, since it would hide the system-wide one. False when a write failed.
    bool saveAccount(ProfileStore& profile) const;

    const DestinationSettings& destination(Site site) const;

    bool operator==(const Settings&) const = default;
};

// Stores a script URL the user gave, as scriptUrl() writes it; an empty one removes the
// user's own value, so the system-wide one applies again. One that the profile already gives
// (the user's own or the system-wide value) is not written, so that an administrator's later
// change still reaches the user. False when the write failed.
bool saveScriptUrl(ProfileStore& profile, Site site, const QString& url);

// Removes spaces, tabs, carriage returns and line feeds from both ends (only these four).
QString trimmedText(const QString& text);

// True for an empty address and for one whose first "@" is neither its first nor its last
// character. The address is taken as given (trim it first).
bool isValidEmailAddress(const QString& address);
inline constexpr char kInvalidEmailText[] = "Invalid E-mail format.";

// The stored password is obfuscated, not encrypted: byte i of its 8-bit text is XORed with
// (0x6B + 0x35 * i) mod 256 and written as two uppercase hex digits.
QString obfuscatePassword(const QString& password);
// The inverse: a last odd character is ignored, a character that is no hex digit counts as
// 0, and the text ends at a decoded zero byte.
QString revealPassword(const QString& stored);
