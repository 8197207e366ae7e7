// JPEG through libjpeg(-turbo). As with PNG, the library's error exit longjmps into
// decodeSteps(), whose frame holds no objects with destructors; whatever owns memory lives in
// tmpJpegJob_c. Warnings and trace messages are swallowed instead of printed.

#include "imageDecoders.h"

#include <csetjmp>
#include <cstdio>
#include <new>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

namespace Vemora {

namespace {

// libjpeg hands its callbacks only cinfo->err: the manager comes first so the block can be
// found from it.
struct tmpErrorBlock_c {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX + 64];
};

struct tmpJpegJob_c {
    jpeg_decompress_struct cinfo{};
    tmpErrorBlock_c err{};
    bool created = false;
    const stImageBytes_c* in = nullptr;
    stDecodedImage_c image;
    std::vector<unsigned char> row;
    bool outOfMemory = false;

    ~tmpJpegJob_c() {
        if (created) jpeg_destroy_decompress(&cinfo);
    }
};

void onErrorExit(j_common_ptr cinfo) {
    auto* block = reinterpret_cast<tmpErrorBlock_c*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, block->message);
    std::longjmp(block->jump, 1);
}

// Warnings are not printed. Running out of data is fatal, though: libjpeg would pad the missing
// rows with grey, which the tracer would take for ink.
void onMessage(j_common_ptr cinfo, int level) {
    if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) {
        auto* block = reinterpret_cast<tmpErrorBlock_c*>(cinfo->err);
        std::snprintf(block->message, sizeof block->message, "truncated file");
        std::longjmp(block->jump, 1);
    }
}
void onOutput(j_common_ptr) {}

bool allocatePixels(tmpJpegJob_c& job, JDIMENSION w, JDIMENSION h, int components) noexcept {
    try {
        job.image.raster = utRasterData_c(w, h);
        job.row.resize(size_t(w) * unsigned(components));
        return true;
    } catch (const std::bad_alloc&) {
        job.outOfMemory = true;
        return false;
    }
}

bool checkedSize(tmpJpegJob_c& job, JDIMENSION w, JDIMENSION h) noexcept {
    try {
        checkImageSize(w, h, job.in->maxPixels);
        return true;
    } catch (const stDecodeFailure_c& e) {
        std::snprintf(job.err.message, sizeof job.err.message, "%s", e.what());
        return false;
    }
}

bool decodeSteps(tmpJpegJob_c* job) {
    jpeg_decompress_struct* cinfo = &job->cinfo;
    if (setjmp(job->err.jump)) return false;

    jpeg_create_decompress(cinfo);
    job->created = true;
    jpeg_mem_src(cinfo, job->in->data, static_cast<unsigned long>(job->in->size));
    jpeg_read_header(cinfo, TRUE);
    if (!checkedSize(*job, cinfo->image_width, cinfo->image_height)) return false;

    // Grey and YCbCr come out as RGB; CMYK (Adobe's inverted form) is converted below.
    const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_start_decompress(cinfo);
    const JDIMENSION w = cinfo->output_width;
    const JDIMENSION h = cinfo->output_height;
    const int components = cinfo->output_components;
    if (!allocatePixels(*job, w, h, components)) return false;

    while (cinfo->output_scanline < h) {
        const JDIMENSION y = cinfo->output_scanline;
        JSAMPROW rowPointer = job->row.data();
        if (jpeg_read_scanlines(cinfo, &rowPointer, 1) != 1) {
            std::snprintf(job->err.message, sizeof job->err.message, "truncated file");
            return false;
        }
        uint32_t* out = job->image.raster.data() + size_t(y) * w;
        const unsigned char* p = job->row.data();
        for (JDIMENSION x = 0; x < w; ++x, p += components) {
            if (cmyk) {
                // Adobe writes inverted CMYK: each stored value is already 255 - ink.
                const unsigned k = p[3];
                out[x] = rgb(p[0] * k / 255, p[1] * k / 255, p[2] * k / 255);
            } else {
                out[x] = rgb(p[0], p[1], p[2]);
            }
        }
    }
    // Every row is in; whatever follows the image data (even a missing end marker) no longer
    // matters.
    jpeg_abort_decompress(cinfo);

    if (cinfo->saw_JFIF_marker && cinfo->X_density && cinfo->Y_density) {
        const double perInch = cinfo->density_unit == 1   ? 1.0
                               : cinfo->density_unit == 2 ? 2.54
                                                          : 0.0;
        job->image.dpiX = cinfo->X_density * perInch;
        job->image.dpiY = cinfo->Y_density * perInch;
    }
    return true;
}

}  // namespace

stDecodedImage_c decodeJpeg(const stImageBytes_c& in) {
    tmpJpegJob_c job;
    job.in = &in;
    job.cinfo.err = jpeg_std_error(&job.err.mgr);
    job.err.mgr.error_exit = onErrorExit;
    job.err.mgr.emit_message = onMessage;
    job.err.mgr.output_message = onOutput;
    if (!decodeSteps(&job)) {
        if (job.outOfMemory) throw std::bad_alloc();
        throw stDecodeFailure_c(job.err.message);
    }
    return std::move(job.image);
}

}  // namespace Vemora
