#include "atomicFile.h"

#include "imageReader.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace Vemora {

stAtomicFile_c::stAtomicFile_c(const std::string& path) : path_(path) {
    const size_t slash = path.find_last_of('/');
    const std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    std::vector<char> name(dir.begin(), dir.end());
    const std::string tail = "." + base + ".XXXXXX";
    name.insert(name.end(), tail.begin(), tail.end());
    name.push_back('\0');
    fd_ = mkstemp(name.data());
    if (fd_ < 0) throw stFileError_c(path + ": cannot create: " + std::strerror(errno));
    tempPath_ = name.data();
    // mkstemp makes the file private; the result gets the permissions of an ordinary new file.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd_, 0666 & ~mask);
    out_.open(tempPath_, std::ios::binary | std::ios::trunc);
    if (!out_) {
        const int err = errno;
        ::close(fd_);
        std::remove(tempPath_.c_str());
        throw stFileError_c(path + ": cannot create: " + std::strerror(err));
    }
}

stAtomicFile_c::~stAtomicFile_c() {
    if (committed_) return;
    out_.close();
    if (fd_ >= 0) ::close(fd_);
    std::remove(tempPath_.c_str());
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
    if (std::rename(tempPath_.c_str(), path_.c_str()) != 0) {
        throw stFileError_c(path_ + ": cannot replace: " + std::strerror(errno));
    }
    committed_ = true;
}

}  // namespace Vemora
