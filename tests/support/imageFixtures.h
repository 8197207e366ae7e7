#pragma once

// Image files made in tests: PNG, TIFF and JPEG written with the same libraries the readers use,
// so every fixture is produced, not stored.

#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace vemora_test {

using Bytes = std::vector<unsigned char>;

struct PngSpec {
    PngSpec(unsigned w, unsigned h, int type, int depth, Bytes r)
        : width(w), height(h), colorType(type), bitDepth(depth), rows(std::move(r)) {}

    unsigned width = 0, height = 0;
    int colorType = PNG_COLOR_TYPE_RGB;
    int bitDepth = 8;
    Bytes rows;                      // packed rows as libpng expects them
    std::vector<png_color> palette;  // for PNG_COLOR_TYPE_PALETTE
    Bytes paletteAlpha;              // tRNS for a palette
    unsigned pixelsPerMeter = 0;     // pHYs when not 0
    bool interlaced = false;
};

// By value: libpng wants writable rows.
inline Bytes writePng(PngSpec s) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("fixture PNG could not be written");
    }
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, size_t n) {
            auto* o = static_cast<Bytes*>(png_get_io_ptr(p));
            o->insert(o->end(), data, data + n);
        },
        nullptr);
    png_set_IHDR(png, info, s.width, s.height, s.bitDepth, s.colorType,
                 s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!s.palette.empty()) png_set_PLTE(png, info, s.palette.data(), int(s.palette.size()));
    if (!s.paletteAlpha.empty()) {
        png_set_tRNS(png, info, s.paletteAlpha.data(), int(s.paletteAlpha.size()), nullptr);
    }
    if (s.pixelsPerMeter) {
        png_set_pHYs(png, info, s.pixelsPerMeter, s.pixelsPerMeter, PNG_RESOLUTION_METER);
    }
    png_write_info(png, info);
    const size_t stride = s.rows.size() / s.height;
    std::vector<png_bytep> rows(s.height);
    for (unsigned y = 0; y < s.height; ++y) {
        rows[y] = s.rows.data() + y * stride;
    }
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

struct JpegSpec {
    JpegSpec(unsigned w, unsigned h, int c, Bytes s, unsigned d = 0)
        : width(w), height(h), components(c), samples(std::move(s)), dpi(d) {}

    unsigned width = 0, height = 0;
    int components = 3;  // 1 grey, 3 RGB
    Bytes samples;
    unsigned dpi = 0;
    int quality = 95;
    bool progressive = false;
};

inline Bytes writeJpeg(JpegSpec s) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* mem = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &mem, &size);
    c.image_width = s.width;
    c.image_height = s.height;
    c.input_components = s.components;
    c.in_color_space = s.components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, s.quality, TRUE);
    if (s.progressive) jpeg_simple_progression(&c);
    if (s.dpi) {
        c.density_unit = 1;
        c.X_density = c.Y_density = static_cast<UINT16>(s.dpi);
    }
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = s.samples.data() + size_t(c.next_scanline) * s.width * s.components;
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    Bytes out(mem, mem + size);
    std::free(mem);
    return out;
}

inline Bytes readFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A TIFF written through libtiff into `path`; `fill` sets the tags and writes the data of each
// page. Returns the file's bytes.
inline Bytes writeTiff(const std::string& path, int pages,
                       const std::function<void(TIFF*, int)>& fill) {
    TIFF* t = TIFFOpen(path.c_str(), "w");
    if (!t) throw std::runtime_error("fixture TIFF could not be created");
    for (int p = 0; p < pages; ++p) {
        fill(t, p);
        TIFFWriteDirectory(t);
    }
    TIFFClose(t);
    return readFile(path);
}

}  // namespace vemora_test
