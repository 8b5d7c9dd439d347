#include "encode.h"

namespace capture {

namespace {

void append(Arguments &to, const Arguments &more) { to.insert(to.end(), more.begin(), more.end()); }

Arguments start(const Video &video) { return {video.ffmpeg, "-hide_banner", "-nostdin", "-loglevel", "error", "-y"}; }

// The music from the first kept frame on, after the video input.
void add_music(const Video &video, Arguments &arguments)
{
    if (video.music < 0)
        return;
    const std::string music = "/dev/fd/" + std::to_string(music_descriptor);
    append(arguments, {"-ss", std::to_string(video.music_from), "-i", music, "-map", "0:v", "-map", "1:a",
                       // Silence after the music ends, and the video's end ends the file.
                       "-af", "apad", "-shortest", "-c:a", video.master ? "flac" : "aac"});
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
    if (whole)
        add_music(video, arguments);
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

Arguments join_arguments(const Video &video, const std::string &list, const std::string &path)
{
    Arguments arguments = start(video);
    append(arguments, {"-f", "concat", "-safe", "0", "-i", list});
    add_music(video, arguments);
    append(arguments, {"-c:v", "copy"});
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
