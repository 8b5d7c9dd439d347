#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

// The capture's care with files: it never writes over the soundtrack or
// anything but a regular file, hands ffmpeg the very music it checked, and
// writes every result under a name of its own first, so that a final name
// only ever holds a complete file.
namespace capture {

struct FileId {
    dev_t device = 0;
    ino_t inode = 0;  // 0: no file
};

// A private copy in memory of bytes, sealed against any change, or -1 with
// why set. Other processes reach it only through a descriptor given them.
int sealed_copy(const unsigned char *bytes, std::size_t size, std::string &why);

// The file at path (through any link), or none.
FileId file_id(const std::string &path);

// Whether path names the file id (through any link).
bool same_file(const std::string &path, const FileId &id);

// Where a result asked for at path goes: path itself or, when it is a
// symlink, the file the links lead to, which is replaced and the link kept.
// Returns why nothing may be written there, or an empty string; status is
// the exit status to give for it. Only a regular file is ever replaced.
std::string output_target(const std::string &path, std::string &target, int &status);

// Creates a new, empty file beside path, path.XXXXXX.partial, exclusively
// and with the permissions of a new file; returns its name and sets fd, or
// returns an empty string and sets why.
std::string make_partial(const std::string &path, int &fd, std::string &why);

}  // namespace capture
