#include "publish/UploadBody.h"

#include "scores/HighscoreSource.h"
#include "ui/Settings.h"

#include <QByteArray>

#include <cstdio>

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_-";
const char kPad = '.';

// Appends pieces and remembers whether any of them could not be stored.
class Appender {
public:
    explicit Appender(ByteBuffer& out) : out(out) {}
    void Bytes(const void* data, std::size_t n) {
        if (n == 0)
            return;
        if (n > UINT32_MAX || !out.Append(data, static_cast<std::uint32_t>(n)))
            ok = false;
    }
    void Text(std::string_view text) { Bytes(text.data(), text.size()); }
    void Byte(std::uint8_t value) {
        if (!out.AppendByte(value))
            ok = false;
    }
    void U32(std::uint32_t value) {
        if (!out.AppendU32(value))
            ok = false;
    }
    // True when every piece was stored; otherwise empties the buffer.
    bool Finish() {
        if (!ok)
            out.Clear();
        return ok;
    }

private:
    ByteBuffer& out;
    bool ok = true;
};

} // namespace

bool CHighscoreSource::BuildUploadBody(const CSettings& settings, ByteBuffer& out) {
    return BuildTableUploadBody(settings.community.email, out);
}

bool CHighscoreSource::GetUploadTarget(const CSettings& settings, std::string& server,
                                       std::uint32_t& port, std::string& userName,
                                       std::string& password, std::string& scriptPath) {
    CopyUploadTarget(settings.community, server, port, userName, password, scriptPath);
    return true;
}

void CopyUploadTarget(const DestinationSettings& target, std::string& server, std::uint32_t& port,
                      std::string& userName, std::string& password, std::string& scriptPath) {
    server = target.server;
    port = target.port;
    userName = target.userName;
    password = target.password;
    scriptPath = target.scriptPath;
}

bool CHighscoreSource::BuildTableUploadBody(const std::string& email, ByteBuffer& out) const {
    if (data.Length() == 0)
        return false;
    ByteBuffer chosenText;
    ChosenAsText(chosenText);
    Appender append(out);
    if (data.Data() && data.Length() - 1 > 0)
        append.Bytes(data.Data(), data.Length() - 1);
    append.Byte('\n');
    append.Text(chosenText.View());
    append.Byte(':');
    append.Text(email);
    return append.Finish();
}

bool BuildIslandsUploadBody(const std::string& email, const std::string& password,
                            const std::vector<std::uint32_t>& chosenEntries,
                            const std::vector<IslandUploadItem>& islands, std::vector<bool>& chosen,
                            ByteBuffer& out) {
    const std::size_t count = islands.size();
    chosen.assign(count, false);
    if (count == 0)
        return false;
    for (std::uint32_t value : chosenEntries) {
        if (value < count)
            chosen[value] = true;
    }

    Appender append(out);
    append.Text(kIslandsClientToken);
    append.Byte('\n');
    append.Text(IslandsHeaderText());
    append.Byte('\n');
    append.Text(email);
    append.Byte(':');
    append.Text(password);
    append.Byte('\n');
    append.Byte(0);
    for (std::size_t i = 0; i < count; ++i) {
        const IslandUploadItem& island = islands[i];
        if (island.bytes.empty() || !chosen[i] || island.done)
            continue;
        if (island.bytes.size() > UINT32_MAX) {
            out.Clear();
            return false;
        }
        append.U32(static_cast<std::uint32_t>(island.bytes.size()));
        append.Text(island.bytes);
    }
    append.U32(0);
    append.U32(kIslandsEndMark);
    return append.Finish();
}

std::string IslandsHeaderText() {
    char header[32];
    std::snprintf(header, sizeof header, "%i|10|Zelk Skyholm", 1001);
    return header;
}

std::size_t EncodedLength(std::size_t n) {
    return 4 * (n / 3) + (n % 3 != 0 ? 4 : 0) + 1;
}

void EncodeBody(char* out, std::size_t capacity, const std::uint8_t* in, std::size_t n) {
    if (capacity == 0 || !out)
        return;
    if (!in)
        n = 0;
    std::size_t room = capacity - 1;
    while (n >= 3 && room >= 4) {
        const unsigned b0 = in[0], b1 = in[1], b2 = in[2];
        *out++ = kAlphabet[b0 >> 2];
        *out++ = kAlphabet[((b0 & 3) << 4) | (b1 >> 4)];
        *out++ = kAlphabet[((b1 & 15) << 2) | (b2 >> 6)];
        *out++ = kAlphabet[b2 & 63];
        in += 3;
        n -= 3;
        room -= 4;
    }
    if (n > 0 && n < 3 && room >= 4) {
        const unsigned b0 = in[0];
        *out++ = kAlphabet[b0 >> 2];
        if (n == 1) {
            *out++ = kAlphabet[(b0 & 3) << 4];
            *out++ = kPad;
        } else {
            const unsigned b1 = in[1];
            *out++ = kAlphabet[((b0 & 3) << 4) | (b1 >> 4)];
            *out++ = kAlphabet[(b1 & 15) << 2];
        }
        *out++ = kPad;
    }
    *out = '\0';
}

std::string EncodeBody(std::string_view bytes) {
    std::string text(EncodedLength(bytes.size()), '\0');
    EncodeBody(text.data(), text.size(), reinterpret_cast<const std::uint8_t*>(bytes.data()),
               bytes.size());
    text.pop_back();
    return text;
}

std::optional<std::string> DecodeBody(std::string_view text) {
    // Standard Base64 with "_", "-" and "." in place of "+", "/" and "="; any other form of the
    // same bytes (those three standard characters, missing pads, stray bits) encodes back to a
    // different text and is refused.
    QByteArray standard(text.data(), qsizetype(text.size()));
    standard.replace('_', '+').replace('-', '/').replace('.', '=');
    const auto decoded =
        QByteArray::fromBase64Encoding(standard, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    std::string bytes = decoded.decoded.toStdString();
    if (EncodeBody(bytes) != text)
        return std::nullopt;
    return bytes;
}
