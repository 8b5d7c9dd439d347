#pragma once

#include <string>
#include <vector>

#include "timeline.h"

// ffmpeg's command lines: the encoder of a range's frames, that of the
// music, and the join of their pieces without re-encoding them.
namespace capture {

struct Video {
    std::string ffmpeg;   // the programs, found on PATH
    std::string ffprobe;
    int music = -1;       // a descriptor on the checked copy of the music; -1 for a video without sound
    int width = 0, height = 0;
    offline::Rate fps;
    double music_from = 0;  // seconds into the music of the first kept frame
    bool master = false;    // lossless FFV1 + FLAC in Matroska, else H.264 + AAC in mp4
    int crf = 0;
    std::string preset;
};

// Where ffmpeg finds the music's descriptor.
constexpr int music_descriptor = 3;

using Arguments = std::vector<std::string>;

// Encodes raw rgb24 frames from standard input into path: the whole video,
// with its music, or one piece of it, without.
Arguments encoder_arguments(const Video &video, const std::string &path, bool whole);

// Encodes the music alone, from the first kept frame on, padded with
// silence to the given length: the sound of a video made of pieces.
Arguments sound_arguments(const Video &video, double seconds, const std::string &path);

// Joins the pieces named in list in order, and the sound (if any), without
// re-encoding either, into the whole video at path. The video's end ends
// the sound.
Arguments join_arguments(const Video &video, const std::string &list, const std::string &sound,
                         const std::string &path);

// The list of pieces for the join, which lies beside them.
std::string join_list(const std::vector<std::string> &pieces);

}  // namespace capture
