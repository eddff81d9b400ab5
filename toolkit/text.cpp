#include "toolkit/text.h"

#include "runtime/text.h"

namespace tk {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the window API's wide characters are UTF-16 units");

namespace {

std::wstring FromUtf16(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

}  // namespace

std::wstring Widen(std::string_view utf8) { return FromUtf16(rt::Utf8ToUtf16(utf8)); }

std::string Narrow(std::wstring_view utf16) {
    return rt::Utf16ToUtf8(std::u16string(utf16.begin(), utf16.end()));
}

std::wstring WidenMessage(std::string_view bytes) {
    // Ill-formed UTF-8 comes back other than it went in (its bytes become
    // U+FFFD); well-formed text comes back unchanged.
    const std::u16string utf16 = rt::Utf8ToUtf16(bytes);
    return FromUtf16(rt::Utf16ToUtf8(utf16) == bytes ? utf16 : rt::Cp1251ToUtf16(bytes));
}

}  // namespace tk
