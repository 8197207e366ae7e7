// Netpbm images: P1 (plain bitmap), P2 (plain grey), P3 (plain colour), P4, P5, P6 (their raw
// forms). Only the first image of a file is read.

#include "imageDecoders.h"

#include <array>
#include <cstring>
#include <system_error>
#include <thread>

namespace Vemora {

namespace {

class tmpPnmParser_c {
public:
    explicit tmpPnmParser_c(const stImageBytes_c& in) : p_(in.data), end_(in.data + in.size) {}

    static bool isSpace(unsigned char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
    }

    void skipSpaceAndComments() {
        while (p_ < end_) {
            if (isSpace(*p_)) {
                ++p_;
            } else if (*p_ == '#') {
                while (p_ < end_ && *p_ != '\n' && *p_ != '\r') ++p_;
            } else {
                break;
            }
        }
    }

    // A decimal number of the header or of a plain raster; refuses more than `max`.
    uint64_t number(const char* what, uint64_t max) {
        skipSpaceAndComments();
        if (p_ == end_) throw stDecodeFailure_c(std::string("truncated file: missing ") + what);
        if (*p_ < '0' || *p_ > '9') {
            throw stDecodeFailure_c(std::string("bad character where the ") + what + " should be");
        }
        uint64_t v = 0;
        while (p_ < end_ && *p_ >= '0' && *p_ <= '9') {
            v = v * 10 + unsigned(*p_ - '0');
            if (v > max) {
                throw stDecodeFailure_c(std::string(what) + " out of range (at most " +
                                        std::to_string(max) + ")");
            }
            ++p_;
        }
        return v;
    }

    // One plain bitmap digit; digits need not be separated.
    unsigned bit() {
        skipSpaceAndComments();
        if (p_ == end_) throw stDecodeFailure_c("truncated file: pixel data ends early");
        if (*p_ != '0' && *p_ != '1') throw stDecodeFailure_c("bad character in bitmap data");
        return unsigned(*p_++ - '0');
    }

    // The single white-space character between the header and a raw raster.
    void endOfHeader() {
        if (p_ == end_ || !isSpace(*p_)) {
            throw stDecodeFailure_c("no white space after the header");
        }
        ++p_;
    }

    size_t remaining() const { return size_t(end_ - p_); }
    const unsigned char* position() const { return p_; }
    void skipMagic() { p_ += 2; }

private:
    const unsigned char* p_;
    const unsigned char* end_;
};

}  // namespace

stDecodedImage_c decodePnm(const stImageBytes_c& in) {
    tmpPnmParser_c parser(in);
    const char kind = char(in.data[1]);
    parser.skipMagic();
    const bool bitmap = kind == '1' || kind == '4';
    const bool plain = kind <= '3';
    const unsigned channels = (kind == '3' || kind == '6') ? 3 : 1;

    const uint64_t w = parser.number("width", UINT32_MAX);
    const uint64_t h = parser.number("height", UINT32_MAX);
    const uint64_t maxval = bitmap ? 1 : parser.number("maximum value", 65535);
    if (maxval == 0) throw stDecodeFailure_c("maximum value 0 (must be 1 to 65535)");
    checkImageSize(w, h, in.maxPixels);

    // The pixel data must be there before memory is taken for it. A plain sample needs at least
    // one digit, and a separator unless it is a bitmap digit.
    const uint64_t samples = w * h * channels;
    const unsigned bytesPerSample = maxval > 255 ? 2 : 1;
    uint64_t needed;
    if (plain) {
        parser.skipSpaceAndComments();
        needed = bitmap ? samples : samples * 2 - 1;
    } else {
        parser.endOfHeader();
        needed = bitmap ? (w + 7) / 8 * h : samples * bytesPerSample;
    }
    if (parser.remaining() < needed) {
        throw stDecodeFailure_c("truncated file: " + std::to_string(w) + " x " + std::to_string(h) +
                                " pixels need " + std::to_string(needed) +
                                " bytes of pixel data, the file holds " +
                                std::to_string(parser.remaining()));
    }

    stDecodedImage_c image;
    image.raster = utRasterData_c(unsigned(w), unsigned(h));
    uint32_t* out = image.raster.data();
    const auto scale = [maxval](uint64_t v) {
        if (v > maxval) throw stDecodeFailure_c("sample value above the maximum value");
        return unsigned((v * 255 + maxval / 2) / maxval);
    };

    if (bitmap) {
        // 1 is ink.
        if (plain) {
            for (uint64_t i = 0; i < w * h; ++i) *out++ = parser.bit() ? 0x000000u : 0xFFFFFFu;
        } else {
            // Eight pixels a byte, the first in the high bit; each row starts on a new byte. A
            // table holds the eight pixels of every byte value.
            static const auto pixelsOf = [] {
                std::array<std::array<uint32_t, 8>, 256> t{};
                for (unsigned b = 0; b < 256; ++b)
                    for (unsigned k = 0; k < 8; ++k)
                        t[b][k] = (b >> (7 - k)) & 1u ? 0x000000u : 0xFFFFFFu;
                return t;
            }();
            const unsigned char* raw = parser.position();
            const size_t rowBytes = size_t((w + 7) / 8);
            const size_t fullBytes = size_t(w) / 8, rest = size_t(w) % 8;
            const auto decodeRows = [&](uint64_t y0, uint64_t y1) {
                const unsigned char* in = raw + y0 * rowBytes;
                uint32_t* px = out + y0 * w;
                for (uint64_t y = y0; y < y1; ++y, in += rowBytes) {
                    for (size_t i = 0; i < fullBytes; ++i, px += 8)
                        std::memcpy(px, pixelsOf[in[i]].data(), 32);
                    if (rest != 0) {
                        std::memcpy(px, pixelsOf[in[fullBytes]].data(), rest * 4);
                        px += rest;
                    }
                }
            };
            // Most of the time goes into the first touch of the raster's fresh pages, which a
            // second core shares well: a large image is decoded in two halves at once.
            std::thread lower;
            uint64_t split = h;
            if (w * h >= (uint64_t(1) << 22) && std::thread::hardware_concurrency() > 1) {
                try {
                    lower = std::thread(decodeRows, h / 2, h);
                    split = h / 2;
                } catch (const std::system_error&) {
                    // No second thread to be had: one does it all.
                }
            }
            decodeRows(0, split);
            if (lower.joinable()) lower.join();
        }
    } else if (plain) {
        for (uint64_t i = 0; i < w * h; ++i) {
            unsigned c[3];
            for (unsigned k = 0; k < channels; ++k) c[k] = scale(parser.number("sample", 65535));
            *out++ = channels == 3 ? rgb(c[0], c[1], c[2]) : rgb(c[0], c[0], c[0]);
        }
    } else {
        const unsigned char* raw = parser.position();
        for (uint64_t i = 0; i < w * h; ++i) {
            unsigned c[3];
            for (unsigned k = 0; k < channels; ++k) {
                const uint64_t v = bytesPerSample == 2 ? (unsigned(raw[0]) << 8) | raw[1] : raw[0];
                raw += bytesPerSample;
                c[k] = scale(v);
            }
            *out++ = channels == 3 ? rgb(c[0], c[1], c[2]) : rgb(c[0], c[0], c[0]);
        }
    }
    return image;
}

}  // namespace Vemora
