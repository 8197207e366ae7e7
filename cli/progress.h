#pragma once

// A one-line progress display on standard error: the current phase and the elapsed time, shown
// only for runs that last over half a second, only on a terminal, and never with --quiet.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace Vemora {

class stProgressDisplay_c {
public:
    // enabled: the caller's verdict (not quiet); the display also stays off when standard error is
    // not a terminal.
    explicit stProgressDisplay_c(bool enabled);
    ~stProgressDisplay_c();
    stProgressDisplay_c(const stProgressDisplay_c&) = delete;
    stProgressDisplay_c& operator=(const stProgressDisplay_c&) = delete;

    void phase(const std::string& name);
    // Clears the line; called by the destructor too.
    void finish();

private:
    void run();

    bool active_ = false;
    std::chrono::steady_clock::time_point start_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::string phase_;
    bool done_ = false;
    bool shown_ = false;
    std::thread thread_;
};

}  // namespace Vemora
