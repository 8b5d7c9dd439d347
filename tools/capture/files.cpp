#include "files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace capture {

namespace {

constexpr char partial_suffix[] = ".partial";

std::string parent_of(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::string check_music(const std::string &path, FileId &id, int &status)
{
    status = 1;
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return "cannot read the soundtrack " + path + ": " + std::strerror(errno) + " (choose one with --music)";
    struct stat info;
    const bool known = fstat(fd, &info) == 0;
    close(fd);
    if (!known)
        return "cannot read the soundtrack " + path + ": " + std::strerror(errno);
    if (!S_ISREG(info.st_mode)) {
        status = 2;
        return "the soundtrack " + path + " is not a regular file (choose one with --music)";
    }
    id = {info.st_dev, info.st_ino};
    return "";
}

bool same_file(const std::string &path, const FileId &id)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && info.st_dev == id.device && info.st_ino == id.inode;
}

std::string unwritable(const std::string &path)
{
    struct stat info;
    if (stat(path.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode))
            return "it is a directory";
        return access(path.c_str(), W_OK) == 0 ? "" : std::strerror(errno);
    }
    const std::string dir = parent_of(path);
    if (stat(dir.c_str(), &info) != 0)
        return dir + ": " + std::strerror(errno);
    if (!S_ISDIR(info.st_mode))
        return dir + " is not a directory";
    return access(dir.c_str(), W_OK | X_OK) == 0 ? "" : dir + ": " + std::strerror(errno);
}

std::string make_partial(const std::string &path, int &fd, std::string &why)
{
    const std::string pattern = path + ".XXXXXX" + partial_suffix;
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    fd = mkostemps(name.data(), sizeof partial_suffix - 1, O_CLOEXEC);
    if (fd < 0) {
        why = std::strerror(errno);
        return "";
    }
    // mkostemps makes it private; the result is an ordinary new file.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    return name.data();
}

}  // namespace capture
