// Windows bitmaps without compression: 1, 4 and 8 bits through a palette, 16, 24 and 32 bits
// direct (16 and 32 with bit-field masks too). Bottom-up and top-down row orders. An alpha
// channel is ignored: most writers leave it zero, and a zero alpha would blank the image.

#include "imageDecoders.h"

namespace Vemora {

namespace {

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;
constexpr uint32_t kBiAlphaBitfields = 6;

uint32_t u16(const unsigned char* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
uint32_t u32(const unsigned char* p) { return u16(p) | u16(p + 2) << 16; }
int64_t i32(const unsigned char* p) { return int64_t(int32_t(u32(p))); }

// One colour channel picked out of a direct pixel by its mask and scaled to 0..255.
struct tmpChannel_c {
    uint32_t mask = 0;
    unsigned shift = 0;
    uint32_t maxValue = 0;

    explicit tmpChannel_c(uint32_t m) : mask(m) {
        if (!mask) return;
        while (!((mask >> shift) & 1u)) ++shift;
        maxValue = mask >> shift;
    }
    unsigned operator()(uint32_t pixel) const {
        if (!maxValue) return 0;
        return unsigned((uint64_t((pixel & mask) >> shift) * 255 + maxValue / 2) / maxValue);
    }
};

const char* compressionName(uint32_t c) {
    switch (c) {
        case 1:
            return "RLE8";
        case 2:
            return "RLE4";
        case 4:
            return "JPEG";
        case 5:
            return "PNG";
        default:
            return "unknown";
    }
}

}  // namespace

stDecodedImage_c decodeBmp(const stImageBytes_c& in) {
    const unsigned char* d = in.data;
    const size_t n = in.size;
    if (n < 18) throw stDecodeFailure_c("truncated file: the file header is incomplete");
    const uint64_t pixelOffset = u32(d + 10);
    const uint64_t headerSize = u32(d + 14);
    if (headerSize != 12 && (headerSize < 40 || headerSize > 124)) {
        throw stDecodeFailure_c("unsupported header size " + std::to_string(headerSize));
    }
    if (n < 14 + headerSize) throw stDecodeFailure_c("truncated file: the header is incomplete");

    const bool core = headerSize == 12;
    const unsigned char* h = d + 14;
    const int64_t width = core ? int64_t(u16(h + 4)) : i32(h + 4);
    const int64_t rawHeight = core ? int64_t(u16(h + 6)) : i32(h + 8);
    const unsigned planes = core ? u16(h + 8) : u16(h + 12);
    const unsigned bpp = core ? u16(h + 10) : u16(h + 14);
    const uint32_t compression = core ? kBiRgb : u32(h + 16);
    const bool topDown = rawHeight < 0;
    const uint64_t height = uint64_t(topDown ? -rawHeight : rawHeight);

    if (width <= 0) throw stDecodeFailure_c("bad width " + std::to_string(width));
    if (planes != 1) throw stDecodeFailure_c("bad plane count " + std::to_string(planes));
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) {
        throw stDecodeFailure_c("unsupported depth of " + std::to_string(bpp) + " bits");
    }
    const bool bitfields = compression == kBiBitfields || compression == kBiAlphaBitfields;
    if (compression != kBiRgb && !(bitfields && (bpp == 16 || bpp == 32))) {
        throw stDecodeFailure_c(std::string("compressed bitmaps (") + compressionName(compression) +
                                ") are not supported");
    }
    checkImageSize(uint64_t(width), height, in.maxPixels);

    // Masks: in the header from version 2 on, else right after a 40-byte header.
    uint64_t tableStart = 14 + headerSize;
    uint32_t masks[3] = {0x00FF0000u, 0x0000FF00u, 0x000000FFu};
    if (bpp == 16) {
        masks[0] = 0x7C00u;
        masks[1] = 0x03E0u;
        masks[2] = 0x001Fu;
    }
    if (bitfields) {
        const unsigned char* m = h + 40;
        if (headerSize == 40) {
            const uint64_t maskBytes = compression == kBiAlphaBitfields ? 16 : 12;
            if (n < tableStart + maskBytes) {
                throw stDecodeFailure_c("truncated file: the colour masks are missing");
            }
            tableStart += maskBytes;
        } else if (headerSize < 52) {
            throw stDecodeFailure_c("colour masks declared but not present");
        }
        for (int k = 0; k < 3; ++k) masks[k] = u32(m + 4 * k);
    }

    // The palette.
    uint32_t palette[256] = {};
    unsigned paletteSize = 0;
    if (bpp <= 8) {
        const unsigned entryBytes = core ? 3 : 4;
        const uint64_t declared = core ? 0 : u32(h + 32);
        const uint64_t full = uint64_t(1) << bpp;
        paletteSize = unsigned(declared == 0 || declared > full ? full : declared);
        const uint64_t paletteEnd = tableStart + uint64_t(paletteSize) * entryBytes;
        if (paletteEnd > n || paletteEnd > pixelOffset) {
            throw stDecodeFailure_c("truncated file: the palette is incomplete");
        }
        for (unsigned i = 0; i < paletteSize; ++i) {
            const unsigned char* e = d + tableStart + uint64_t(i) * entryBytes;
            palette[i] = rgb(e[2], e[1], e[0]);
        }
    }

    if (pixelOffset < tableStart) {
        throw stDecodeFailure_c("pixel data offset " + std::to_string(pixelOffset) +
                                " lies inside the header");
    }
    const uint64_t stride = (uint64_t(width) * bpp + 31) / 32 * 4;
    const uint64_t lastRow = (uint64_t(width) * bpp + 7) / 8;
    if (pixelOffset > n || n - pixelOffset < stride * (height - 1) + lastRow) {
        throw stDecodeFailure_c("truncated file: " + std::to_string(width) + " x " +
                                std::to_string(height) + " pixels need " +
                                std::to_string(stride * height) + " bytes of pixel data");
    }

    stDecodedImage_c image;
    if (!core) {
        const int64_t ppmX = i32(h + 24);
        const int64_t ppmY = i32(h + 28);
        if (ppmX > 0 && ppmY > 0) {
            image.dpiX = double(ppmX) * 0.0254;
            image.dpiY = double(ppmY) * 0.0254;
        }
    }
    image.raster = utRasterData_c(unsigned(width), unsigned(height));
    const tmpChannel_c red(masks[0]), green(masks[1]), blue(masks[2]);
    for (uint64_t y = 0; y < height; ++y) {
        const unsigned char* row = d + pixelOffset + stride * (topDown ? y : height - 1 - y);
        uint32_t* out = image.raster.data() + y * uint64_t(width);
        for (uint64_t x = 0; x < uint64_t(width); ++x) {
            switch (bpp) {
                case 1:
                case 4:
                case 8: {
                    const uint64_t bit = x * bpp;
                    const unsigned index =
                        (row[bit / 8] >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1u);
                    if (index >= paletteSize) {
                        throw stDecodeFailure_c("palette index " + std::to_string(index) +
                                                " beyond the " + std::to_string(paletteSize) +
                                                " palette entries");
                    }
                    out[x] = palette[index];
                    break;
                }
                case 24: {
                    const unsigned char* p = row + 3 * x;
                    out[x] = rgb(p[2], p[1], p[0]);
                    break;
                }
                default: {
                    const uint32_t v = bpp == 16 ? u16(row + 2 * x) : u32(row + 4 * x);
                    out[x] = rgb(red(v), green(v), blue(v));
                    break;
                }
            }
        }
    }
    return image;
}

}  // namespace Vemora
