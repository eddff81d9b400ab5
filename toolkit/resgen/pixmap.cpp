#include "toolkit/resgen/pixmap.h"

#include <map>
#include <sstream>

namespace resgen {

const std::uint32_t kPalette16[16] = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};

namespace {

[[noreturn]] void Fail(int line, const std::string& what) {
    throw PixmapError("line " + std::to_string(line) + ": " + what);
}

int PaletteIndex(std::uint32_t rgb, int line) {
    for (int i = 0; i < 16; ++i)
        if (kPalette16[i] == rgb) return i;
    std::ostringstream s;
    s << "colour " << std::hex << rgb << " is not one of the sixteen";
    Fail(line, s.str());
}

void Put16(std::vector<std::uint8_t>& out, unsigned v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// BITMAPINFOHEADER and the sixteen palette entries (blue, green, red, 0).
void PutInfo(std::vector<std::uint8_t>& out, int width, int height, std::uint32_t imageBytes) {
    Put32(out, 40);
    Put32(out, static_cast<std::uint32_t>(width));
    Put32(out, static_cast<std::uint32_t>(height));
    Put16(out, 1);
    Put16(out, 4);
    Put32(out, 0);  // BI_RGB
    Put32(out, imageBytes);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 16);
    Put32(out, 0);
    for (std::uint32_t c : kPalette16) {
        out.push_back(static_cast<std::uint8_t>(c & 0xFF));
        out.push_back(static_cast<std::uint8_t>((c >> 8) & 0xFF));
        out.push_back(static_cast<std::uint8_t>((c >> 16) & 0xFF));
        out.push_back(0);
    }
}

std::uint32_t ColourRowBytes(int width) { return static_cast<std::uint32_t>(((width * 4 + 31) / 32) * 4); }
std::uint32_t MaskRowBytes(int width) { return static_cast<std::uint32_t>(((width + 31) / 32) * 4); }

// Four bits per pixel, two to a byte with the left one high, bottom row
// first, rows padded to four bytes.
void PutColourRows(std::vector<std::uint8_t>& out, const Pixmap& image) {
    const std::uint32_t rowBytes = ColourRowBytes(image.width);
    for (int y = image.height - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(rowBytes, 0);
        for (int x = 0; x < image.width; ++x) {
            const int index = image.At(x, y) < 0 ? 0 : image.At(x, y);
            row[static_cast<size_t>(x / 2)] |= static_cast<std::uint8_t>(x % 2 == 0 ? index << 4 : index);
        }
        out.insert(out.end(), row.begin(), row.end());
    }
}

void PutMaskRows(std::vector<std::uint8_t>& out, const Pixmap& image) {
    const std::uint32_t rowBytes = MaskRowBytes(image.width);
    for (int y = image.height - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(rowBytes, 0);
        for (int x = 0; x < image.width; ++x)
            if (image.At(x, y) < 0) row[static_cast<size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
}

}  // namespace

Pixmap ParsePixmap(std::string_view text) {
    Pixmap image;
    std::map<char, int> colours;
    std::istringstream in{std::string(text)};
    std::string line;
    int number = 0;
    bool inPixels = false;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (inPixels) {
            if (static_cast<int>(image.pixels.size()) == image.width * image.height) {
                if (line.find_first_not_of(" \t") == std::string::npos) continue;
                Fail(number, "more rows than the size says");
            }
            if (static_cast<int>(line.size()) != image.width)
                Fail(number, "a row of " + std::to_string(line.size()) + " characters, not " + std::to_string(image.width));
            for (char c : line) {
                auto it = colours.find(c);
                if (it == colours.end()) Fail(number, std::string("no colour for '") + c + "'");
                image.pixels.push_back(it->second);
            }
            continue;
        }
        std::istringstream words(line);
        std::string word;
        if (!(words >> word) || word[0] == '#') continue;
        if (word == "size") {
            if (!(words >> image.width >> image.height) || image.width <= 0 || image.height <= 0 ||
                image.width > 256 || image.height > 256)
                Fail(number, "size needs a width and a height of 1 to 256");
        } else if (word == "colour") {
            std::string key, value;
            if (!(words >> key >> value) || key.size() != 1) Fail(number, "colour needs a character and a value");
            if (colours.count(key[0])) Fail(number, "colour '" + key + "' given twice");
            if (value == "transparent") {
                colours[key[0]] = -1;
            } else {
                if (value.size() != 6 || value.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
                    Fail(number, "a colour is six hexadecimal digits RRGGBB");
                colours[key[0]] = PaletteIndex(static_cast<std::uint32_t>(std::stoul(value, nullptr, 16)), number);
            }
        } else if (word == "pixels") {
            if (image.width == 0) Fail(number, "pixels before size");
            inPixels = true;
        } else {
            Fail(number, "unknown word '" + word + "'");
        }
    }
    if (static_cast<int>(image.pixels.size()) != image.width * image.height || image.width == 0)
        Fail(number, "fewer rows than the size says");
    return image;
}

std::vector<std::uint8_t> WriteBmp(const Pixmap& image) {
    for (int p : image.pixels)
        if (p < 0) throw PixmapError("a bitmap has no transparent pixels");
    const std::uint32_t imageBytes = ColourRowBytes(image.width) * static_cast<std::uint32_t>(image.height);
    const std::uint32_t offset = 14 + 40 + 16 * 4;
    std::vector<std::uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    Put32(out, offset + imageBytes);
    Put32(out, 0);
    Put32(out, offset);
    PutInfo(out, image.width, image.height, imageBytes);
    PutColourRows(out, image);
    return out;
}

std::vector<std::uint8_t> WriteIco(const std::vector<Pixmap>& images) {
    if (images.empty()) throw PixmapError("an icon needs at least one image");
    std::vector<std::vector<std::uint8_t>> bodies;
    for (const Pixmap& image : images) {
        const std::uint32_t colourBytes = ColourRowBytes(image.width) * static_cast<std::uint32_t>(image.height);
        const std::uint32_t maskBytes = MaskRowBytes(image.width) * static_cast<std::uint32_t>(image.height);
        std::vector<std::uint8_t> body;
        // An icon's header counts colour and mask rows together.
        PutInfo(body, image.width, image.height * 2, colourBytes + maskBytes);
        PutColourRows(body, image);
        PutMaskRows(body, image);
        bodies.push_back(std::move(body));
    }
    std::vector<std::uint8_t> out;
    Put16(out, 0);
    Put16(out, 1);
    Put16(out, static_cast<unsigned>(images.size()));
    std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        out.push_back(static_cast<std::uint8_t>(images[i].width == 256 ? 0 : images[i].width));
        out.push_back(static_cast<std::uint8_t>(images[i].height == 256 ? 0 : images[i].height));
        out.push_back(16);
        out.push_back(0);
        Put16(out, 1);
        Put16(out, 4);
        Put32(out, static_cast<std::uint32_t>(bodies[i].size()));
        Put32(out, offset);
        offset += static_cast<std::uint32_t>(bodies[i].size());
    }
    for (const auto& body : bodies) out.insert(out.end(), body.begin(), body.end());
    return out;
}

}  // namespace resgen
