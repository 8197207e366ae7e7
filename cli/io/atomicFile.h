#pragma once

#include <fstream>
#include <string>

namespace Vemora {

// A file written through a temporary beside it, renamed over the target only by commit(): a
// failed or abandoned write leaves neither a partial target nor the temporary.
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

}  // namespace Vemora
