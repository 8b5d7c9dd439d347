#pragma once

#include <sys/types.h>

#include <string>

// The capture's care with files: it never writes over the soundtrack, never
// blocks on a file that is not a file, and writes every result under a name
// of its own first, so that a final name only ever holds a complete file.
namespace capture {

struct FileId {
    dev_t device = 0;
    ino_t inode = 0;
};

// Why the soundtrack cannot be used, or an empty string; status is the exit
// status to give for it. Opened without blocking, so that a FIFO cannot
// hold the capture up.
std::string check_music(const std::string &path, FileId &id, int &status);

// Whether path names the file id (through any link).
bool same_file(const std::string &path, const FileId &id);

// Why a file cannot be written at path, or an empty string.
std::string unwritable(const std::string &path);

// Creates a new, empty file beside path, path.XXXXXX.partial, exclusively
// and with the permissions of a new file; returns its name and sets fd, or
// returns an empty string and sets why.
std::string make_partial(const std::string &path, int &fd, std::string &why);

}  // namespace capture
