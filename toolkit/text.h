// Conversions between the UTF-8 of the program's strings and the UTF-16 of
// the wide window API.
#pragma once

#include <string>
#include <string_view>

namespace tk {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);
// Text of unknown origin: UTF-8 when it is valid UTF-8, else Windows-1251.
std::wstring WidenMessage(std::string_view bytes);

}  // namespace tk
