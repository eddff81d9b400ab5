#include "runtime/text.h"

#include <cstdint>

namespace rt {
namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kIllFormed = 0xFFFFFFFF;

// The characters of bytes 0x80..0xFF.  Byte 0x98 has none: it reads as
// U+FFFD, and no character is written as 0x98.
constexpr char16_t kUpperHalf[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // C0: А..я follow in order
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

char32_t FromCp1251(unsigned char byte) {
    return byte < 0x80 ? char32_t{byte} : char32_t{kUpperHalf[byte - 0x80]};
}

// -1 when Windows-1251 has no byte for the character.
int ToCp1251(char32_t c) {
    if (c < 0x80) return static_cast<int>(c);
    if (c >= 0x0410 && c <= 0x044F) return static_cast<int>(0xC0 + (c - 0x0410));
    if (c == kReplacement) return -1;  // the hole at 0x98 holds it in the table
    for (int i = 0; i < 0x40; ++i) {
        if (kUpperHalf[i] == c) return 0x80 + i;
    }
    return -1;
}

// One character of UTF-8 from `pos`, or kIllFormed for a maximal ill-formed
// subpart (which is then skipped whole, so each one stands for one U+FFFD).
char32_t NextUtf8(std::string_view s, std::size_t& pos) {
    const unsigned char lead = static_cast<unsigned char>(s[pos++]);
    if (lead < 0x80) return lead;
    int trail;
    char32_t c;
    unsigned char low = 0x80, high = 0xBF;  // range of the first trailing byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        trail = 1;
        c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        trail = 2;
        c = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;   // no overlong forms
        if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        trail = 3;
        c = lead & 0x07;
        if (lead == 0xF0) low = 0x90;   // no overlong forms
        if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
    } else {
        return kIllFormed;
    }
    for (; trail > 0; --trail) {
        if (pos == s.size()) return kIllFormed;
        const unsigned char b = static_cast<unsigned char>(s[pos]);
        if (b < low || b > high) return kIllFormed;  // b starts what follows
        low = 0x80;
        high = 0xBF;
        c = (c << 6) | (b & 0x3F);
        ++pos;
    }
    return c;
}

// One character of UTF-16 from `pos`, or kIllFormed for a lone surrogate.
char32_t NextUtf16(std::u16string_view s, std::size_t& pos) {
    const char32_t unit = s[pos++];
    if (unit < 0xD800 || unit > 0xDFFF) return unit;
    if (unit >= 0xDC00 || pos == s.size()) return kIllFormed;
    const char32_t low = s[pos];
    if (low < 0xDC00 || low > 0xDFFF) return kIllFormed;
    ++pos;
    return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void AppendUtf16(std::u16string& out, char32_t c) {
    if (c < 0x10000) {
        out += static_cast<char16_t>(c);
    } else {
        c -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (c >> 10));
        out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    }
}

template <typename View, typename Next>
std::optional<std::string> ToCp1251(View text, Next next) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const char32_t c = next(text, pos);
        const int byte = c == kIllFormed ? -1 : ToCp1251(c);
        if (byte < 0) return std::nullopt;
        out += static_cast<char>(byte);
    }
    return out;
}

}  // namespace

std::optional<std::string> Utf8ToCp1251(std::string_view utf8) { return ToCp1251(utf8, NextUtf8); }

std::optional<std::string> Utf16ToCp1251(std::u16string_view utf16) { return ToCp1251(utf16, NextUtf16); }

std::string Cp1251ToUtf8(std::string_view cp1251) {
    std::string out;
    out.reserve(cp1251.size() * 2);
    for (const char byte : cp1251) AppendUtf8(out, FromCp1251(static_cast<unsigned char>(byte)));
    return out;
}

std::u16string Cp1251ToUtf16(std::string_view cp1251) {
    std::u16string out;
    out.reserve(cp1251.size());
    for (const char byte : cp1251) out += static_cast<char16_t>(FromCp1251(static_cast<unsigned char>(byte)));
    return out;
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        const char32_t c = NextUtf8(utf8, pos);
        AppendUtf16(out, c == kIllFormed ? kReplacement : c);
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size() * 3);
    for (std::size_t pos = 0; pos < utf16.size();) {
        const char32_t c = NextUtf16(utf16, pos);
        AppendUtf8(out, c == kIllFormed ? kReplacement : c);
    }
    return out;
}

std::size_t Utf8Length(std::string_view utf8) {
    std::size_t count = 0;
    for (std::size_t pos = 0; pos < utf8.size(); ++count) NextUtf8(utf8, pos);
    return count;
}

}  // namespace rt
