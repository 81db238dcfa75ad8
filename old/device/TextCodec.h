#pragma once

// The program keeps text as 8-bit strings in the system code page; names and paths become
// UTF-16 only at the handheld's boundary, and UTF-16 text from the handheld is converted back.

#include <QString>
#include <cstddef>
#include <string>
#include <string_view>

// Converts the 8-bit text up to its first NUL into UTF-16.
std::u16string WideFromNarrow(std::string_view text);

// Converts UTF-16 text, up to its first NUL or maxUnits units, into 8-bit text.
std::string NarrowFromWide(const char16_t* text, std::size_t maxUnits);
std::string NarrowFromWide(std::u16string_view text);

// Between the program's 8-bit text and Qt's strings.
QString QStringFromNarrow(std::string_view text);
std::string NarrowFromQString(const QString& text);

// Case-insensitive comparison of two 8-bit texts in the system code page: <0, 0 or >0.
int CompareNoCase(std::string_view a, std::string_view b);
