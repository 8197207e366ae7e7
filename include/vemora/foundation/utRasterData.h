#pragma once

#include <vemora/foundation/vemoraApi.h>

#include <cstdint>
#include <memory>

namespace Vemora {

// The library's one image type: width x height pixels 0x00RRGGBB stored row by row (row 0 first,
// no padding), owned and deep-copied. Columns are x, rows are y. Ink is dark: the tracers count a
// pixel as black when the mean of its three channels is below their black level.
//
// Allocation failures, including images of 2^30 pixels or more, raise std::bad_alloc and leave no
// half-built object behind. An image of zero width or height holds no pixel block.
class VEMORA_API utRasterData_c {
public:
    utRasterData_c() = default;
    // Pixels set to 0 (black).
    utRasterData_c(unsigned w, unsigned h);
    // Copies w x h pixels from src; the caller keeps src.
    utRasterData_c(unsigned w, unsigned h, const void* src);
    utRasterData_c(const utRasterData_c& src);
    // Takes src's pixels over without copying them; src is left empty (0 x 0).
    utRasterData_c(utRasterData_c&& src) noexcept;
    // The sub-image at (x, y), clipped to src: never padded. A start beyond src's right (bottom)
    // edge gives zero columns (rows).
    utRasterData_c(const utRasterData_c& src, unsigned x, unsigned y, unsigned w, unsigned h);
    ~utRasterData_c();

    utRasterData_c& operator=(const utRasterData_c& src);
    utRasterData_c& operator=(utRasterData_c&& src) noexcept;
    void assign(const utRasterData_c& src);
    // Same size and the same pixels.
    bool operator==(const utRasterData_c& other) const;
    bool operator!=(const utRasterData_c& other) const { return !(*this == other); }

    // Pastes src with its top-left corner at (x, y), clipped to this image; a corner beyond the
    // image pastes nothing.
    void setRectRasterData(const utRasterData_c& src, unsigned x, unsigned y);

    // No bounds check.
    uint32_t pixel(unsigned col, unsigned row) const { return data_[col + size_t(row) * width_]; }
    void setPixel(unsigned col, unsigned row, uint32_t value) {
        data_[col + size_t(row) * width_] = value;
    }

    unsigned width() const { return width_; }
    unsigned height() const { return height_; }
    uint32_t* data() { return data_.get(); }
    const uint32_t* data() const { return data_.get(); }
    unsigned pixelSize() const { return 4; }
    unsigned rowSize() const { return width_ * 4; }
    size_t dataSize() const { return size_t(width_) * height_ * 4; }

private:
    // Pixel blocks come from calloc, which hands out fresh pages of a large block without
    // writing zeros over them first.
    struct FreeBlock {
        void operator()(uint32_t* block) const noexcept;
    };
    using Block = std::unique_ptr<uint32_t[], FreeBlock>;

    // A zeroed block of w x h pixels, or none for an empty size; throws std::bad_alloc from 2^30
    // pixels on.
    static Block allocate(unsigned w, unsigned h);

    unsigned width_ = 0;
    unsigned height_ = 0;
    Block data_;
};

}  // namespace Vemora
