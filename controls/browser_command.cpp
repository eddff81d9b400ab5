#include "controls/browser_command.h"

namespace browser {

std::wstring ValueText(std::wstring_view raw) {
    // The buffer holds 512 bytes, whatever the width of a character.
    constexpr std::size_t capacity = kValueBytes / sizeof(char16_t);
    std::wstring_view text = raw.substr(0, capacity);
    return std::wstring(text.substr(0, text.find(L'\0')));
}

std::wstring CommandLine(std::wstring_view openCommand, std::wstring_view url) {
    std::size_t cut = openCommand.find(L"\"%1\"");
    if (cut == std::wstring_view::npos) cut = openCommand.find(L"%1");
    std::wstring line(openCommand.substr(0, cut));
    line += L' ';
    line += url;
    return line;
}

}  // namespace browser
