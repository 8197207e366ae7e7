#include <vemora/spv/stSpvTrackInfo.h>

#include <cassert>
#include <cstddef>

namespace Vemora {

stSpvTrackInfo_c::stSpvTrackInfo_c(const stSpvPoint_c& seed, int direction)
    : averageWidth_(seed.w()), points_{seed}, direction_(direction), state_(kSeeded) {}

void stSpvTrackInfo_c::reseed(const stSpvPoint_c& seed, int direction) {
    averageWidth_ = seed.w();
    points_.assign(1, seed);
    direction_ = direction;
    state_ = kSeeded;
}

bool stSpvTrackInfo_c::nextState() {
    if (state_ < kSeeded || state_ > kBackward) return false;
    ++state_;
    return true;
}

const stSpvPoint_c& stSpvTrackInfo_c::currentPoint() const {
    assert(!points_.empty());
    return state_ == kBackward ? points_.front() : points_.back();
}

int stSpvTrackInfo_c::currentDirection() const {
    return state_ <= kForward ? direction_ : (direction_ + 2) % 4;
}

int stSpvTrackInfo_c::addPoint(const stSpvPoint_c& p) {
    if (state_ == kSeeded) state_ = kForward;
    if (state_ == kForward) {
        points_.push_back(p);
    } else if (state_ == kBackward) {
        points_.insert(points_.begin(), p);
    }
    const int n = int(points_.size());
    averageWidth_ = n < 2 ? p.w() : (p.w() + averageWidth_ * (n - 1)) / n;
    return n;
}

int stSpvTrackInfo_c::addPoint(int x, int y, int w, int wDir) {
    return addPoint(stSpvPoint_c(x, y, w, wDir));
}

double stSpvTrackInfo_c::length() const {
    double sum = 0.0;
    for (std::size_t i = 1; i < points_.size(); ++i) sum += (points_[i] - points_[i - 1]).length();
    return sum;
}

}  // namespace Vemora
