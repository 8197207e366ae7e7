// JPEG through libjpeg(-turbo). As with PNG, the library's error exit longjmps into
// decodeSteps(), whose frame holds no objects with destructors; whatever owns memory lives in
// tmpJpegJob_c. Warnings and trace messages are swallowed instead of printed.

#include "imageDecoders.h"

#include <csetjmp>
#include <cstdio>
#include <new>
#include <vector>

#include <jpeglib.h>
// After jpeglib.h: which messages jerror.h lists depends on the configuration jpeglib.h reads.
#include <jerror.h>

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

// Warnings are not printed. Those that say the entropy-coded data ended early or is damaged end
// the decoding, though: libjpeg would fill the rest of the image with grey, which the tracer takes
// for ink. The others (an unknown JFIF revision, a bad colour profile) leave the pixels intact.
bool dataIsCutOrCorrupt(int code) {
    switch (code) {
        case JWRN_JPEG_EOF:
        case JWRN_HIT_MARKER:
        case JWRN_MUST_RESYNC:
        case JWRN_EXTRANEOUS_DATA:
        case JWRN_HUFF_BAD_CODE:
#if JPEG_LIB_VERSION >= 70 || defined(D_ARITH_CODING_SUPPORTED)
        case JWRN_ARITH_BAD_CODE:
#endif
        case JWRN_BOGUS_PROGRESSION:
        case JWRN_NOT_SEQUENTIAL:
            return true;
        default:
            return false;
    }
}

void onMessage(j_common_ptr cinfo, int level) {
    if (level < 0 && dataIsCutOrCorrupt(cinfo->err->msg_code)) {
        auto* block = reinterpret_cast<tmpErrorBlock_c*>(cinfo->err);
        char reason[JMSG_LENGTH_MAX];
        (*cinfo->err->format_message)(cinfo, reason);
        std::snprintf(block->message, sizeof block->message, "truncated file (%s)", reason);
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

// Huffman coding spends at least one bit on every 8 x 8 block of every component (its DC
// difference), so a file shorter than that cannot hold its declared image: it was cut, and
// decoding it would only allocate and pad the whole declared size. Arithmetic coding has no such
// floor.
bool holdsTheBlocks(tmpJpegJob_c& job) noexcept {
    const jpeg_decompress_struct& c = job.cinfo;
    if (c.arith_code) return true;
    uint64_t blocks = 0;
    for (int i = 0; i < c.num_components; ++i) {
        blocks += uint64_t(c.comp_info[i].width_in_blocks) * c.comp_info[i].height_in_blocks;
    }
    if (blocks / 8 <= job.in->size) return true;
    std::snprintf(job.err.message, sizeof job.err.message,
                  "truncated file (%zu bytes cannot hold the data of %u x %u pixels)", job.in->size,
                  unsigned(c.image_width), unsigned(c.image_height));
    return false;
}

// A progressive file that ends properly but never sent a component's DC scan would come out
// flat grey.
bool everyComponentArrived(tmpJpegJob_c& job) noexcept {
    const jpeg_decompress_struct& c = job.cinfo;
    if (!c.progressive_mode || !c.coef_bits) return true;
    for (int i = 0; i < c.num_components; ++i) {
        if (c.coef_bits[i][0] < 0) {
            std::snprintf(job.err.message, sizeof job.err.message,
                          "truncated file (component %d has no data)", i + 1);
            return false;
        }
    }
    return true;
}

bool decodeSteps(tmpJpegJob_c* job) {
    jpeg_decompress_struct* cinfo = &job->cinfo;
    if (setjmp(job->err.jump)) return false;

    jpeg_create_decompress(cinfo);
    job->created = true;
    jpeg_mem_src(cinfo, job->in->data, static_cast<unsigned long>(job->in->size));
    jpeg_read_header(cinfo, TRUE);
    if (!checkedSize(*job, cinfo->image_width, cinfo->image_height)) return false;
    if (!holdsTheBlocks(*job)) return false;

    // Grey and YCbCr come out as RGB; CMYK (Adobe's inverted form) is converted below.
    const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_start_decompress(cinfo);  // a progressive file is read whole here
    if (!everyComponentArrived(*job)) return false;
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
