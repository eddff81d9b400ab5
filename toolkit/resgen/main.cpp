// tessavel-resgen bmp OUT.bmp IN.pixmap
// tessavel-resgen ico OUT.ico IN.pixmap...
// Turns the text pictures of the resources into the files the resource
// compiler links.
#include <fstream>
#include <iostream>
#include <iterator>

#include "toolkit/resgen/pixmap.h"

namespace {

std::string ReadText(const char* name) {
    std::ifstream in(name, std::ios::binary);
    if (!in) throw resgen::PixmapError(std::string("cannot read ") + name);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

resgen::Pixmap Load(const char* name) {
    try {
        return resgen::ParsePixmap(ReadText(name));
    } catch (const resgen::PixmapError& e) {
        throw resgen::PixmapError(std::string(name) + ": " + e.what());
    }
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const std::string kind = argc > 1 ? argv[1] : "";
        if (argc < 4 || (kind != "bmp" && kind != "ico") || (kind == "bmp" && argc != 4)) {
            std::cerr << "usage: tessavel-resgen bmp OUT.bmp IN.pixmap | ico OUT.ico IN.pixmap...\n";
            return 2;
        }
        std::vector<std::uint8_t> bytes;
        if (kind == "bmp") {
            bytes = resgen::WriteBmp(Load(argv[3]));
        } else {
            std::vector<resgen::Pixmap> images;
            for (int i = 3; i < argc; ++i) images.push_back(Load(argv[i]));
            bytes = resgen::WriteIco(images);
        }
        std::ofstream out(argv[2], std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out) throw resgen::PixmapError(std::string("cannot write ") + argv[2]);
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "tessavel-resgen: " << e.what() << '\n';
        return 1;
    }
}
