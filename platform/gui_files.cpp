#include "platform/gui_files.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace platform::gui {
namespace {

class UniqueFd {
  public:
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return fd_; }
    // Closes now and reports whether the close (which may flush) succeeded.
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

  private:
    int fd_;
};

// Removes the temporary file unless it has been renamed into place.
class TemporaryFile {
  public:
    explicit TemporaryFile(std::string path) : path_(std::move(path)) {}
    ~TemporaryFile() {
        if (!path_.empty())
            ::unlink(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::string& path() const { return path_; }
    bool renameTo(const std::string& target) {
        if (::rename(path_.c_str(), target.c_str()) != 0)
            return false;
        path_.clear();
        return true;
    }

  private:
    std::string path_;
};

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// The temporary name beside `path`: hidden, and unique among the processes writing there.
std::string temporaryName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    return path.substr(0, nameStart) + "." + path.substr(nameStart) + "." +
           std::to_string(::getpid()) + ".part";
}

// Creates the temporary file with the usual permissions (the process's umask applies). A file
// of that name can only be left over from an earlier write of this process that was cut short.
int createTemporary(const std::string& name) {
    constexpr int kFlags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC;
    int fd = ::open(name.c_str(), kFlags, 0666);
    if (fd < 0 && errno == EEXIST && ::unlink(name.c_str()) == 0)
        fd = ::open(name.c_str(), kFlags, 0666);
    return fd;
}

}  // namespace

std::string executableDirectory() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return std::filesystem::current_path(error).native();
    std::string folder = program.parent_path().native();
    while (!folder.empty() && folder.back() == '/')
        folder.pop_back();
    return folder;
}

bool createDirectory(const std::string& path) {
    return ::mkdir(path.c_str(), 0777) == 0;
}

bool writeWholeFile(const std::string& path, std::string_view bytes) {
    const std::string name = temporaryName(path);
    UniqueFd fd(createTemporary(name));
    if (fd.get() < 0)
        return false;
    TemporaryFile temporary(name);
    if (!writeAll(fd.get(), bytes))
        return false;
    if (!fd.close())
        return false;
    return temporary.renameTo(path);
}

}  // namespace platform::gui
