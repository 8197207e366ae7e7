#include "imageReader.h"

#include "imageDecoders.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Vemora {

namespace {

// A raster holds fewer than 2^30 pixels (its allocator refuses more).
constexpr uint64_t kRasterCapacity = (uint64_t(1) << 30) - 1;

// Enough of a file's start to tell its format.
constexpr size_t kSignatureBytes = 16;

constexpr const char* kNotAnImage = "not a supported image (PNG, TIFF, JPEG, PNM or BMP expected)";

struct tmpFileCloser_c {
    void operator()(FILE* f) const { std::fclose(f); }
};

// The most bytes a file of a supported format can need per pixel (ASCII PNM of 16-bit samples,
// TIFF of four 32-bit samples), and room for headers, palettes and metadata.
constexpr uint64_t kMaxBytesPerPixel = 24;
constexpr uint64_t kMetadataAllowance = uint64_t(64) << 20;

// The largest file that can hold an image within the pixel limit.
uint64_t fileSizeLimit(uint64_t maxPixels) {
    const uint64_t pixels = std::min(maxPixels, kRasterCapacity);
    return pixels * kMaxBytesPerPixel + kMetadataAllowance;
}

// Reads the file only when it is a regular file whose first bytes name a supported format and
// whose size fits the pixel limit, so neither a device, a pipe nor an oversized file is read
// without end.
std::vector<unsigned char> readImageBytes(const std::string& path, uint64_t maxPixels) {
    // Opened without waiting, so that a pipe without a writer is refused instead of waited for.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) throw stFileError_c(path + ": cannot open: " + std::strerror(errno));
    std::unique_ptr<FILE, tmpFileCloser_c> f(fdopen(fd, "rb"));
    if (!f) {
        const int err = errno;
        close(fd);
        throw stFileError_c(path + ": cannot open: " + std::strerror(err));
    }
    struct stat st {};
    if (fstat(fd, &st) != 0) throw stFileError_c(path + ": cannot read: " + std::strerror(errno));
    if (S_ISDIR(st.st_mode)) throw stFileError_c(path + ": is a folder, not an image");
    if (!S_ISREG(st.st_mode)) throw stFileError_c(path + ": not a regular file, not an image");

    std::vector<unsigned char> bytes(kSignatureBytes);
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f.get()));
    if (std::ferror(f.get())) throw stFileError_c(path + ": cannot read: " + std::strerror(errno));
    if (bytes.empty()) throw stFileError_c(path + ": empty file, not an image");
    const stImageFormat_e format = detectImageFormat(bytes.data(), bytes.size());
    if (format == stImageFormat_e::Unknown) throw stFileError_c(path + ": " + kNotAnImage);

    const uint64_t limit = fileSizeLimit(maxPixels);
    if (uint64_t(st.st_size) > limit) {
        throw stFileError_c(path + ": " + imageFormatName(format) + ": file of " +
                            std::to_string(st.st_size) + " bytes is larger than an image within " +
                            "the limit of " + std::to_string(maxPixels) +
                            " pixels can be (--max-pixels)");
    }
    bytes.reserve(size_t(st.st_size));
    unsigned char chunk[1 << 16];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f.get())) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + n);
        if (bytes.size() > limit) {  // grew while being read
            throw stFileError_c(path + ": " + imageFormatName(format) +
                                ": file grows while it is read");
        }
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
                throw stFileError_c(name + ": " + kNotAnImage);
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
        bytes = readImageBytes(path, maxPixels);
    } catch (const std::bad_alloc&) {
        throw stFileError_c(path + ": out of memory reading the file");
    }
    return decodeImage(bytes.data(), bytes.size(), path, maxPixels);
}

}  // namespace Vemora
