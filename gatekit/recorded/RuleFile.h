#pragma once

#include "gatekit/Result.h"
#include "gatekit/recorded/RuleRecord.h"

#include <string>
#include <vector>

namespace gatekit {

// The recorded rule file, held under an exclusive lock from lock() until the
// object is destroyed, so that one process's read-change-write is never mixed
// with another's. Writes go to a temporary file that replaces the old one in
// one step: readers see the old rules or the new ones, never a mixture.
class RuleFile {
public:
    explicit RuleFile(std::string path);
    ~RuleFile();
    RuleFile(const RuleFile&) = delete;
    RuleFile& operator=(const RuleFile&) = delete;

    const std::string& path() const { return path_; }
    // Text that explains the last failure, naming the file.
    const std::string& error() const { return error_; }

    // Creates the folder if needed and waits for the lock ("<path>.lock").
    Result lock();
    // A missing file holds no rules; a file that cannot be read as rules
    // fails with kInvalidData and is left as it is.
    Result read(std::vector<RuleRecord>& rules);
    Result write(const std::vector<RuleRecord>& rules);

private:
    Result failure(const std::string& what, int error);

    std::string path_;
    std::string error_;
    int lockFd_ = -1;
};

} // namespace gatekit
