// Text conversions by the program's own tables, never the system code page:
// the cipher's key depends on the Windows-1251 bytes of the password, so they
// must be the same on every copy and every locale.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace rt {

// nullopt when the text is not valid UTF-8 / UTF-16 or holds a character that
// Windows-1251 does not have.
std::optional<std::string> Utf8ToCp1251(std::string_view utf8);
std::optional<std::string> Utf16ToCp1251(std::u16string_view utf16);
std::string Cp1251ToUtf8(std::string_view cp1251);
std::u16string Cp1251ToUtf16(std::string_view cp1251);

// Invalid sequences become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// Counts characters (code points) of valid UTF-8; each ill-formed part
// counts as the one U+FFFD that Utf8ToUtf16 makes of it.
std::size_t Utf8Length(std::string_view utf8);

}  // namespace rt
