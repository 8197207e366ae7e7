#include "progress.h"

#include "io/atomicFile.h"

#include <unistd.h>
#include <cstdio>

namespace Vemora {

namespace {
constexpr auto kQuietPeriod = std::chrono::milliseconds(500);
constexpr auto kRefresh = std::chrono::milliseconds(200);
}  // namespace

stProgressDisplay_c::stProgressDisplay_c(bool enabled)
    : active_(enabled && isatty(STDERR_FILENO)), start_(std::chrono::steady_clock::now()) {
    if (active_) {
        const stInterruptsHeld_c held;
        thread_ = std::thread([this] { run(); });
    }
}

stProgressDisplay_c::~stProgressDisplay_c() { finish(); }

void stProgressDisplay_c::phase(const std::string& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    phase_ = name;
}

void stProgressDisplay_c::finish() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        done_ = true;
    }
    wake_.notify_all();
    thread_.join();
    if (shown_) std::fputs("\r\033[K", stderr);
}

void stProgressDisplay_c::run() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (wake_.wait_for(lock, kQuietPeriod, [this] { return done_; })) return;
    while (!done_) {
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        std::fprintf(stderr, "\r\033[Kvemora: %s %.1f s", phase_.c_str(), seconds);
        std::fflush(stderr);
        shown_ = true;
        wake_.wait_for(lock, kRefresh, [this] { return done_; });
    }
}

}  // namespace Vemora
