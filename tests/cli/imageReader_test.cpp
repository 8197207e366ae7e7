#include "io/imageReader.h"

#include "imageFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include <unistd.h>

using namespace Vemora;
using namespace vemora_test;

namespace {

// The 4 x 2 reference picture of the lossless formats.
constexpr uint32_t kRef[8] = {0x000000, 0xFFFFFF, 0xFF0000, 0x808080,
                              0x00FF00, 0x0000FF, 0x336699, 0xFFFFFF};

Bytes refRgbBytes() {
    Bytes b;
    for (uint32_t p : kRef) {
        b.push_back((p >> 16) & 0xFF);
        b.push_back((p >> 8) & 0xFF);
        b.push_back(p & 0xFF);
    }
    return b;
}

std::vector<uint32_t> pixels(const stDecodedImage_c& img) {
    const auto& r = img.raster;
    return std::vector<uint32_t>(r.data(), r.data() + size_t(r.width()) * r.height());
}

std::vector<uint32_t> refPixels() { return std::vector<uint32_t>(kRef, kRef + 8); }

stDecodedImage_c decode(const Bytes& b, uint64_t maxPixels = kDefaultMaxPixels) {
    return decodeImage(b.data(), b.size(), "pic", maxPixels);
}

Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }

// The message of the stFileError_c that decoding `b` throws; empty when nothing is thrown.
std::string failureOf(const Bytes& b, uint64_t maxPixels = kDefaultMaxPixels) {
    try {
        decodeImage(b.data(), b.size(), "pic.x", maxPixels);
    } catch (const stFileError_c& e) {
        return e.what();
    }
    return {};
}

std::string tempPath(const std::string& name) { return testing::TempDir() + "vemora_io_" + name; }

void putU16(Bytes& b, size_t at, uint32_t v) {
    b[at] = v & 0xFF;
    b[at + 1] = (v >> 8) & 0xFF;
}
void putU32(Bytes& b, size_t at, uint32_t v) {
    putU16(b, at, v & 0xFFFF);
    putU16(b, at + 2, v >> 16);
}

// A BMP with a 40-byte header; `palette` entries are 0x00RRGGBB; `rows` are stored as given
// (already padded, bottom-up unless height is negative).
Bytes bmp(int32_t w, int32_t h, unsigned bpp, const std::vector<uint32_t>& palette,
          const Bytes& rows, uint32_t compression = 0, int32_t ppm = 0) {
    const uint32_t offset = 14 + 40 + 4 * uint32_t(palette.size());
    Bytes b(offset);
    b[0] = 'B';
    b[1] = 'M';
    putU32(b, 2, offset + uint32_t(rows.size()));
    putU32(b, 10, offset);
    putU32(b, 14, 40);
    putU32(b, 18, uint32_t(w));
    putU32(b, 22, uint32_t(h));
    putU16(b, 26, 1);
    putU16(b, 28, bpp);
    putU32(b, 30, compression);
    putU32(b, 38, uint32_t(ppm));
    putU32(b, 42, uint32_t(ppm));
    putU32(b, 46, uint32_t(palette.size()));
    for (size_t i = 0; i < palette.size(); ++i) putU32(b, 54 + 4 * i, palette[i]);
    b.insert(b.end(), rows.begin(), rows.end());
    return b;
}

}  // namespace

TEST(imageReaderTest, FormatIsToldBySignatureNotByName) {
    struct Row {
        const char* name;
        std::string bytes;
        stImageFormat_e format;
    } rows[] = {
        {"png", std::string("\x89PNG\r\n\x1a\n", 8), stImageFormat_e::Png},
        {"tiff little-endian", std::string("II*\0", 4), stImageFormat_e::Tiff},
        {"tiff big-endian", std::string("MM\0*", 4), stImageFormat_e::Tiff},
        {"jpeg", "\xFF\xD8\xFF\xE0", stImageFormat_e::Jpeg},
        {"pbm", "P1\n", stImageFormat_e::Pnm},
        {"ppm", "P6 ", stImageFormat_e::Pnm},
        {"not pnm", "P7\n", stImageFormat_e::Unknown},
        {"bmp", "BM\0\0", stImageFormat_e::Bmp},
        {"text", "hello, world", stImageFormat_e::Unknown},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Bytes b = text(row.bytes);
        EXPECT_EQ(detectImageFormat(b.data(), b.size()), row.format);
    }
}

TEST(imageReaderTest, PngColourTypesDecodeToTheSamePixels) {
    PngSpec rgb{4, 2, PNG_COLOR_TYPE_RGB, 8, refRgbBytes()};

    PngSpec palette{4, 2, PNG_COLOR_TYPE_PALETTE, 8, {}};
    for (int i = 0; i < 8; ++i) {
        palette.palette.push_back(
            {png_byte(kRef[i] >> 16), png_byte(kRef[i] >> 8), png_byte(kRef[i])});
        palette.rows.push_back(png_byte(i));
    }

    PngSpec rgb16{4, 2, PNG_COLOR_TYPE_RGB, 16, {}};
    for (unsigned char c : refRgbBytes()) {
        rgb16.rows.push_back(c);
        rgb16.rows.push_back(c);  // 0xABAB scales back to 0xAB
    }

    PngSpec interlaced = rgb;
    interlaced.interlaced = true;

    for (const auto& [name, layout] :
         {std::pair{"rgb", rgb}, std::pair{"palette", palette}, std::pair{"16-bit", rgb16},
          std::pair{"interlaced", interlaced}}) {
        SCOPED_TRACE(name);
        const stDecodedImage_c img = decode(writePng(layout));
        EXPECT_EQ(img.format, stImageFormat_e::Png);
        EXPECT_EQ(pixels(img), refPixels());
        EXPECT_FALSE(img.hasDpi());
    }
}

TEST(imageReaderTest, PngGreyBitmapAndAlphaOnWhite) {
    // 1-bit grey: 1 is white.
    const stDecodedImage_c bits = decode(writePng({3, 1, PNG_COLOR_TYPE_GRAY, 1, {0x40}}));
    EXPECT_EQ(pixels(bits), (std::vector<uint32_t>{0x000000, 0xFFFFFF, 0x000000}));

    // 16-bit grey keeps the high byte.
    const stDecodedImage_c grey16 =
        decode(writePng({2, 1, PNG_COLOR_TYPE_GRAY, 16, {0x12, 0x34, 0xFF, 0xFF}}));
    EXPECT_EQ(pixels(grey16), (std::vector<uint32_t>{0x121212, 0xFFFFFF}));

    // Opaque, transparent and half-covered black ink.
    const stDecodedImage_c rgba = decode(
        writePng({3, 1, PNG_COLOR_TYPE_RGB_ALPHA, 8, {0, 0, 0, 255, 0, 0, 0, 0, 0, 0, 0, 128}}));
    EXPECT_EQ(pixels(rgba), (std::vector<uint32_t>{0x000000, 0xFFFFFF, 0x7F7F7F}));

    // A palette entry made transparent by tRNS is paper.
    PngSpec keyed{2, 1, PNG_COLOR_TYPE_PALETTE, 8, {0, 1}};
    keyed.palette = {{0, 0, 0}, {255, 0, 0}};
    keyed.paletteAlpha = {0};
    EXPECT_EQ(pixels(decode(writePng(keyed))), (std::vector<uint32_t>{0xFFFFFF, 0xFF0000}));
}

TEST(imageReaderTest, PngResolutionGivesDpi) {
    PngSpec s{1, 1, PNG_COLOR_TYPE_GRAY, 8, {0}};
    s.pixelsPerMeter = 11811;  // 300 dpi, rounded
    const stDecodedImage_c img = decode(writePng(s));
    EXPECT_NEAR(img.dpiX, 300.0, 0.01);
    EXPECT_NEAR(img.dpiY, 300.0, 0.01);
}

TEST(imageReaderTest, DamagedPngsAreRefusedWithTheFileName) {
    const Bytes good = writePng({4, 2, PNG_COLOR_TYPE_RGB, 8, refRgbBytes()});

    Bytes truncated(good.begin(), good.begin() + good.size() / 2);
    Bytes badCrc = good;
    badCrc[8 + 8 + 13] ^= 0x01;  // the IHDR chunk's CRC

    Bytes huge = writePng({4000, 4000, PNG_COLOR_TYPE_GRAY, 1, Bytes(500 * 4000, 0)});

    struct Row {
        const char* name;
        Bytes bytes;
        uint64_t maxPixels;
        const char* expect;
    } rows[] = {
        {"text", text("this is plain text, not a picture"), kDefaultMaxPixels,
         "not a supported image"},
        {"truncated", truncated, kDefaultMaxPixels, "PNG: "},
        {"bad crc", badCrc, kDefaultMaxPixels, "CRC"},
        {"over the limit", huge, 1000000, "exceeds the limit of 1000000 pixels"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string message = failureOf(row.bytes, row.maxPixels);
        EXPECT_EQ(message.rfind("pic.x: ", 0), 0u) << message;
        EXPECT_NE(message.find(row.expect), std::string::npos) << message;
    }
}

TEST(imageReaderTest, JpegDecodesWithinCompressionError) {
    const Bytes rgb = refRgbBytes();
    JpegSpec colour{16, 16, 3, {}, 200};
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            // Flat 8 x 8 blocks survive compression nearly unchanged.
            const bool dark = (x < 8) != (y < 8);
            const unsigned char v[3] = {static_cast<unsigned char>(dark ? 0x20 : 0xF0),
                                        static_cast<unsigned char>(dark ? 0x40 : 0xE0), 0x80};
            colour.samples.insert(colour.samples.end(), v, v + 3);
        }
    }
    const stDecodedImage_c img = decode(writeJpeg(colour));
    EXPECT_EQ(img.format, stImageFormat_e::Jpeg);
    EXPECT_NEAR(img.dpiX, 200.0, 1e-9);
    const auto near = [](uint32_t got, uint32_t want) {
        for (int shift : {16, 8, 0}) {
            if (std::abs(int((got >> shift) & 0xFF) - int((want >> shift) & 0xFF)) > 6) {
                return false;
            }
        }
        return true;
    };
    EXPECT_PRED2(near, img.raster.pixel(0, 0), 0xF0E080u);
    EXPECT_PRED2(near, img.raster.pixel(12, 3), 0x204080u);

    const stDecodedImage_c grey = decode(writeJpeg({8, 8, 1, Bytes(64, 0x30)}));
    EXPECT_PRED2(near, grey.raster.pixel(5, 5), 0x303030u);

    // Cut inside the entropy-coded data: refused rather than padded with grey.
    const Bytes whole = writeJpeg(colour);
    const Bytes cut(whole.begin(), whole.end() - 40);
    EXPECT_NE(failureOf(cut).find("pic.x: JPEG: "), std::string::npos);
}

TEST(imageReaderTest, JpegWhoseDataEndsEarlyIsRefusedAsTruncated) {
    Bytes noise(64 * 64 * 3);
    std::mt19937 random(7);
    for (unsigned char& v : noise) v = static_cast<unsigned char>(random());
    for (const bool progressive : {false, true}) {
        SCOPED_TRACE(progressive ? "progressive" : "baseline");
        JpegSpec spec{64, 64, 3, noise};
        spec.progressive = progressive;
        const Bytes whole = writeJpeg(spec);
        // The entropy-coded data stops at the end marker: libjpeg only warns.
        Bytes atMarker(whole.begin(), whole.begin() + whole.size() * 2 / 3);
        atMarker.insert(atMarker.end(), {0xFF, 0xD9});
        EXPECT_NE(failureOf(atMarker).find("truncated"), std::string::npos);

        // A few hundred bytes that declare 16384 x 16384 pixels.
        JpegSpec small{8, 8, 1, Bytes(64, 0x80)};
        small.progressive = progressive;
        Bytes huge = writeJpeg(small);
        size_t sof = 2;
        while (sof + 9 < huge.size() && !(huge[sof] == 0xFF && (huge[sof + 1] & 0xFD) == 0xC0)) {
            ++sof;
        }
        ASSERT_LT(sof + 9, huge.size());
        for (size_t at : {sof + 5, sof + 7}) huge[at] = 0x40, huge[at + 1] = 0x00;
        EXPECT_NE(failureOf(huge).find("truncated"), std::string::npos);
    }
}

TEST(imageReaderTest, TiffFormsOfTheFirstPage) {
    const std::string path = tempPath("fixture.tif");
    const auto bilevel = [](uint16_t compression, uint16_t photometric) {
        return [=](TIFF* t, int) {
            // 16 x 2: left half ink.
            TIFFSetField(t, TIFFTAG_IMAGEWIDTH, 16);
            TIFFSetField(t, TIFFTAG_IMAGELENGTH, 2);
            TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
            TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
            TIFFSetField(t, TIFFTAG_COMPRESSION, compression);
            TIFFSetField(t, TIFFTAG_PHOTOMETRIC, photometric);
            TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 2);
            TIFFSetField(t, TIFFTAG_XRESOLUTION, 200.0f);
            TIFFSetField(t, TIFFTAG_YRESOLUTION, 200.0f);
            TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
            const unsigned char ink = photometric == PHOTOMETRIC_MINISWHITE ? 0xFF : 0x00;
            unsigned char row[2] = {ink, static_cast<unsigned char>(~ink)};
            for (uint32_t y = 0; y < 2; ++y) TIFFWriteScanline(t, row, y, 0);
        };
    };
    for (const auto& [name, compression, photometric] :
         {std::tuple{"G4", COMPRESSION_CCITTFAX4, PHOTOMETRIC_MINISWHITE},
          std::tuple{"G3", COMPRESSION_CCITTFAX3, PHOTOMETRIC_MINISWHITE},
          std::tuple{"packbits black-is-zero", COMPRESSION_PACKBITS, PHOTOMETRIC_MINISBLACK}}) {
        SCOPED_TRACE(name);
        const stDecodedImage_c img =
            decode(writeTiff(path, 1, bilevel(uint16_t(compression), uint16_t(photometric))));
        ASSERT_EQ(img.raster.width(), 16u);
        ASSERT_EQ(img.raster.height(), 2u);
        for (unsigned x = 0; x < 16; ++x) {
            EXPECT_EQ(img.raster.pixel(x, 1), x < 8 ? 0x000000u : 0xFFFFFFu) << x;
        }
        EXPECT_NEAR(img.dpiX, 200.0, 1e-3);
    }

    // RGB in one-row strips, then the same tiled; a second page that must not be read.
    const auto rgb = [](bool tiled) {
        return [=](TIFF* t, int page) {
            const unsigned w = tiled ? 32 : 4, h = tiled ? 20 : 2;
            TIFFSetField(t, TIFFTAG_IMAGEWIDTH, page ? 1 : w);
            TIFFSetField(t, TIFFTAG_IMAGELENGTH, page ? 1 : h);
            TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
            TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 3);
            TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
            TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
            TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
            TIFFSetField(t, TIFFTAG_XRESOLUTION, 40.0f);
            TIFFSetField(t, TIFFTAG_YRESOLUTION, 40.0f);
            TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_CENTIMETER);
            if (page) {
                unsigned char px[3] = {1, 2, 3};
                TIFFWriteScanline(t, px, 0, 0);
                return;
            }
            // Pixel (x, y) is kRef[(x % 4) + 4 * (y % 2)].
            Bytes all;
            for (unsigned y = 0; y < h; ++y) {
                for (unsigned x = 0; x < w; ++x) {
                    const uint32_t p = kRef[(x % 4) + 4 * (y % 2)];
                    all.push_back((p >> 16) & 0xFF);
                    all.push_back((p >> 8) & 0xFF);
                    all.push_back(p & 0xFF);
                }
            }
            if (!tiled) {
                TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 1);
                for (unsigned y = 0; y < h; ++y) TIFFWriteScanline(t, &all[y * w * 3], y, 0);
                return;
            }
            TIFFSetField(t, TIFFTAG_TILEWIDTH, 16);
            TIFFSetField(t, TIFFTAG_TILELENGTH, 16);
            Bytes tile(16 * 16 * 3);
            for (unsigned ty = 0; ty < h; ty += 16) {
                for (unsigned tx = 0; tx < w; tx += 16) {
                    std::fill(tile.begin(), tile.end(), 0);
                    for (unsigned y = ty; y < std::min(h, ty + 16); ++y) {
                        for (unsigned x = tx; x < std::min(w, tx + 16); ++x) {
                            std::memcpy(&tile[((y - ty) * 16 + (x - tx)) * 3],
                                        &all[(y * w + x) * 3], 3);
                        }
                    }
                    TIFFWriteTile(t, tile.data(), tx, ty, 0, 0);
                }
            }
        };
    };
    for (bool tiled : {false, true}) {
        SCOPED_TRACE(tiled ? "tiled" : "strips");
        const stDecodedImage_c img = decode(writeTiff(path, 2, rgb(tiled)));
        ASSERT_EQ(img.raster.width(), tiled ? 32u : 4u);
        ASSERT_EQ(img.raster.height(), tiled ? 20u : 2u);
        for (unsigned y = 0; y < img.raster.height(); ++y) {
            for (unsigned x = 0; x < img.raster.width(); ++x) {
                ASSERT_EQ(img.raster.pixel(x, y), kRef[(x % 4) + 4 * (y % 2)]) << x << "," << y;
            }
        }
        EXPECT_NEAR(img.dpiX, 101.6, 1e-3);  // 40 per cm
    }
}

TEST(imageReaderTest, TiffGreyAndPalette) {
    const std::string path = tempPath("grey.tif");
    const stDecodedImage_c grey = decode(writeTiff(path, 1, [](TIFF* t, int) {
        TIFFSetField(t, TIFFTAG_IMAGEWIDTH, 3);
        TIFFSetField(t, TIFFTAG_IMAGELENGTH, 1);
        TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
        unsigned char row[3] = {0, 0x80, 0xFF};
        TIFFWriteScanline(t, row, 0, 0);
    }));
    EXPECT_EQ(pixels(grey), (std::vector<uint32_t>{0x000000, 0x808080, 0xFFFFFF}));

    const stDecodedImage_c pal = decode(writeTiff(path, 1, [](TIFF* t, int) {
        TIFFSetField(t, TIFFTAG_IMAGEWIDTH, 2);
        TIFFSetField(t, TIFFTAG_IMAGELENGTH, 1);
        TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_PALETTE);
        std::vector<uint16_t> r(256, 0), g(256, 0), b(256, 0);
        r[1] = 0xFFFF;  // entry 1 red, entry 2 blue
        b[2] = 0xFFFF;
        TIFFSetField(t, TIFFTAG_COLORMAP, r.data(), g.data(), b.data());
        unsigned char row[2] = {1, 2};
        TIFFWriteScanline(t, row, 0, 0);
    }));
    EXPECT_EQ(pixels(pal), (std::vector<uint32_t>{0xFF0000, 0x0000FF}));
}

TEST(imageReaderTest, TiffWithAbsurdDimensionsIsRefusedBeforeAllocating) {
    const std::string path = tempPath("absurd.tif");
    Bytes b = writeTiff(path, 1, [](TIFF* t, int) {
        TIFFSetField(t, TIFFTAG_IMAGEWIDTH, 2);
        TIFFSetField(t, TIFFTAG_IMAGELENGTH, 1);
        TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
        unsigned char row[2] = {0, 0};
        TIFFWriteScanline(t, row, 0, 0);
    });
    // Patch the width and length entries of the (little-endian) first directory to 2^31.
    uint32_t ifd;
    std::memcpy(&ifd, &b[4], 4);
    const unsigned entries = b[ifd] | b[ifd + 1] << 8;
    for (unsigned i = 0; i < entries; ++i) {
        const size_t e = ifd + 2 + 12 * i;
        const unsigned tag = b[e] | b[e + 1] << 8;
        if (tag == TIFFTAG_IMAGEWIDTH || tag == TIFFTAG_IMAGELENGTH) {
            putU16(b, e + 2, TIFF_LONG);
            putU32(b, e + 8, 0x80000000u);
        }
    }
    const std::string message = failureOf(b);
    EXPECT_NE(message.find("pic.x: TIFF: "), std::string::npos) << message;
    EXPECT_EQ(failureOf(text(std::string("II*\0garbage", 11))).rfind("pic.x: TIFF: ", 0), 0u);
}

TEST(imageReaderTest, PnmVariantsDecodeToTheSamePixels) {
    const Bytes raw = refRgbBytes();
    Bytes p6 = text("P6\n# made by hand\n4 2\n255\n");
    p6.insert(p6.end(), raw.begin(), raw.end());
    Bytes p6wide = text("P6 4 2 65535 ");
    for (unsigned char c : raw) {
        p6wide.push_back(c);
        p6wide.push_back(0x80);
    }
    const std::string p3 =
        "P3 4 2 255\n0 0 0 255 255 255 255 0 0 128 128 128\n"
        "0 255 0 0 0 255 51 102 153 255 255 255\n";
    for (const auto& [name, bytes] :
         {std::pair{"P6", p6}, std::pair{"P6 16-bit", p6wide}, std::pair{"P3", text(p3)}}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(pixels(decode(bytes)), refPixels());
    }

    // Bitmaps: 1 is ink; P1 digits need no separators; P4 rows end on a byte boundary.
    const std::vector<uint32_t> bits = {0, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF,
                                        0, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0};
    Bytes p4 = text("P4\n10 1\n");
    p4.push_back(0x84);
    p4.push_back(0x40);
    EXPECT_EQ(pixels(decode(text("P1\n10 1\n1000 0100 01"))), bits);
    EXPECT_EQ(pixels(decode(p4)), bits);
    // Two rows: the padding bits of the first row's last byte are skipped, not read as pixels.
    Bytes p4twoRows = text("P4\n10 2\n");
    p4twoRows.insert(p4twoRows.end(), {0x84, 0x7F, 0x84, 0x40});
    std::vector<uint32_t> twoRows = bits;
    twoRows.insert(twoRows.end(), bits.begin(), bits.end());
    EXPECT_EQ(pixels(decode(p4twoRows)), twoRows);
    // A bitmap large enough to be decoded in two halves at once, with an odd height and a
    // partial last byte per row: every pixel is its own bit.
    {
        const unsigned w = 2051, h = 2049, rowBytes = (w + 7) / 8;
        Bytes big = text("P4 2051 2049\n");
        std::mt19937 rng(3);
        for (unsigned i = 0; i < rowBytes * h; ++i)
            big.push_back(static_cast<unsigned char>(rng()));
        const std::vector<uint32_t> got = pixels(decode(big));
        const unsigned char* raw = big.data() + 13;
        ASSERT_EQ(got.size(), size_t(w) * h);
        size_t wrong = 0;
        for (unsigned y = 0; y < h; ++y)
            for (unsigned x = 0; x < w; ++x) {
                const bool ink = (raw[y * rowBytes + x / 8] >> (7 - x % 8)) & 1;
                wrong += got[size_t(y) * w + x] != (ink ? 0x000000u : 0xFFFFFFu);
            }
        EXPECT_EQ(wrong, 0u);
    }

    // Grey with a small maximum value scales to 0..255.
    EXPECT_EQ(pixels(decode(text("P2 3 1 4 0 2 4"))),
              (std::vector<uint32_t>{0x000000, 0x808080, 0xFFFFFF}));
    Bytes p5 = text("P5 3 1 15\n");
    p5.insert(p5.end(), {0, 15, 5});
    EXPECT_EQ(pixels(decode(p5)), (std::vector<uint32_t>{0x000000, 0xFFFFFF, 0x555555}));
}

TEST(imageReaderTest, BadPnmsAreRefused) {
    struct Row {
        const char* name;
        std::string bytes;
        const char* expect;
    } rows[] = {
        {"raw data short", "P5 4 4 255\nabc", "truncated"},
        {"plain data short", "P2 2 2 255 1 2 3", "truncated"},
        {"sample above maximum", "P2 2 1 7 1 8", "above the maximum"},
        {"zero maximum", "P2 2 1 0 0 0", "maximum value 0"},
        {"empty size", "P1 0 5\n", "empty size"},
        {"missing height", "P6 12", "missing height"},
        {"letters in header", "P6 12 x 255", "height"},
        {"absurd size", "P5 100000 100000 255\n", "exceeds the limit"},
        {"huge number", "P5 99999999999 1 255\n", "width out of range"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string message = failureOf(text(row.bytes));
        EXPECT_EQ(message.rfind("pic.x: PNM: ", 0), 0u) << message;
        EXPECT_NE(message.find(row.expect), std::string::npos) << message;
    }
}

TEST(imageReaderTest, BmpDepthsDecodeToTheSamePixels) {
    // Rows bottom-up, each padded to 4 bytes.
    const auto rowsOf = [](unsigned bpp, const std::function<uint32_t(unsigned x, unsigned y)>& v,
                           bool topDown) {
        Bytes rows;
        const unsigned stride = (4 * bpp + 31) / 32 * 4;
        for (int r = 0; r < 2; ++r) {
            const unsigned y = topDown ? unsigned(r) : 1u - unsigned(r);
            Bytes row(stride, 0);
            for (unsigned x = 0; x < 4; ++x) {
                const uint32_t p = v(x, y);
                if (bpp >= 24) {
                    for (unsigned k = 0; k < bpp / 8; ++k)
                        row[x * bpp / 8 + k] = (p >> (8 * k)) & 0xFF;
                } else {
                    row[x * bpp / 8] |= p << (8 - bpp - x * bpp % 8);
                }
            }
            rows.insert(rows.end(), row.begin(), row.end());
        }
        return rows;
    };
    const auto colour = [](unsigned x, unsigned y) { return kRef[x + 4 * y]; };
    const auto index = [](unsigned x, unsigned y) { return x + 4 * y; };
    const std::vector<uint32_t> palette(kRef, kRef + 8);

    EXPECT_EQ(pixels(decode(bmp(4, 2, 24, {}, rowsOf(24, colour, false)))), refPixels());
    EXPECT_EQ(pixels(decode(bmp(4, -2, 24, {}, rowsOf(24, colour, true)))), refPixels());
    EXPECT_EQ(pixels(decode(bmp(4, 2, 32, {}, rowsOf(32, colour, false)))), refPixels());
    EXPECT_EQ(pixels(decode(bmp(4, 2, 8, palette, rowsOf(8, index, false)))), refPixels());
    EXPECT_EQ(pixels(decode(bmp(4, 2, 4, palette, rowsOf(4, index, false)))), refPixels());

    const auto bit = [](unsigned x, unsigned y) { return (x + y) % 2u; };
    const stDecodedImage_c mono =
        decode(bmp(4, 2, 1, {0x000000, 0xFFFFFF}, rowsOf(1, bit, false), 0, 3937));
    EXPECT_EQ(pixels(mono),
              (std::vector<uint32_t>{0, 0xFFFFFF, 0, 0xFFFFFF, 0xFFFFFF, 0, 0xFFFFFF, 0}));
    EXPECT_NEAR(mono.dpiX, 100.0, 0.01);  // 3937 pixels per metre
}

TEST(imageReaderTest, BadBmpsAreRefused) {
    const Bytes rows24(8 * 2, 0);  // 2 x 2 at 24 bits: 8-byte rows
    Bytes huge = bmp(100000, 100000, 24, {}, {});
    Bytes shortData = bmp(2, 2, 24, {}, Bytes(rows24.begin(), rows24.begin() + 10));
    Bytes rle = bmp(2, 2, 8, {0, 0xFFFFFF}, rows24, 1);
    Bytes badIndex = bmp(2, 1, 8, {0, 0xFFFFFF}, {0, 7, 0, 0});
    Bytes depth = bmp(2, 2, 2, {}, rows24);
    Bytes header = bmp(2, 2, 24, {}, rows24);
    header.resize(30);

    struct Row {
        const char* name;
        Bytes bytes;
        const char* expect;
    } rows[] = {
        {"100000 x 100000", huge, "exceeds the limit"},
        {"pixel data short", shortData, "truncated"},
        {"RLE", rle, "RLE8"},
        {"palette index", badIndex, "palette index 7"},
        {"2 bits", depth, "depth of 2 bits"},
        {"header cut", header, "truncated"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string message = failureOf(row.bytes);
        EXPECT_EQ(message.rfind("pic.x: BMP: ", 0), 0u) << message;
        EXPECT_NE(message.find(row.expect), std::string::npos) << message;
    }
}

TEST(imageReaderTest, FilesAreReadByPathAndFailuresNameThem) {
    const std::string path = tempPath("picture.png");  // PNM content behind a PNG name
    writeFile(path, text("P2 2 1 255 0 255"));
    const stDecodedImage_c img = readImageFile(path);
    EXPECT_EQ(img.format, stImageFormat_e::Pnm);
    EXPECT_EQ(pixels(img), (std::vector<uint32_t>{0x000000, 0xFFFFFF}));

    const std::string missing = tempPath("no-such-file.png");
    const std::string empty = tempPath("empty.bmp");
    writeFile(empty, {});
    // Larger than any file of one pixel can be: refused unread (the file is sparse).
    const std::string oversized = tempPath("oversized.png");
    writeFile(oversized, writePng({1, 1, 0, 8, Bytes(1, 0)}));
    ASSERT_EQ(truncate(oversized.c_str(), off_t(100) << 20), 0);
    for (const std::string& p :
         {missing, empty, testing::TempDir(), std::string("/dev/zero"), oversized}) {
        SCOPED_TRACE(p);
        try {
            readImageFile(p, 1);
            ADD_FAILURE() << "no error";
        } catch (const stFileError_c& e) {
            EXPECT_EQ(std::string(e.what()).rfind(p + ": ", 0), 0u) << e.what();
        }
    }
}
