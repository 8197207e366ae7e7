// TIFF through libtiff: the first page, whatever its photometric form (bilevel with CCITT G3/G4,
// grey, palette, RGB, YCbCr, CMYK), striped or tiled, via libtiff's RGBA reader. libtiff reports
// through handlers rather than jumps; ours keep the first message instead of printing it.

#include "imageDecoders.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>

namespace Vemora {

namespace {

// One allocation inside libtiff (a strip, a tile, a tag array) may not exceed this.
constexpr tmsize_t kMaxSingleAlloc = tmsize_t(512) << 20;

struct tmpTiffSource_c {
    const stImageBytes_c* in;
    toff_t offset = 0;
    char message[512] = {};
};

tmsize_t readProc(thandle_t h, void* buf, tmsize_t size) {
    auto* src = static_cast<tmpTiffSource_c*>(h);
    if (size < 0 || src->offset >= src->in->size) return 0;
    const tmsize_t n = std::min<tmsize_t>(size, tmsize_t(src->in->size - src->offset));
    std::memcpy(buf, src->in->data + src->offset, size_t(n));
    src->offset += toff_t(n);
    return n;
}

tmsize_t writeProc(thandle_t, void*, tmsize_t) { return -1; }

toff_t seekProc(thandle_t h, toff_t off, int whence) {
    auto* src = static_cast<tmpTiffSource_c*>(h);
    toff_t base = 0;
    if (whence == SEEK_CUR) base = src->offset;
    if (whence == SEEK_END) base = src->in->size;
    // Offsets arrive as unsigned; a negative move relative to the base wraps around.
    src->offset = base + off;
    return src->offset;
}

int closeProc(thandle_t) { return 0; }
toff_t sizeProc(thandle_t h) { return static_cast<tmpTiffSource_c*>(h)->in->size; }
int mapProc(thandle_t, void**, toff_t*) { return 0; }
void unmapProc(thandle_t, void*, toff_t) {}

int onError(TIFF*, void* user, const char* module, const char* fmt, va_list ap) {
    auto* src = static_cast<tmpTiffSource_c*>(user);
    if (!src->message[0]) {
        char text[400];
        std::vsnprintf(text, sizeof text, fmt, ap);
        std::snprintf(src->message, sizeof src->message, "%s%s%s", module ? module : "",
                      module ? ": " : "", text);
    }
    return 1;
}

int onWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct tmpTiffCloser_c {
    void operator()(TIFF* t) const { TIFFClose(t); }
};
struct tmpOptionsFreer_c {
    void operator()(TIFFOpenOptions* o) const { TIFFOpenOptionsFree(o); }
};

}  // namespace

stDecodedImage_c decodeTiff(const stImageBytes_c& in) {
    // Messages that libtiff raises without a file handle go nowhere either.
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);

    tmpTiffSource_c src{&in};
    const std::unique_ptr<TIFFOpenOptions, tmpOptionsFreer_c> options(TIFFOpenOptionsAlloc());
    if (!options) throw std::bad_alloc();
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), kMaxSingleAlloc);
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), onError, &src);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), onWarning, &src);

    const auto failure = [&src](const char* fallback) {
        return stDecodeFailure_c(src.message[0] ? src.message : fallback);
    };
    // 'm': no memory mapping; 'r' reads the first directory only.
    const std::unique_ptr<TIFF, tmpTiffCloser_c> tif(
        TIFFClientOpenExt("image", "rm", &src, readProc, writeProc, seekProc, closeProc, sizeProc,
                          mapProc, unmapProc, options.get()));
    if (!tif) throw failure("not a readable TIFF file");

    uint32_t w = 0, h = 0;
    TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &h);
    checkImageSize(w, h, in.maxPixels);

    char reason[1024] = {};
    if (!TIFFRGBAImageOK(tif.get(), reason)) {
        throw stDecodeFailure_c(std::string("unsupported image: ") + reason);
    }

    stDecodedImage_c image;
    image.raster = utRasterData_c(w, h);
    uint32_t* px = image.raster.data();
    if (!TIFFReadRGBAImageOriented(tif.get(), w, h, px, ORIENTATION_TOPLEFT, 1)) {
        throw failure("cannot decode the image data");
    }
    // A message without a failed call still means damaged data (a strip that could not be read
    // is left blank): refuse rather than trace a partial image.
    if (src.message[0]) throw failure("");

    // libtiff's pixels are A, B, G, R from the top byte down, with alpha premultiplied: lay
    // them on white.
    const size_t count = size_t(w) * h;
    for (size_t i = 0; i < count; ++i) {
        const uint32_t v = px[i];
        const unsigned paper = 255u - TIFFGetA(v);
        px[i] = rgb(std::min(255u, TIFFGetR(v) + paper), std::min(255u, TIFFGetG(v) + paper),
                    std::min(255u, TIFFGetB(v) + paper));
    }

    float xres = 0.0f, yres = 0.0f;
    uint16_t unit = RESUNIT_INCH;
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_RESOLUTIONUNIT, &unit);
    if (TIFFGetField(tif.get(), TIFFTAG_XRESOLUTION, &xres) &&
        TIFFGetField(tif.get(), TIFFTAG_YRESOLUTION, &yres) && xres > 0 && yres > 0 &&
        unit != RESUNIT_NONE) {
        const double perInch = unit == RESUNIT_CENTIMETER ? 2.54 : 1.0;
        image.dpiX = xres * perInch;
        image.dpiY = yres * perInch;
    }
    return image;
}

}  // namespace Vemora
