// Writes the pixels of an image file as the command line reads them, for the scan measurements:
// a 16-bit PGM whose samples are the channel sums R + G + B (0 to 765), three times the grey
// that the tracers' ink test compares with their black level.
//
//   scan_pixels IMAGE OUT.pgm

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "io/imageReader.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: scan_pixels IMAGE OUT.pgm\n");
        return 2;
    }
    try {
        const Vemora::stDecodedImage_c image = Vemora::readImageFile(argv[1]);
        const Vemora::utRasterData_c& r = image.raster;
        std::FILE* out = std::fopen(argv[2], "wb");
        if (!out) {
            std::fprintf(stderr, "%s: cannot be written\n", argv[2]);
            return 2;
        }
        std::fprintf(out, "P5\n%u %u\n765\n", r.width(), r.height());
        std::vector<unsigned char> row(size_t(r.width()) * 2);
        bool ok = true;
        for (unsigned y = 0; y < r.height() && ok; ++y) {
            for (unsigned x = 0; x < r.width(); ++x) {
                const uint32_t p = r.pixel(x, y);
                const unsigned sum = ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF);
                row[2 * x] = static_cast<unsigned char>(sum >> 8);
                row[2 * x + 1] = static_cast<unsigned char>(sum & 0xFF);
            }
            ok = std::fwrite(row.data(), 1, row.size(), out) == row.size();
        }
        if (std::fclose(out) != 0 || !ok) {
            std::fprintf(stderr, "%s: write failed\n", argv[2]);
            return 2;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 2;
    }
    return 0;
}
