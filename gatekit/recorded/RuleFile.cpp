#include "gatekit/recorded/RuleFile.h"

#include "gatekit/recorded/RuleFileFormat.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace gatekit {
namespace {

Result resultOf(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
        return kAccessDenied;
    case ENOSPC:
    case EDQUOT:
        return kDiskFull;
    default:
        return kFail;
    }
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// mkdir -p; new folders are private to the user, as state folders should be.
bool makeFolders(const std::string& folder) {
    struct stat info;
    if (stat(folder.c_str(), &info) == 0)
        return S_ISDIR(info.st_mode) || (errno = ENOTDIR, false);
    const std::string parent = folderOf(folder);
    if (parent != folder && !makeFolders(parent))
        return false;
    return mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

bool writeAll(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

RuleFile::RuleFile(std::string path)
    : path_(std::move(path)) {}

RuleFile::~RuleFile() {
    if (lockFd_ >= 0)
        close(lockFd_); // also drops the lock
}

Result RuleFile::lock() {
    if (path_.empty()) {
        error_ = "no place for the rule file: GATEKIT_RULES_FILE, XDG_STATE_HOME and HOME "
                 "are all unset";
        return kFail;
    }
    if (!makeFolders(folderOf(path_)))
        return failure("cannot create the folder of", errno);
    const std::string lockPath = path_ + ".lock";
    lockFd_ = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lockFd_ < 0)
        return failure("cannot open the lock file of", errno);
    while (flock(lockFd_, LOCK_EX) != 0) {
        if (errno != EINTR)
            return failure("cannot lock", errno);
    }
    return kOk;
}

Result RuleFile::read(std::vector<RuleRecord>& rules) {
    rules.clear();
    const int fd = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? kOk : failure("cannot open", errno);
    std::string text;
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            close(fd);
            return failure("cannot read", error);
        }
        if (n == 0)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
    std::string fault;
    if (!RuleFileFormat::read(text, rules, fault)) {
        error_ = "the rule file " + path_ + " is corrupt (" + fault +
                 "); it was left unchanged: repair or remove it";
        return kInvalidData;
    }
    return kOk;
}

Result RuleFile::write(const std::vector<RuleRecord>& rules) {
    std::string temporary = path_ + ".XXXXXX";
    const int fd = mkostemp(&temporary[0], O_CLOEXEC);
    if (fd < 0)
        return failure("cannot create a temporary file beside", errno);
    const bool written =
        fchmod(fd, 0644) == 0 && writeAll(fd, RuleFileFormat::write(rules)) && fsync(fd) == 0;
    const int error = errno;
    if (close(fd) != 0 || !written || rename(temporary.c_str(), path_.c_str()) != 0) {
        const int cause = written ? errno : error;
        unlink(temporary.c_str());
        return failure("cannot write", cause);
    }
    return kOk;
}

Result RuleFile::failure(const std::string& what, int error) {
    error_ = what + " the rule file " + path_ + ": " + std::strerror(error);
    return resultOf(error);
}

} // namespace gatekit
