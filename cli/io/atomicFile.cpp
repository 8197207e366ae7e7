#include "atomicFile.h"

#include "imageReader.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include <limits.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Vemora {

namespace {

constexpr int kInterrupts[] = {SIGINT, SIGTERM, SIGHUP};

// The temporary an interrupt has to remove. A signal handler may not allocate, so the name is
// kept in memory of its own; it is only read when `tempPending` is set.
char tempName[PATH_MAX];
volatile std::sig_atomic_t tempPending = 0;

extern "C" void removeTempAndEnd(int signal) {
    if (tempPending) unlink(tempName);
    // The handler was installed to be reset on entry: once it returns, the signal raised here
    // takes its default action.
    raise(signal);
}

sigset_t interruptSet() {
    sigset_t set;
    sigemptyset(&set);
    for (const int s : kInterrupts) sigaddset(&set, s);
    return set;
}

// Installed once, for the signals whose default action would end the process unannounced; an
// interrupt that is ignored (as for a job started in the background) stays ignored.
void installHandlers() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    for (const int s : kInterrupts) {
        struct sigaction old {};
        if (sigaction(s, nullptr, &old) != 0 || old.sa_handler != SIG_DFL) continue;
        struct sigaction action {};
        action.sa_handler = removeTempAndEnd;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND;
        sigaction(s, &action, nullptr);
    }
}

}  // namespace

stInterruptsHeld_c::stInterruptsHeld_c() {
    const sigset_t set = interruptSet();
    pthread_sigmask(SIG_BLOCK, &set, &old_);
}

stInterruptsHeld_c::~stInterruptsHeld_c() { pthread_sigmask(SIG_SETMASK, &old_, nullptr); }

stAtomicFile_c::stAtomicFile_c(const std::string& path) : path_(path) {
    // A short name of its own, so that any name the folder takes still leaves room for it.
    const size_t slash = path.find_last_of('/');
    const std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string pattern = dir + ".vemora-XXXXXX";
    if (pattern.size() >= sizeof tempName) {
        throw stFileError_c(path + ": cannot create: " + std::strerror(ENAMETOOLONG));
    }
    installHandlers();
    {
        const stInterruptsHeld_c held;
        std::memcpy(tempName, pattern.c_str(), pattern.size() + 1);
        fd_ = mkstemp(tempName);
        if (fd_ < 0) throw stFileError_c(path + ": cannot create: " + std::strerror(errno));
        tempPending = 1;
    }
    tempPath_ = tempName;
    // mkstemp makes the file private; the result gets the permissions of an ordinary new file.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd_, 0666 & ~mask);
    out_.open(tempPath_, std::ios::binary | std::ios::trunc);
    if (!out_) {
        const int err = errno;
        ::close(fd_);
        fd_ = -1;
        {
            const stInterruptsHeld_c held;
            std::remove(tempPath_.c_str());
            tempPending = 0;
        }
        throw stFileError_c(path + ": cannot create: " + std::strerror(err));
    }
}

stAtomicFile_c::~stAtomicFile_c() {
    if (committed_) return;
    out_.close();
    if (fd_ >= 0) ::close(fd_);
    const stInterruptsHeld_c held;
    std::remove(tempPath_.c_str());
    tempPending = 0;
}

void stAtomicFile_c::commit() {
    errno = 0;
    out_.flush();
    const bool written = bool(out_);
    out_.close();
    const int err = errno;
    if (!written || out_.fail()) {
        throw stFileError_c(path_ +
                            ": write failed: " + (err ? std::strerror(err) : "output error"));
    }
    if (fsync(fd_) != 0) throw stFileError_c(path_ + ": write failed: " + std::strerror(errno));
    ::close(fd_);
    fd_ = -1;
    const stInterruptsHeld_c held;
    if (std::rename(tempPath_.c_str(), path_.c_str()) != 0) {
        throw stFileError_c(path_ + ": cannot replace: " + std::strerror(errno));
    }
    tempPending = 0;
    committed_ = true;
}

}  // namespace Vemora
