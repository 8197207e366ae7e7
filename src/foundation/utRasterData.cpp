#include <vemora/foundation/utRasterData.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace Vemora {

namespace {
constexpr uint64_t kMaxPixels = uint64_t(1) << 30;  // from here on w * h * 4 no longer fits 32 bits

// Columns (rows) from `at` to the end of `size`; none from a start at or beyond it.
unsigned room(unsigned size, unsigned at) { return at < size ? size - at : 0; }
}  // namespace

void utRasterData_c::FreeBlock::operator()(uint32_t* block) const noexcept { std::free(block); }

utRasterData_c::Block utRasterData_c::allocate(unsigned w, unsigned h) {
    const uint64_t n = uint64_t(w) * h;
    if (n >= kMaxPixels) throw std::bad_alloc();
    if (n == 0) return nullptr;
    auto* block = static_cast<uint32_t*>(std::calloc(size_t(n), sizeof(uint32_t)));
    if (!block) throw std::bad_alloc();
    return Block(block);
}

utRasterData_c::utRasterData_c(unsigned w, unsigned h)
    : width_(w), height_(h), data_(allocate(w, h)) {}

utRasterData_c::utRasterData_c(unsigned w, unsigned h, const void* src)
    : width_(w), height_(h), data_(allocate(w, h)) {
    if (data_) std::memcpy(data_.get(), src, dataSize());
}

utRasterData_c::utRasterData_c(const utRasterData_c& src)
    : utRasterData_c(src.width_, src.height_, src.data_.get()) {}

utRasterData_c::utRasterData_c(utRasterData_c&& src) noexcept
    : width_(src.width_), height_(src.height_), data_(std::move(src.data_)) {
    src.width_ = 0;
    src.height_ = 0;
}

utRasterData_c::utRasterData_c(const utRasterData_c& src, unsigned x, unsigned y, unsigned w,
                               unsigned h) {
    w = std::min(w, room(src.width_, x));
    h = std::min(h, room(src.height_, y));
    data_ = allocate(w, h);
    width_ = w;
    height_ = h;
    if (!data_) return;  // nothing to copy, and no block to copy into
    for (unsigned j = 0; j < h; ++j) {
        std::memcpy(data_.get() + size_t(j) * w, src.data_.get() + x + size_t(y + j) * src.width_,
                    size_t(w) * 4);
    }
}

utRasterData_c::~utRasterData_c() = default;

utRasterData_c& utRasterData_c::operator=(const utRasterData_c& src) {
    if (this == &src) return *this;
    if (width_ != src.width_ || height_ != src.height_ || !data_) {
        data_ =
            allocate(src.width_, src.height_);  // the old block is freed only once this succeeds
        width_ = src.width_;
        height_ = src.height_;
    }
    if (data_) std::memcpy(data_.get(), src.data_.get(), dataSize());
    return *this;
}

utRasterData_c& utRasterData_c::operator=(utRasterData_c&& src) noexcept {
    if (this == &src) return *this;
    data_ = std::move(src.data_);
    width_ = src.width_;
    height_ = src.height_;
    src.width_ = 0;
    src.height_ = 0;
    return *this;
}

void utRasterData_c::assign(const utRasterData_c& src) { *this = src; }

bool utRasterData_c::operator==(const utRasterData_c& other) const {
    if (width_ != other.width_ || height_ != other.height_) return false;
    if (data_ == other.data_ || dataSize() == 0) return true;
    return std::memcmp(data_.get(), other.data_.get(), dataSize()) == 0;
}

void utRasterData_c::setRectRasterData(const utRasterData_c& src, unsigned x, unsigned y) {
    const unsigned cols = std::min(src.width_, room(width_, x));
    const unsigned rows = std::min(src.height_, room(height_, y));
    if (cols == 0 || rows == 0) return;
    for (unsigned j = 0; j < rows; ++j) {
        std::memcpy(data_.get() + x + size_t(y + j) * width_,
                    src.data_.get() + size_t(j) * src.width_, size_t(cols) * 4);
    }
}

}  // namespace Vemora
