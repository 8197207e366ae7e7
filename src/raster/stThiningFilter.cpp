// Iterative thinning of black strokes.
//
// A pass walks the interior column by column and marks outline pixels that are neither end
// points nor needed to keep their neighbours connected; marks count at once for the pixels
// visited after them, so the walk order is part of the result. Then every marked pixel turns
// white. Marks are kept in a bit set of their own, so no pixel value is taken for a mark.

#include <vemora/foundation/utRasterData.h>
#include <vemora/raster/stRasterFilters.h>

#include <cstdint>
#include <vector>

#include "config/propertyTable.h"
#include "raster/filterRun.h"

namespace Vemora {

namespace {

stConfigurable_c* create() { return new stThiningFilter_c(); }

constexpr uint32_t kColour = 0x00FFFFFFu;

// One bit per pixel, column by column, so that a column's bits lie together.
class tmpColumnBits_c {
public:
    tmpColumnBits_c(unsigned w, unsigned h) : h_(h), bits_((size_t(w) * h + 63) / 64, 0) {}
    void clear() { std::fill(bits_.begin(), bits_.end(), 0); }
    void set(unsigned x, unsigned y) {
        const size_t i = size_t(x) * h_ + y;
        bits_[i / 64] |= uint64_t(1) << (i % 64);
    }
    void reset(unsigned x, unsigned y) {
        const size_t i = size_t(x) * h_ + y;
        bits_[i / 64] &= ~(uint64_t(1) << (i % 64));
    }
    bool test(unsigned x, unsigned y) const {
        const size_t i = size_t(x) * h_ + y;
        return (bits_[i / 64] >> (i % 64)) & 1u;
    }
    // Calls f(y) for every set bit of column x with y0 <= y < y1, in increasing y.
    template <class F>
    void forEachInColumn(unsigned x, unsigned y0, unsigned y1, F f) const {
        const size_t base = size_t(x) * h_, begin = base + y0, end = base + y1;
        for (size_t word = begin / 64; word * 64 < end; ++word) {
            uint64_t bits = bits_[word];
            if (word == begin / 64) bits &= ~uint64_t(0) << (begin % 64);
            while (bits) {
                const size_t i = word * 64 + size_t(__builtin_ctzll(bits));
                if (i >= end) return;
                f(unsigned(i - base));
                bits &= bits - 1;
            }
        }
    }

private:
    unsigned h_;
    std::vector<uint64_t> bits_;
};

// A neighbour as the pass sees it: a marked pixel is neither white nor dark.
struct tmpNeighbour_c {
    bool white, dark;
    tmpNeighbour_c(uint32_t value, bool marked)
        : white(!marked && (value & kColour) == kColour), dark(!marked && (value & kColour) == 0) {}
};

// One marking and clearing pass; true when it whitened anything. Progress runs 0-50 over the
// marking and 50-100 over the clearing, once per column.
template <class Progress>
bool thinOnce(utRasterData_c& r, tmpColumnBits_c& inked, tmpColumnBits_c& marks,
              Progress progress) {
    const unsigned w = r.width(), h = r.height();
    uint32_t* const data = r.data();
    marks.clear();
    bool marked = false;
    for (unsigned x = 1; x + 1 < w; ++x) {
        inked.forEachInColumn(x, 1, h - 1, [&](unsigned y) {
            const uint32_t* const p = data + size_t(y) * w + x;
            // Only column x - 1 and the pixel above can carry marks of this pass yet.
            const tmpNeighbour_c nw(p[-int64_t(w) - 1], marks.test(x - 1, y - 1));
            const tmpNeighbour_c wst(p[-1], marks.test(x - 1, y));
            const tmpNeighbour_c sw(p[w - 1], marks.test(x - 1, y + 1));
            const tmpNeighbour_c n(p[-int64_t(w)], marks.test(x, y - 1));
            const tmpNeighbour_c s(p[w], false);
            if (!wst.white && !n.white && !s.white) return;  // not on the outline
            const tmpNeighbour_c se(p[w + 1], false);
            const tmpNeighbour_c e(p[1], false);
            const tmpNeighbour_c ne(p[-int64_t(w) + 1], false);

            const int nonWhite = !nw.white + !wst.white + !sw.white + !s.white + !se.white +
                                 !e.white + !ne.white + !n.white;
            if (nonWhite == 1) return;  // an end point stays

            const int transitions = (nw.dark && !wst.dark) + (wst.dark && !sw.dark && !s.dark) +
                                    (sw.dark && !s.dark) + (s.dark && !se.dark && !e.dark) +
                                    (se.dark && !e.dark) + (e.dark && !ne.dark && !n.dark) +
                                    (ne.dark && !n.dark) + (n.dark && !nw.dark && !wst.dark);
            if (transitions <= 1) {
                marks.set(x, y);
                marked = true;
            }
        });
        progress(int(uint64_t(x) * 50 / w));
    }
    for (unsigned x = 0; x < w; ++x) {
        marks.forEachInColumn(x, 0, h, [&](unsigned y) {
            data[size_t(y) * w + x] = kWhite;
            inked.reset(x, y);
        });
        progress(50 + int(uint64_t(x) * 50 / w));
    }
    return marked;
}

}  // namespace

const tmpPropertyTable_c<stThiningFilter_c>& stThiningFilter_c::properties() {
    static const tmpPropertyTable_c<stThiningFilter_c> table = [] {
        tmpPropertyTable_c<stThiningFilter_c> t;
        t.integer(L"stepCount", &stThiningFilter_c::stepCount_);
        return t;
    }();
    return table;
}

stDescriptor_c* stThiningFilter_c::desc() {
    static stDescriptor_c d(L"ThiningFilter", &create, stRasterProcessor_c::desc(), nullptr);
    return &d;
}
stDescriptor_c* stThiningFilter_c::isA() { return desc(); }
void stThiningFilter_c::fromXml(stXmlElement_c* element) { properties().read(*this, element); }

utRasterData_c* stThiningFilter_c::process(utRasterData_c* in) {
    static const wchar_t* const kStep = L"Thining filter...";
    const unsigned passes = stepCount();
    return filterStepIntoCopy(*this, kStep, in, [&](const utRasterData_c&, utRasterData_c& dst) {
        if (dst.width() < 3 || dst.height() < 3) return;
        const unsigned w = dst.width(), h = dst.height();
        // The pixels that are not white, found once: a pass only ever whitens pixels.
        tmpColumnBits_c inked(w, h), marks(w, h);
        const uint32_t* const data = dst.data();
        for (unsigned y = 0; y < h; ++y)
            for (unsigned x = 0; x < w; ++x)
                if ((data[size_t(y) * w + x] & kColour) != kColour) inked.set(x, y);
        // A pass that removes nothing leaves the next one nothing to do either.
        for (unsigned pass = 0; pass < passes; ++pass)
            if (!thinOnce(dst, inked, marks, [this](int percent) { notifyProgress(percent); }))
                break;
    });
}

}  // namespace Vemora
