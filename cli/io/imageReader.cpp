#include "imageReader.h"

#include "imageDecoders.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include <sys/stat.h>

namespace Vemora {

namespace {

// A raster holds fewer than 2^30 pixels (its allocator refuses more).
constexpr uint64_t kRasterCapacity = (uint64_t(1) << 30) - 1;

struct tmpFileCloser_c {
    void operator()(FILE* f) const { std::fclose(f); }
};

std::vector<unsigned char> readWholeFile(const std::string& path) {
    std::unique_ptr<FILE, tmpFileCloser_c> f(std::fopen(path.c_str(), "rb"));
    if (!f) throw stFileError_c(path + ": cannot open: " + std::strerror(errno));
    struct stat st {};
    if (fstat(fileno(f.get()), &st) != 0) {
        throw stFileError_c(path + ": cannot read: " + std::strerror(errno));
    }
    if (S_ISDIR(st.st_mode)) throw stFileError_c(path + ": is a directory, not an image");

    std::vector<unsigned char> bytes;
    if (S_ISREG(st.st_mode)) bytes.reserve(size_t(st.st_size));
    unsigned char chunk[1 << 16];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f.get())) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    if (std::ferror(f.get())) throw stFileError_c(path + ": cannot read: " + std::strerror(errno));
    return bytes;
}

}  // namespace

void checkImageSize(uint64_t width, uint64_t height, uint64_t maxPixels) {
    if (width == 0 || height == 0) {
        throw stDecodeFailure_c("image declares an empty size of " + std::to_string(width) + " x " +
                                std::to_string(height) + " pixels");
    }
    // Either side alone beyond 2^32 is refused before the product could overflow.
    const uint64_t pixels = (width >> 32 || height >> 32) ? UINT64_MAX : width * height;
    if (pixels > maxPixels) {
        throw stDecodeFailure_c("image of " + std::to_string(width) + " x " +
                                std::to_string(height) + " pixels exceeds the limit of " +
                                std::to_string(maxPixels) + " pixels (--max-pixels)");
    }
    if (pixels > kRasterCapacity) {
        throw stDecodeFailure_c("image of " + std::to_string(width) + " x " +
                                std::to_string(height) + " pixels is too large to hold (at most " +
                                std::to_string(kRasterCapacity) + " pixels)");
    }
}

const char* imageFormatName(stImageFormat_e format) {
    switch (format) {
        case stImageFormat_e::Png:
            return "PNG";
        case stImageFormat_e::Tiff:
            return "TIFF";
        case stImageFormat_e::Jpeg:
            return "JPEG";
        case stImageFormat_e::Pnm:
            return "PNM";
        case stImageFormat_e::Bmp:
            return "BMP";
        case stImageFormat_e::Unknown:
            break;
    }
    return "unknown";
}

stImageFormat_e detectImageFormat(const unsigned char* b, size_t n) {
    static constexpr unsigned char kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (n >= 8 && std::memcmp(b, kPng, 8) == 0) return stImageFormat_e::Png;
    if (n >= 4 && ((b[0] == 'I' && b[1] == 'I' && (b[2] == 42 || b[2] == 43) && b[3] == 0) ||
                   (b[0] == 'M' && b[1] == 'M' && b[2] == 0 && (b[3] == 42 || b[3] == 43)))) {
        return stImageFormat_e::Tiff;
    }
    if (n >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF) return stImageFormat_e::Jpeg;
    if (n >= 3 && b[0] == 'P' && b[1] >= '1' && b[1] <= '6' &&
        (b[2] == ' ' || b[2] == '\t' || b[2] == '\n' || b[2] == '\r' || b[2] == '#')) {
        return stImageFormat_e::Pnm;
    }
    if (n >= 2 && b[0] == 'B' && b[1] == 'M') return stImageFormat_e::Bmp;
    return stImageFormat_e::Unknown;
}

stDecodedImage_c decodeImage(const unsigned char* data, size_t size, const std::string& name,
                             uint64_t maxPixels) {
    if (size == 0) throw stFileError_c(name + ": empty file, not an image");
    const stImageFormat_e format = detectImageFormat(data, size);
    const stImageBytes_c in{data, size, maxPixels};
    try {
        stDecodedImage_c image;
        switch (format) {
            case stImageFormat_e::Png:
                image = decodePng(in);
                break;
            case stImageFormat_e::Tiff:
                image = decodeTiff(in);
                break;
            case stImageFormat_e::Jpeg:
                image = decodeJpeg(in);
                break;
            case stImageFormat_e::Pnm:
                image = decodePnm(in);
                break;
            case stImageFormat_e::Bmp:
                image = decodeBmp(in);
                break;
            case stImageFormat_e::Unknown:
                throw stFileError_c(
                    name + ": not a supported image (PNG, TIFF, JPEG, PNM or BMP expected)");
        }
        image.format = format;
        return image;
    } catch (const stDecodeFailure_c& e) {
        throw stFileError_c(name + ": " + imageFormatName(format) + ": " + e.what());
    } catch (const std::bad_alloc&) {
        throw stFileError_c(name + ": " + imageFormatName(format) + ": out of memory");
    }
}

stDecodedImage_c readImageFile(const std::string& path, uint64_t maxPixels) {
    std::vector<unsigned char> bytes;
    try {
        bytes = readWholeFile(path);
    } catch (const std::bad_alloc&) {
        throw stFileError_c(path + ": out of memory reading the file");
    }
    return decodeImage(bytes.data(), bytes.size(), path, maxPixels);
}

}  // namespace Vemora
