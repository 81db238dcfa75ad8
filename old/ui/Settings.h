#pragma once

// What the program needs to publish: for each of the two destinations the server, the upload
// script's path, the port, the HTTP credentials and the account e-mail; for the islands site
// also the account password. Kept in the per-user profile, section "Options":
//
//   ScriptPath          community script URL ("host/path", "http://host/path" or
//                       "https://host/path")
//   Email               community e-mail address
//   Skyholm_ScriptPath  islands script URL
//   Skyholm_Email       islands e-mail address
//   Skyholm_Password    islands password, encoded with EncodePassword
//
// Reading falls back to the system-wide settings, so an installer or administrator provides
// the two script URLs for every user (Linux: $XDG_CONFIG_DIRS/Zelkora/Scorvane.conf, by
// default /etc/xdg/Zelkora/Scorvane.conf; Windows: the machine-wide registry key
// HKEY_LOCAL_MACHINE\Software\Zelkora\Scorvane).

#include <cstdint>
#include <string>

// The stored password is obfuscated, not encrypted: byte i is XORed with the key byte
// (kPasswordKeyStart + kPasswordKeyStep * i) mod 256 and written as two uppercase hex digits.
// Changing either constant makes every stored password decode to different bytes.
inline constexpr unsigned kPasswordKeyStart = 0x6B; // 107
inline constexpr unsigned kPasswordKeyStep = 0x35;  // 53

// Removes spaces, tabs, carriage returns and line feeds from both ends (only these four).
std::string TrimWhitespace(const std::string& text);
// The password as hex text, twice as long as the password; "" for "".
std::string EncodePassword(const std::string& password);
// The inverse of EncodePassword. A last odd character is ignored, a character that is no hex
// digit counts as 0, and the text ends at a decoded zero byte (a password is 8-bit text).
std::string DecodePassword(const std::string& text);
// 0 to 15 for "0"-"9", "A"-"F", "a"-"f"; 0 for anything else.
int HexDigitValue(char c);

// One publish destination.
class DestinationSettings {
public:
    std::string server;      // host, with no scheme; may carry ":port"
    std::string scriptPath;  // "" or beginning with "/"
    std::uint32_t port = 80; // 80, or 443 for a script URL stored with "https://"
    std::string userName;    // HTTP user name; always empty
    std::string password;    // HTTP password; the account password for the islands site
    std::string email;       // the account's e-mail address
    bool secure = false;     // the script URL was stored with "https://": upload over TLS

    // The server immediately followed by the script path (no scheme).
    std::string GetServerAndPath() const { return server + scriptPath; }
    // The script URL as it is stored: GetServerAndPath, with "https://" in front when secure.
    std::string GetScriptUrl() const;

    // Each text setter but SetPassword trims its argument first; a password is kept exactly as
    // typed.
    void SetServer(const std::string& text);
    void SetScriptPath(const std::string& text);
    // Splits a stored URL into server and path. The scheme is dropped; "https" (in any case)
    // is remembered in secure, anything else clears it. A ":port" stays part of the server.
    void SetScriptUrl(const std::string& text);
    void SetUserName(const std::string& text) { userName = TrimWhitespace(text); }
    void SetPassword(const std::string& text) { password = text; }
    void SetEmail(const std::string& text) { email = TrimWhitespace(text); }
    // Stores at most 65535.
    void SetPort(std::uint32_t value) { port = value > 65535 ? 65535 : value; }

    bool operator==(const DestinationSettings&) const = default;
};

class CSettings {
public:
    CSettings() = default;
    CSettings(const CSettings&) = default;
    CSettings& operator=(const CSettings&) = default;
    virtual ~CSettings() = default;

    // Re-reads section "Options" of the profile (falling back to the system-wide settings)
    // into both destinations, replacing what was in memory.
    void Load();
    // Writes the five keys; false when the profile could not be saved. A script URL is
    // written only when the user set it: one that the user's own profile does not hold and
    // that equals the system-wide value (or is empty) stays unwritten, and an empty one is
    // removed from the user's profile, so that the administrator's URLs, now or later, reach
    // this user.
    [[nodiscard]] bool Save() const;

    // True when a target copied from one of the destinations (server and script path) belongs
    // to a destination whose script URL was stored with "https://".
    bool IsSecureTarget(const std::string& server, const std::string& scriptPath) const;

    bool operator==(const CSettings&) const = default;

    DestinationSettings community; // destination 1
    DestinationSettings islands;   // destination 2
};
