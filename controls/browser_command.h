// How a link label turns the system's open command for web pages into the
// command line that shows a URL.  Pure text work, apart from the registry
// and the process start, so that it is checked on every platform.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace browser {

// The registry's text of a default value read into a buffer of
// `kValueBytes` bytes: it ends at the first zero character or where the
// buffer ends.
inline constexpr std::size_t kValueBytes = 512;
std::wstring ValueText(std::wstring_view raw);

// The open command cut before its first quoted placeholder "\"%1\"", or, when
// it has none, before its first bare "%1" (whatever followed is dropped);
// then one space and the URL, which is not quoted.
std::wstring CommandLine(std::wstring_view openCommand, std::wstring_view url);

}  // namespace browser
