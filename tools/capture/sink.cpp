#include "sink.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "stop.h"

namespace capture {

namespace {

// A write to ffmpeg that makes no progress this long means it has stopped
// reading. CAPTURE_STALL_S shortens it, for trying out such an encoder.
constexpr int stall_limit_s = 60;

int sink_fd = -1;
bool to_file;
long first_frame;     // of the file
std::string failure;  // why a write failed; empty while none has

int stall_limit_ms()
{
    const char *set = std::getenv("CAPTURE_STALL_S");
    const long seconds = set ? std::strtol(set, nullptr, 10) : 0;
    return 1000 * static_cast<int>(seconds > 0 && seconds < stall_limit_s ? seconds : stall_limit_s);
}

// Waits for the encoder to take more, up to the stall limit after it last
// took something. False on a stop, or when the limit has passed.
bool wait_for_room(std::chrono::steady_clock::time_point last_taken)
{
    const auto waited = std::chrono::steady_clock::now() - last_taken;
    const long left = stall_limit_ms() - std::chrono::duration_cast<std::chrono::milliseconds>(waited).count();
    if (left <= 0) {
        failure = "ffmpeg has taken no frames for " + std::to_string(stall_limit_ms() / 1000) + " s";
        return false;
    }
    pollfd room = {sink_fd, POLLOUT, 0};
    poll(&room, 1, static_cast<int>(left));  // a stop cuts it short
    return !stop_requested();
}

bool write_to_pipe(const std::uint8_t *rgb, std::size_t size)
{
    auto last_taken = std::chrono::steady_clock::now();
    while (size > 0 && failure.empty()) {
        const ssize_t written = write(sink_fd, rgb, size);
        if (written > 0) {
            rgb += written;
            size -= static_cast<std::size_t>(written);
            last_taken = std::chrono::steady_clock::now();
        } else if (written < 0 && errno == EAGAIN) {
            // A stop while the encoder is not reading gives the frame up.
            if (!wait_for_room(last_taken))
                return false;
        } else if (written < 0 && errno != EINTR) {
            failure = errno == EPIPE ? "ffmpeg stopped taking frames" : std::strerror(errno);
        }
    }
    return size == 0;
}

bool write_to_file(long n, const std::uint8_t *rgb, std::size_t size)
{
    off_t at = static_cast<off_t>(n - first_frame) * static_cast<off_t>(size);
    while (size > 0 && failure.empty()) {
        const ssize_t written = pwrite(sink_fd, rgb, size, at);
        if (written > 0) {
            rgb += written;
            size -= static_cast<std::size_t>(written);
            at += written;
        } else if (written < 0 && errno != EINTR) {
            failure = std::strerror(errno);
        }
    }
    return size == 0;
}

}  // namespace

std::string find_on_path(const char *program)
{
    const char *path = std::getenv("PATH");
    std::string dirs = path ? path : "";
    std::size_t begin = 0;
    for (;;) {
        const std::size_t end = dirs.find(':', begin);
        const std::string dir = dirs.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
        const std::string candidate = (dir.empty() ? "." : dir) + "/" + program;
        struct stat info;
        if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(candidate.c_str(), X_OK) == 0)
            return candidate;
        if (end == std::string::npos)
            return "";
        begin = end + 1;
    }
}

void open_pipe_sink(int fd)
{
    // Never blocked in a write: an encoder that stops reading is noticed.
    fcntl(fd, F_SETFL, O_NONBLOCK);
    sink_fd = fd;
    to_file = false;
    failure.clear();
}

void open_file_sink(int fd, long first)
{
    sink_fd = fd;
    to_file = true;
    first_frame = first;
    failure.clear();
}

bool write_frame(long n, const std::uint8_t *rgb, std::size_t size)
{
    return to_file ? write_to_file(n, rgb, size) : write_to_pipe(rgb, size);
}

std::string sink_failure() { return failure; }

void close_sink()
{
    if (sink_fd >= 0 && close(sink_fd) != 0 && failure.empty())
        failure = std::strerror(errno);
    sink_fd = -1;
}

}  // namespace capture
