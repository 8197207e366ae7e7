// PNG through libpng. libpng reports errors by longjmp; the jump lands in decodeSteps(), whose
// frame and the libpng frames it skips hold no objects with destructors. Everything that owns
// memory lives in tmpPngJob_c, outside the jump's reach, and the C++ error is raised only after
// setjmp has returned.

#include "imageDecoders.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <new>
#include <vector>

namespace Vemora {

namespace {

struct tmpPngJob_c {
    const stImageBytes_c* in = nullptr;
    size_t offset = 0;
    png_structp png = nullptr;
    png_infop info = nullptr;
    stDecodedImage_c image;
    std::vector<png_bytep> rows;
    char message[256] = {};
    bool outOfMemory = false;

    ~tmpPngJob_c() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

void onError(png_structp png, png_const_charp message) {
    auto* job = static_cast<tmpPngJob_c*>(png_get_error_ptr(png));
    std::snprintf(job->message, sizeof job->message, "%s", message ? message : "decoding failed");
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

void readBytes(png_structp png, png_bytep out, size_t count) {
    auto* job = static_cast<tmpPngJob_c*>(png_get_io_ptr(png));
    if (job->in->size - job->offset < count) png_error(png, "truncated file");
    std::memcpy(out, job->in->data + job->offset, count);
    job->offset += count;
}

// Allocation happens in plain C++ frames that have returned before libpng runs again, so no
// exception crosses libpng and no jump crosses a destructor.
bool allocatePixels(tmpPngJob_c& job, png_uint_32 w, png_uint_32 h) noexcept {
    try {
        job.image.raster = utRasterData_c(w, h);
        job.rows.resize(h);
        for (png_uint_32 y = 0; y < h; ++y) {
            job.rows[y] = reinterpret_cast<png_bytep>(job.image.raster.data() + size_t(y) * w);
        }
        return true;
    } catch (const std::bad_alloc&) {
        job.outOfMemory = true;
        return false;
    }
}

bool checkedSize(tmpPngJob_c& job, png_uint_32 w, png_uint_32 h) noexcept {
    try {
        checkImageSize(w, h, job.in->maxPixels);
        return true;
    } catch (const stDecodeFailure_c& e) {
        std::snprintf(job.message, sizeof job.message, "%s", e.what());
        return false;
    }
}

// Returns false with job.message set (or job.outOfMemory) on failure.
bool decodeSteps(tmpPngJob_c* job) {
    png_structp png = job->png;
    png_infop info = job->info;
    if (setjmp(png_jmpbuf(png))) return false;

    png_set_read_fn(png, job, readBytes);
    png_read_info(png, info);
    const png_uint_32 w = png_get_image_width(png, info);
    const png_uint_32 h = png_get_image_height(png, info);
    if (!checkedSize(*job, w, h)) return false;

    // Everything becomes 8-bit RGBA: palette and low-depth grey expanded, transparency keys
    // turned into alpha, 16-bit samples scaled, grey copied to three channels, opaque images
    // given an opaque alpha byte.
    png_set_expand(png);
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != size_t(w) * 4) png_error(png, "unexpected row layout");

    if (!allocatePixels(*job, w, h)) return false;
    png_read_image(png, job->rows.data());
    png_read_end(png, nullptr);

    png_uint_32 ppuX = 0, ppuY = 0;
    int unit = 0;
    if (png_get_pHYs(png, info, &ppuX, &ppuY, &unit) && unit == PNG_RESOLUTION_METER && ppuX &&
        ppuY) {
        job->image.dpiX = ppuX * 0.0254;
        job->image.dpiY = ppuY * 0.0254;
    }
    return true;
}

}  // namespace

stDecodedImage_c decodePng(const stImageBytes_c& in) {
    tmpPngJob_c job;
    job.in = &in;
    job.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &job, onError, onWarning);
    if (!job.png) throw std::bad_alloc();
    job.info = png_create_info_struct(job.png);
    if (!job.info) throw std::bad_alloc();
    // Bounds on what a hostile file can make libpng allocate for ancillary chunks.
    png_set_chunk_cache_max(job.png, 1000);
    png_set_chunk_malloc_max(job.png, 8u << 20);
    png_set_user_limits(job.png, 0x7FFFFFFFu, 0x7FFFFFFFu);

    if (!decodeSteps(&job)) {
        if (job.outOfMemory) throw std::bad_alloc();
        throw stDecodeFailure_c(job.message);
    }

    // RGBA bytes to 0x00RRGGBB, transparent pixels on white, in place.
    uint32_t* px = job.image.raster.data();
    const size_t count = size_t(job.image.raster.width()) * job.image.raster.height();
    for (size_t i = 0; i < count; ++i) {
        const auto* b = reinterpret_cast<const unsigned char*>(px + i);
        px[i] = onWhite(b[0], b[1], b[2], b[3]);
    }
    return std::move(job.image);
}

}  // namespace Vemora
