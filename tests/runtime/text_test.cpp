#include <gtest/gtest.h>

#include "runtime/secret.h"
#include "runtime/text.h"

namespace {

std::string Byte(int b) { return std::string(1, static_cast<char>(b)); }

TEST(Cp1251, EveryMappedByteRoundTrips) {
    for (int b = 0; b < 256; ++b) {
        if (b == 0x98) continue;
        SCOPED_TRACE(b);
        const std::string utf8 = rt::Cp1251ToUtf8(Byte(b));
        EXPECT_EQ(rt::Utf8ToCp1251(utf8), Byte(b));
        const std::u16string utf16 = rt::Cp1251ToUtf16(Byte(b));
        ASSERT_EQ(utf16.size(), 1u);
        EXPECT_NE(utf16[0], 0xFFFD);
        EXPECT_EQ(rt::Utf16ToCp1251(utf16), Byte(b));
        EXPECT_EQ(rt::Utf8ToUtf16(utf8), utf16);
    }
}

TEST(Cp1251, TheRussianAlphabet) {
    const std::string upper = "АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ";
    const std::string lower = "абвгдежзийклмнопрстуфхцчшщъыьэюя";
    std::string bytes;
    for (int b = 0xC0; b <= 0xFF; ++b) bytes += Byte(b);
    EXPECT_EQ(rt::Utf8ToCp1251(upper + lower), bytes);
    EXPECT_EQ(rt::Cp1251ToUtf8(bytes), upper + lower);
    EXPECT_EQ(rt::Utf8ToCp1251("Ёё№€—«»\u00A0"), "\xA8\xB8\xB9\x88\x97\xAB\xBB\xA0");
    EXPECT_EQ(rt::Utf8ToCp1251("Не верный пороль!"),
              "\xCD\xE5 \xE2\xE5\xF0\xED\xFB\xE9 \xEF\xEE\xF0\xEE\xEB\xFC!");
    EXPECT_EQ(rt::Utf8ToCp1251("marigold"), "marigold");
    EXPECT_EQ(rt::Utf8ToCp1251(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Cp1251, CharactersOutsideTheCodePageAreRefused) {
    for (const char* text : {"☺", "文", "ä", "\xF0\x9F\x98\x80", "\xEF\xBF\xBD", "\xC2\x98", "Пароль☺"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(rt::Utf8ToCp1251(text), std::nullopt);
        EXPECT_EQ(rt::Utf16ToCp1251(rt::Utf8ToUtf16(text)), std::nullopt);
    }
    // Broken UTF-8 or UTF-16 is refused, not replaced.
    EXPECT_EQ(rt::Utf8ToCp1251("a\xD0"), std::nullopt);
    EXPECT_EQ(rt::Utf8ToCp1251("\xC0\x80"), std::nullopt);
    EXPECT_EQ(rt::Utf16ToCp1251(u"a\xD800"), std::nullopt);
    // The byte without a character reads as the replacement character.
    EXPECT_EQ(rt::Cp1251ToUtf16("\x98"), u"\xFFFD");
}

TEST(Utf, RoundTripsAtEveryLengthBoundary) {
    for (const char32_t c : {0x0u, 0x7Fu, 0x80u, 0x7FFu, 0x800u, 0xD7FFu, 0xE000u, 0xFFFDu, 0xFFFFu, 0x10000u,
                             0x1F600u, 0x10FFFFu}) {
        SCOPED_TRACE(static_cast<unsigned>(c));
        std::u16string utf16;
        if (c < 0x10000) {
            utf16 = std::u16string(1, static_cast<char16_t>(c));
        } else {
            utf16 = {static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)),
                     static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF))};
        }
        const std::string utf8 = rt::Utf16ToUtf8(utf16);
        EXPECT_EQ(utf8.size(), c < 0x80 ? 1u : c < 0x800 ? 2u : c < 0x10000 ? 3u : 4u);
        EXPECT_EQ(rt::Utf8ToUtf16(utf8), utf16);
        EXPECT_EQ(rt::Utf8Length(utf8), 1u);
    }
    EXPECT_EQ(rt::Utf16ToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(rt::Utf8ToUtf16("Ё€😀"), u"Ё€😀");
}

TEST(Utf, EachIllFormedPartBecomesOneReplacement) {
    const struct {
        const char* utf8;
        const char16_t* utf16;
    } cases[] = {
        {"\x80", u"\xFFFD"},
        {"\xFF", u"\xFFFD"},
        {"\xC0\x80", u"\xFFFD\xFFFD"},                  // overlong NUL
        {"\xE0\x80\x80", u"\xFFFD\xFFFD\xFFFD"},        // overlong
        {"\xED\xA0\x80", u"\xFFFD\xFFFD\xFFFD"},        // a surrogate
        {"\xF4\x90\x80\x80", u"\xFFFD\xFFFD\xFFFD\xFFFD"},  // above U+10FFFF
        {"\xE2\x82", u"\xFFFD"},                        // cut short
        {"\xE2\x82" "A", u"\xFFFD" "A"},
        {"\xF0\x9F\x98", u"\xFFFD"},
        {"a\xF0\x9F\x98\xE2\x82\xAC", u"a\xFFFD\x20AC"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(rt::Utf8ToUtf16(c.utf8), c.utf16);
        EXPECT_EQ(rt::Utf8Length(c.utf8), std::u16string_view(c.utf16).size());
    }
    // Lone surrogates in UTF-16.
    EXPECT_EQ(rt::Utf16ToUtf8(u"\xD800"), "\xEF\xBF\xBD");
    EXPECT_EQ(rt::Utf16ToUtf8(u"\xDC00" "a"), "\xEF\xBF\xBD" "a");
    EXPECT_EQ(rt::Utf16ToUtf8(u"\xD800" "a"), "\xEF\xBF\xBD" "a");
    EXPECT_EQ(rt::Utf16ToUtf8(u"\xD800\xD800\xDC00"), "\xEF\xBF\xBD\xF0\x90\x80\x80");
}

TEST(Utf, LengthCountsCharacters) {
    EXPECT_EQ(rt::Utf8Length(""), 0u);
    EXPECT_EQ(rt::Utf8Length("marigold"), 8u);
    EXPECT_EQ(rt::Utf8Length("Пароль ёЁ"), 9u);
    EXPECT_EQ(rt::Utf8Length("😀文a"), 3u);
}

TEST(SecureZero, ClearsEveryByte) {
    unsigned char buffer[67];
    for (unsigned char& b : buffer) b = 0xA5;
    rt::SecureZero(buffer + 1, 65);
    EXPECT_EQ(buffer[0], 0xA5);
    for (int i = 1; i <= 65; ++i) EXPECT_EQ(buffer[i], 0) << i;
    EXPECT_EQ(buffer[66], 0xA5);
    rt::SecureZero(nullptr, 0);
}

}  // namespace
