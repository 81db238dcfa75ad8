#pragma once

// Types and constants of the handheld's remote API, with the sizes the wire uses: 16-bit UTF-16
// characters and 32-bit numbers on every desktop platform. Only the library backend (and the
// stand-in library of the tests) speaks this API.

#include <cstddef>
#include <cstdint>

namespace rapi {

using DWORD = std::uint32_t;
using LONG = std::int32_t;
using BOOL = std::int32_t;
using HRESULT = std::int32_t;
using WCHAR = char16_t;
using BYTE = std::uint8_t;

// Registry keys and file handles as the library declares them: pointers on Windows, 32-bit
// numbers in the open-source library. Every other argument has the same size and layout on
// both.
#ifdef _WIN32
using HKEY = void*;
using HANDLE = void*;
#else
using HKEY = std::uint32_t;
using HANDLE = std::uint32_t;
#endif

// The predefined keys, as 32-bit values (sign-extended where a key is a pointer).
constexpr DWORD kCurrentUser = 0x80000001u;
constexpr DWORD kLocalMachine = 0x80000002u;

constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;
constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFFu;

constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_INVALID_HANDLE = 6;
constexpr LONG ERROR_MORE_DATA = 234;
constexpr LONG ERROR_NO_MORE_ITEMS = 259;

constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;

constexpr DWORD KEY_ALL_ACCESS = 0xF003Fu;

constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;
constexpr DWORD FILE_SHARE_READ = 1;
constexpr DWORD OPEN_EXISTING = 3;

constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD FILE_ATTRIBUTE_TEMPORARY = 0x100; // marks a storage card's top folder

constexpr DWORD FAF_ATTRIBUTES = 0x1;
constexpr DWORD FAF_NAME = 0x80;
constexpr DWORD FAF_ATTRIB_CHILDREN = 0x1000;
constexpr DWORD FAF_FOLDERS_ONLY = 0x4000;

constexpr DWORD MAX_PATH = 260;

struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

// One record of a folder search, 560 bytes: attributes at offset 0, the name at offset 40.
struct CE_FIND_DATA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwOID;
    WCHAR cFileName[MAX_PATH];
};

static_assert(sizeof(WCHAR) == 2);
static_assert(sizeof(CE_FIND_DATA) == 560);
static_assert(offsetof(CE_FIND_DATA, cFileName) == 40);

} // namespace rapi
