// The wide strings of the window API over the runtime's conversions (which
// own the program's Windows-1251 table): UTF-16 in wchar_t, as the window
// API takes it, and UTF-8 in the program's own strings.
#pragma once

#include <string>
#include <string_view>

namespace tk {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);
// Text of unknown origin (an exception's message): UTF-8 when it is valid
// UTF-8, else Windows-1251.
std::wstring WidenMessage(std::string_view bytes);

}  // namespace tk
