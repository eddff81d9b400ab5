// The program's own Windows-1251 table against the one Windows has.
#include <string>

#include <gtest/gtest.h>
#include <windows.h>

#include "runtime/text.h"

namespace {

TEST(Cp1251, AgreesWithTheSystemsCodePage) {
    for (int b = 0x80; b < 256; ++b) {
        if (b == 0x98) continue;
        const char byte = static_cast<char>(b);
        wchar_t system = 0;
        ASSERT_EQ(MultiByteToWideChar(1251, 0, &byte, 1, &system, 1), 1);
        EXPECT_EQ(rt::Cp1251ToUtf16(std::string(1, byte)), std::u16string(1, static_cast<char16_t>(system))) << b;
    }
}

}  // namespace
