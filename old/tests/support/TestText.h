#pragma once

#include "device/RapiDevice.h"
#include "device/TextCodec.h"
#include "scores/HighscoreSource.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Small conversions and views several unit tests share.

inline std::u16string W(const char* utf8) {
    return QString::fromUtf8(utf8).toStdU16String();
}

inline std::string Le32(std::uint32_t v) {
    return {char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char(v >> 24)};
}

// A search's results as "name/attributes " for each record, or "<failed>".
inline std::string Listing(IRapiDevice& device, const char* pattern, rapi::DWORD flags) {
    rapi::DWORD count = 99;
    rapi::CE_FIND_DATA* found = nullptr;
    if (!device.CeFindAllFiles(W(pattern).c_str(), flags, &count, &found))
        return "<failed>";
    std::string text;
    for (rapi::DWORD i = 0; i < count; ++i)
        text += NarrowFromWide(found[i].cFileName, rapi::MAX_PATH) + "/" +
                std::to_string(found[i].dwFileAttributes) + " ";
    device.CeRapiFreeBuffer(found);
    return text;
}

// Bytes as a decoder gets them, with the zero byte a read from the handheld appends.
inline ByteBuffer BufferOf(std::string_view bytes, bool zeroTerminated = true) {
    ByteBuffer data;
    data.Append(bytes);
    if (zeroTerminated)
        data.AppendByte(0);
    data.SetPosition(0);
    return data;
}
inline ByteBuffer BufferOf(const QByteArray& bytes, bool zeroTerminated = true) {
    return BufferOf(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                    zeroTerminated);
}

inline RecordTable NewTable(std::int32_t limit = 25) {
    RecordTable table;
    table.limit = limit;
    table.salt = kHighscoreSalt;
    return table;
}

// The texts of the entries the tree would show, optionally with their record indices.
inline std::vector<std::string> ShownEntries(CHighscoreSource& source,
                                             std::vector<int>* indices = nullptr) {
    std::vector<std::string> shown;
    int index = 0;
    for (bool more = source.FirstEntry(); more; more = source.NextEntry(), ++index) {
        std::string text;
        if (!source.GetEntryText(text))
            continue;
        shown.push_back(text);
        if (indices)
            indices->push_back(index);
    }
    return shown;
}
