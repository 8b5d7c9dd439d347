#include "files.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace capture {

namespace {

constexpr char partial_suffix[] = ".partial";
constexpr int max_links = 40;  // the kernel's own limit on a path

struct FileKind {
    mode_t type;
    const char *name;
};
constexpr FileKind file_kinds[] = {
    {S_IFDIR, "a directory"}, {S_IFIFO, "a FIFO"}, {S_IFCHR, "a device"}, {S_IFBLK, "a device"}, {S_IFSOCK, "a socket"},
};

const char *kind_of(mode_t mode)
{
    for (const FileKind &kind : file_kinds)
        if ((mode & S_IFMT) == kind.type)
            return kind.name;
    return "something";
}

std::string parent_of(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Moves path along its symlinks to the name they lead to, which need not
// exist. False when they go round in a loop.
bool follow_links(std::string &path)
{
    for (int links = 0; links < max_links; ++links) {
        char to[PATH_MAX];
        const ssize_t length = readlink(path.c_str(), to, sizeof to);
        if (length <= 0 || length == sizeof to)
            return true;
        const std::string next(to, static_cast<std::size_t>(length));
        path = next[0] == '/' ? next : parent_of(path) + "/" + next;
    }
    return false;
}

}  // namespace

int sealed_copy(const unsigned char *bytes, std::size_t size, std::string &why)
{
    const int fd = memfd_create("music", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    std::size_t written = 0;
    while (fd >= 0 && written < size) {
        const ssize_t got = write(fd, bytes + written, size - written);
        if (got < 0 && errno != EINTR)
            break;
        written += got > 0 ? static_cast<std::size_t>(got) : 0;
    }
    if (fd >= 0 && written == size &&
        fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL) == 0)
        return fd;
    why = std::strerror(errno);
    if (fd >= 0)
        close(fd);
    return -1;
}

FileId file_id(const std::string &path)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
        return {};
    return {info.st_dev, info.st_ino};
}

bool same_file(const std::string &path, const FileId &id)
{
    const FileId other = file_id(path);
    return other.inode != 0 && other.device == id.device && other.inode == id.inode;
}

std::string output_target(const std::string &path, std::string &target, int &status)
{
    status = 1;
    target = path;
    if (!follow_links(target))
        return std::strerror(ELOOP);
    struct stat info;
    if (stat(target.c_str(), &info) == 0) {
        if (S_ISREG(info.st_mode))
            return access(target.c_str(), W_OK) == 0 ? "" : std::strerror(errno);
        // Renaming over it would destroy a device, a pipe someone reads or a folder's place.
        status = 2;
        return std::string("it is ") + kind_of(info.st_mode) + ", not a regular file";
    }
    const std::string dir = parent_of(target);
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
