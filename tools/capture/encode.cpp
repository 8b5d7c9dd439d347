#include "encode.h"

namespace capture {

namespace {

void append(Arguments &to, const Arguments &more) { to.insert(to.end(), more.begin(), more.end()); }

Arguments start(const Video &video) { return {video.ffmpeg, "-hide_banner", "-nostdin", "-loglevel", "error", "-y"}; }

std::string music_input() { return "/dev/fd/" + std::to_string(music_descriptor); }

void add_sound_codec(const Video &video, Arguments &arguments)
{
    append(arguments, {"-c:a", video.master ? "flac" : "aac"});
    if (!video.master)
        append(arguments, {"-b:a", "192k"});
}

void add_container(const Video &video, const std::string &path, bool whole, Arguments &arguments)
{
    if (video.master)
        append(arguments, {"-f", "matroska", path});
    else if (whole)
        append(arguments, {"-movflags", "+faststart", "-f", "mp4", path});
    else
        append(arguments, {"-f", "mp4", path});
}

}  // namespace

Arguments encoder_arguments(const Video &video, const std::string &path, bool whole)
{
    const std::string size = std::to_string(video.width) + "x" + std::to_string(video.height);
    const std::string rate = std::to_string(video.fps.num) + "/" + std::to_string(video.fps.den);
    Arguments arguments = start(video);
    append(arguments, {"-f", "rawvideo", "-pix_fmt", "rgb24", "-video_size", size, "-framerate", rate, "-i", "pipe:0"});
    if (whole && video.music >= 0) {
        // The music from the first kept frame on; silence after it ends, and
        // the video's end ends the file.
        append(arguments, {"-ss", std::to_string(video.music_from), "-i", music_input(), "-map", "0:v", "-map",
                           "1:a", "-af", "apad", "-shortest"});
        add_sound_codec(video, arguments);
    }
    if (video.master) {
        // Intra-only FFV1 in the frames' own RGB, cut anywhere without loss.
        append(arguments, {"-c:v", "ffv1", "-level", "3", "-g", "1", "-slicecrc", "1"});
    } else {
        append(arguments, {// Tagged and converted as HD video, so that players show the colours the demo drew.
                           "-vf", "scale=out_color_matrix=bt709:out_range=tv,format=yuv420p",
                           "-c:v", "libx264", "-preset", video.preset, "-crf", std::to_string(video.crf),
                           "-colorspace", "bt709", "-color_primaries", "bt709", "-color_trc", "bt709",
                           "-color_range", "tv"});
    }
    add_container(video, path, whole, arguments);
    return arguments;
}

Arguments sound_arguments(const Video &video, double seconds, const std::string &path)
{
    Arguments arguments = start(video);
    append(arguments, {"-ss", std::to_string(video.music_from), "-i", music_input(), "-af", "apad", "-t",
                       std::to_string(seconds)});
    add_sound_codec(video, arguments);
    append(arguments, {"-f", video.master ? "matroska" : "mp4", path});
    return arguments;
}

Arguments join_arguments(const Video &video, const std::string &list, const std::string &sound,
                         const std::string &path)
{
    Arguments arguments = start(video);
    append(arguments, {"-f", "concat", "-safe", "0", "-i", list});
    if (!sound.empty())
        append(arguments, {"-i", sound, "-map", "0:v", "-map", "1:a", "-shortest"});
    append(arguments, {"-c", "copy"});
    // Each piece's times are offset by the length of those before it, which
    // the join rounds to microseconds: back onto the frame grid they go.
    if (!video.master)
        append(arguments, {"-bsf:v", "setts=pts=round(PTS/DURATION)*DURATION:dts=round(DTS/DURATION)*DURATION"});
    add_container(video, path, true, arguments);
    return arguments;
}

std::string join_list(const std::vector<std::string> &pieces)
{
    std::string list = "ffconcat version 1.0\n";
    for (const std::string &piece : pieces) {
        // Named relative to the list, quoted, with a quote as '\''.
        const std::string name = piece.substr(piece.rfind('/') + 1);
        std::string quoted;
        for (char c : name)
            quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        list += "file '" + quoted + "'\n";
    }
    return list;
}

}  // namespace capture
