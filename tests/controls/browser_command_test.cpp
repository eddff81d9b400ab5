#include <gtest/gtest.h>

#include "controls/browser_command.h"

namespace {

using browser::CommandLine;
using browser::ValueText;

TEST(BrowserCommand, CutsAtThePlaceholderAndAppendsOneSpaceAndTheURL) {
    // The space before the quoted placeholder stays, and one more is added.
    EXPECT_EQ(L"\"C:\\Program Files\\Browser\\browser.exe\"  http://example.org/",
              CommandLine(L"\"C:\\Program Files\\Browser\\browser.exe\" \"%1\"", L"http://example.org/"));
    // No placeholder: the whole command.
    EXPECT_EQ(L"\"C:\\b.exe\" -nohome mailto:me@example.org",
              CommandLine(L"\"C:\\b.exe\" -nohome", L"mailto:me@example.org"));
    // A bare placeholder: what follows it goes, switches included.
    EXPECT_EQ(L"C:\\b.exe -new  http://example.org/", CommandLine(L"C:\\b.exe -new %1 -quiet", L"http://example.org/"));
    // An empty URL still gets its space.
    EXPECT_EQ(L"C:\\b.exe ", CommandLine(L"C:\\b.exe", L""));
}

TEST(BrowserCommand, PrefersTheQuotedPlaceholderAndMatchesLiterally) {
    // A bare %1 earlier than the quoted one loses to it.
    EXPECT_EQ(L"b.exe %1x  u", CommandLine(L"b.exe %1x \"%1\" tail", L"u"));
    // Case and other digits are not the placeholder.
    EXPECT_EQ(L"b.exe %L %2 u", CommandLine(L"b.exe %L %2", L"u"));
    EXPECT_EQ(L"b.exe \" u", CommandLine(L"b.exe \"%1", L"u"));
    EXPECT_EQ(L" u", CommandLine(L"%1", L"u"));
}

TEST(BrowserCommand, RegistryTextEndsAtItsFirstZeroOrAtTheBuffersEnd) {
    EXPECT_EQ(L"htmlfile", ValueText(std::wstring(L"htmlfile\0junk", 13)));
    EXPECT_EQ(L"", ValueText(L""));
    const std::wstring wide(300, L'x');
    EXPECT_EQ(std::wstring(256, L'x'), ValueText(wide)) << "512 bytes of two-byte characters";
}

}  // namespace
