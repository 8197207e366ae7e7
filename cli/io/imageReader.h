#pragma once

// Image files in, 0x00RRGGBB rasters out. The format is told by the file's first bytes, never by
// its name. PNG, TIFF and JPEG go through libpng, libtiff and libjpeg; PNM (P1 to P6) and
// uncompressed BMP are read here. Every failure is an stFileError_c whose message names the file.

#include <vemora/foundation/utRasterData.h>

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace Vemora {

// Images with more pixels than this are refused unless the caller raises the limit.
constexpr uint64_t kDefaultMaxPixels = uint64_t(1) << 28;

// A failure to read or write a file: one line, starting with the file's name.
class stFileError_c : public std::runtime_error {
public:
    explicit stFileError_c(const std::string& message) : std::runtime_error(message) {}
};

enum class stImageFormat_e { Unknown, Png, Tiff, Jpeg, Pnm, Bmp };

// "PNG", "TIFF", "JPEG", "PNM", "BMP" or "unknown".
const char* imageFormatName(stImageFormat_e format);

// The format whose signature starts `bytes`; Unknown when none matches.
stImageFormat_e detectImageFormat(const unsigned char* bytes, size_t size);

struct stDecodedImage_c {
    utRasterData_c raster;
    // Dots per inch as the file states them; 0 when it states none.
    double dpiX = 0.0;
    double dpiY = 0.0;
    stImageFormat_e format = stImageFormat_e::Unknown;

    bool hasDpi() const { return dpiX > 0.0 && dpiY > 0.0; }
};

// Reads the first image of the file at `path`. Transparent pixels are laid on white paper.
// Images of more than `maxPixels` pixels are refused before any pixel memory is taken.
stDecodedImage_c readImageFile(const std::string& path, uint64_t maxPixels = kDefaultMaxPixels);

// The same from bytes in memory; `name` only labels the error messages.
stDecodedImage_c decodeImage(const unsigned char* data, size_t size, const std::string& name,
                             uint64_t maxPixels = kDefaultMaxPixels);

}  // namespace Vemora
