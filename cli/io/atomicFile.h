#pragma once

#include <csignal>
#include <fstream>
#include <string>

namespace Vemora {

// A file written through a temporary in the same folder, renamed over the target only by
// commit(): a failed or abandoned write leaves neither a partial target nor the temporary, and
// neither does an interrupt (SIGINT, SIGTERM, SIGHUP) while it is written: the temporary is
// removed and the process then ends as the signal ends it by default. One such file is written
// at a time.
class stAtomicFile_c {
public:
    // Creates the temporary; throws stFileError_c naming `path` when that is not possible.
    explicit stAtomicFile_c(const std::string& path);
    // Removes the temporary unless commit() succeeded.
    ~stAtomicFile_c();
    stAtomicFile_c(const stAtomicFile_c&) = delete;
    stAtomicFile_c& operator=(const stAtomicFile_c&) = delete;

    std::ostream& stream() { return out_; }
    // Flushes, syncs and renames the temporary to the target; throws stFileError_c when any
    // step fails (the temporary is then removed).
    void commit();

private:
    std::string path_;
    std::string tempPath_;
    int fd_ = -1;
    std::ofstream out_;
    bool committed_ = false;
};

// Holds the interrupt signals back from the calling thread while it lives; they are delivered
// when it goes. A thread started meanwhile inherits that and never receives them: helper threads
// are started under one, so that an interrupt always reaches the thread that writes files, and
// waits while that thread is between creating or renaming a temporary and noting it.
class stInterruptsHeld_c {
public:
    stInterruptsHeld_c();
    ~stInterruptsHeld_c();
    stInterruptsHeld_c(const stInterruptsHeld_c&) = delete;
    stInterruptsHeld_c& operator=(const stInterruptsHeld_c&) = delete;

private:
    sigset_t old_;
};

}  // namespace Vemora
