#pragma once

#include <vemora/foundation/vemoraApi.h>
#include <vemora/spv/stSpvPoint.h>

#include <vector>

namespace Vemora {

// One track of the sparse tracer under construction: the centre points of a stroke from one end to
// the other, built in two passes from a seed (forward, appending; then backward, prepending).
class VEMORA_API stSpvTrackInfo_c {
public:
    enum State { kEmpty = 0, kSeeded = 1, kForward = 2, kBackward = 3, kReady = 4 };

    stSpvTrackInfo_c() = default;
    // A track holding only the seed; direction is that of the forward pass (0 left, 1 up, 2 right,
    // 3 down).
    stSpvTrackInfo_c(const stSpvPoint_c& seed, int direction);
    // Becomes what the constructor above makes, keeping the memory of its point list.
    void reseed(const stSpvPoint_c& seed, int direction);

    const std::vector<stSpvPoint_c>& points() const { return points_; }
    int state() const { return state_; }
    void set_state(int state) { state_ = state; }
    bool isReady() const { return state_ == kReady; }
    // Seeded -> forward -> backward -> ready; false (and no change) from any other state.
    bool nextState();

    // The end the current pass grows: the first point while tracing backward, else the last.
    const stSpvPoint_c& currentPoint() const;
    int currentDirection() const;

    // Stores p at the end the current pass grows (seeded counts as forward and moves on to it;
    // other states store nothing), updates the running mean width and returns the point count.
    int addPoint(const stSpvPoint_c& p);
    int addPoint(int x, int y, int w, int wDir);

    double averageWidth() const { return averageWidth_; }
    // Sum of the distances between consecutive points.
    double length() const;

private:
    double averageWidth_ = 1.0;
    std::vector<stSpvPoint_c> points_;  // a track holds some dozens of points at most
    int direction_ = -1;
    int state_ = kEmpty;
};

}  // namespace Vemora
