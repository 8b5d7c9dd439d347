#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <sstream>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <png.h>

#include "bench.h"
#include "mp3_fixtures.h"
#include "spawn.h"
#include "timeline.h"

namespace {

// Small and slow enough to keep every capture here to a second or two.
constexpr int fps = 10;
constexpr Tick start_ms = 500;  // the capture's default start-up time
constexpr double music_onset_s = 1.0;
// A stop ends a run within a second; the rest is for a busy machine.
constexpr double stop_limit_s = 1.25;

using Bytes = std::vector<std::uint8_t>;

bool exists(const std::string &path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

Bytes read_bytes(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), {});
}

// Files whose names end in .partial: unfinished work left behind.
int partial_files(const std::string &dir)
{
    int count = 0;
    for (const auto &entry : std::filesystem::directory_iterator(dir))
        count += entry.path().extension() == ".partial";
    return count;
}

// The seconds from a stop signal to the end of the run.
double seconds_after_signal(const std::chrono::steady_clock::time_point began, int signal_after_ms)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count() - signal_after_ms / 1000.0;
}

// 16-bit mono PCM: silence, then a loud tone from onset_s on.
void write_onset_wav(const std::string &path, double onset_s, double length_s)
{
    constexpr int rate = 44100;
    const auto samples = static_cast<std::uint32_t>(rate * length_s);
    std::ofstream file(path, std::ios::binary);
    auto put = [&](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            file.put(static_cast<char>(value >> (8 * i) & 0xff));
    };
    file << "RIFF";
    put(36 + samples * 2, 4);
    file << "WAVEfmt ";
    put(16, 4), put(1, 2), put(1, 2), put(rate, 4), put(rate * 2, 4), put(2, 2), put(16, 2);
    file << "data";
    put(samples * 2, 4);
    for (std::uint32_t i = 0; i < samples; ++i)
        put(static_cast<std::uint16_t>(i < onset_s * rate ? 0 : 16000 * std::sin(i * 0.1)), 2);
}

class Capture : public testing::Test {
protected:
    std::string dir = make_temp_dir();

    // A soundtrack of its own, so that these tests do not wait for the real
    // one: 44.1 kHz stereo mp3, as the demo's mixer plays.
    void SetUp() override
    {
        write_onset_wav(dir + "/music.wav", music_onset_s, 4.0);
        tool({"ffmpeg", "-v", "error", "-i", "music.wav", "-ac", "2", "music.mp3"});
    }

    Spawned capture(std::vector<std::string> args, SpawnOptions options = {})
    {
        args.insert(args.begin(), CAPTURE_EXECUTABLE);
        options.directory = dir;
        return spawn(args, options);
    }

    Spawned tool(const std::vector<std::string> &args)
    {
        SpawnOptions options;
        options.directory = dir;
        return spawn(args, options);
    }

    // One stream's fields as ffprobe reports them, after decoding every frame.
    std::map<std::string, std::string> probe(const std::string &file, const std::string &stream)
    {
        const Spawned run = tool({"ffprobe", "-v", "error", "-count_frames", "-select_streams", stream,
                                  "-show_entries", "stream=codec_name,profile,width,height,pix_fmt,r_frame_rate,nb_read_frames,duration",
                                  "-of", "default=noprint_wrappers=1", file});
        std::map<std::string, std::string> fields;
        std::istringstream lines(run.out);
        for (std::string line; std::getline(lines, line);)
            if (const std::size_t equals = line.find('='); equals != std::string::npos)
                fields[line.substr(0, equals)] = line.substr(equals + 1);
        return fields;
    }

    // The frame the video shows at a time, as decoded by ffmpeg.
    Bytes video_frame(const std::string &file, double seconds)
    {
        return decoded({"-ss", std::to_string(seconds), "-i", file, "-frames:v", "1"});
    }

    // The sound of a video, as ffmpeg decodes it.
    Bytes sound(const std::string &file)
    {
        tool({"ffmpeg", "-v", "error", "-i", file, "-map", "0:a", "-f", "s16le", "-y", "sound.raw"});
        return read_bytes(dir + "/sound.raw");
    }

    // What ffmpeg decodes from an input, as rgb24.
    Bytes decoded(std::vector<std::string> input)
    {
        const std::string out = dir + "/frame.rgb";
        input.insert(input.begin(), {"ffmpeg", "-v", "error"});
        input.insert(input.end(), {"-f", "rawvideo", "-pix_fmt", "rgb24", "-y", out});
        tool(input);
        return read_bytes(out);
    }
};

// The bench's own run of the timeline: ticks 100 ms apart from the start-up
// time, the sequencer called until it has presented, as the demo loop does.
Bytes bench_frame(long n)
{
    for (long i = 0; i <= n; ++i) {
        offline::set_time(start_ms + static_cast<Tick>(i * 1000 / fps));
        const long before = offline::presented_frames();
        while (offline::presented_frames() == before)
            EXPECT_EQ(1, draw_frame());
    }
    return offline::last_frame().rgb;
}

double mean_abs_difference(const Bytes &a, const Bytes &b)
{
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        sum += std::abs(a[i] - b[i]);
    return sum / a.size();
}

double squared_difference(const Bytes &a, const Bytes &b)
{
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        sum += (a[i] - b[i]) * (a[i] - b[i]);
    return sum;
}

TEST_F(Capture, ShortStretchIsAPlayableMp4WithSoundAndTheRightFrames)
{
    // An interrupted run of an older capture left this; it is none of ours.
    std::ofstream(dir + "/short.mp4.partial") << "stale";
    // Two workers, each drawing and encoding a half; the progress is the whole job's.
    const Spawned run = capture({"--size", "160x90", "--fps", "10", "--duration", "3", "--jobs", "2", "--music",
                                 "music.mp3", "-o", "short.mp4"});
    ASSERT_EQ(0, run.status) << run.err;
    EXPECT_NE(std::string::npos, run.err.find("wrote 30 frames (0:03) of 160x90 at 10 fps")) << run.err;
    EXPECT_EQ(Bytes({'s', 't', 'a', 'l', 'e'}), read_bytes(dir + "/short.mp4.partial"));
    EXPECT_EQ(1, partial_files(dir));
    // Not a terminal: a plain line for every 5 % of a run this short.
    std::istringstream lines(run.err);
    int progress_lines = 0;
    for (std::string line; std::getline(lines, line);)
        progress_lines += line.find("capture: ") == 0 && line.find("/30 frames [") != std::string::npos;
    EXPECT_EQ(20, progress_lines) << run.err;

    auto video = probe(dir + "/short.mp4", "v");
    EXPECT_EQ("h264", video["codec_name"]);
    EXPECT_EQ("High", video["profile"]);
    EXPECT_EQ("160", video["width"]);
    EXPECT_EQ("90", video["height"]);
    EXPECT_EQ("yuv420p", video["pix_fmt"]);
    EXPECT_EQ("30", video["nb_read_frames"]);
    EXPECT_NEAR(3.0, std::stod(video["duration"]), 0.01);
    auto audio = probe(dir + "/short.mp4", "a");
    EXPECT_EQ("aac", audio["codec_name"]);
    EXPECT_NEAR(3.0, std::stod(audio["duration"]), 0.05);  // whole AAC frames of 23 ms

    // Fast start: the index comes before the media, so playback can begin at once.
    const Bytes file = read_bytes(dir + "/short.mp4");
    const std::string head(file.begin(), file.end());
    EXPECT_LT(head.find("moov"), head.find("mdat"));
}

TEST_F(Capture, FrameInTheVideoIsTheBenchFrameOfTheSameTick)
{
    // 3 s in, at tick 3500: the white caption and bar of the decrunch screen
    // on black, a picture with hard edges that moves 2.9 pixels a frame.
    const Spawned run = capture(
        {"--size", "640x360", "--fps", "10", "--duration", "3.5", "--music", "music.mp3", "-o", "v.mp4"});
    ASSERT_EQ(0, run.status) << run.err;
    const Bytes decoded = video_frame(dir + "/v.mp4", 3.0);

    bench::open(640, 360);
    const Bytes before = bench_frame(29);
    const Bytes same = bench_frame(30);
    const Bytes after = bench_frame(31);
    ASSERT_EQ(same.size(), decoded.size());
    EXPECT_GT(bench::count(0, 0, 640, 360, bench::white, 40), 500) << "no bright picture to compare";

    EXPECT_LT(mean_abs_difference(same, decoded), 2.0) << bench::save("Capture.BenchFrame");
    EXPECT_LT(squared_difference(same, decoded), squared_difference(before, decoded));
    EXPECT_LT(squared_difference(same, decoded), squared_difference(after, decoded));
}

Bytes read_png(const std::string &path, int &width, int &height)
{
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return {};
    image.format = PNG_FORMAT_RGB;
    Bytes pixels(PNG_IMAGE_SIZE(image));
    png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr);
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    return pixels;
}

TEST_F(Capture, ScreenshotIsExactlyTheBenchFrameAndNoVideoIsMade)
{
    const Spawned run = capture(
        {"--size", "320x180", "--fps", "10", "--png", "3:shot.png", "--png", "0.2:early.png", "--jobs", "2"});
    ASSERT_EQ(0, run.status) << run.err;
    EXPECT_FALSE(exists(dir + "/plums-under-glass.mp4"));
    int width = 0, height = 0;
    const Bytes early = read_png(dir + "/early.png", width, height);
    const Bytes shot = read_png(dir + "/shot.png", width, height);
    EXPECT_EQ(320, width);
    EXPECT_EQ(180, height);

    bench::open(320, 180);
    EXPECT_TRUE(bench_frame(2) == early);
    EXPECT_TRUE(bench_frame(30) == shot) << bench::save("Capture.Screenshot");
    EXPECT_FALSE(early == shot);
}

TEST_F(Capture, NtscMasterIsLosslessAndHoldsThePngOfTheSameMoment)
{
    // Frames 90 to 92 at 30000/1001 fps, 3.003 s to 3.070 s into the video.
    const Spawned run = capture({"--size", "320x180", "--fps", "29.97", "--from", "3", "--frames", "3", "--master",
                                 "--music", "music.mp3", "-o", "master.mkv"});
    ASSERT_EQ(0, run.status) << run.err;
    EXPECT_NE(std::string::npos, run.err.find("wrote 3 frames (0:00) of 320x180 at 29.97 fps")) << run.err;
    auto video = probe(dir + "/master.mkv", "v");
    EXPECT_EQ("ffv1", video["codec_name"]);
    EXPECT_EQ("30000/1001", video["r_frame_rate"]);
    EXPECT_EQ("3", video["nb_read_frames"]);
    EXPECT_EQ("flac", probe(dir + "/master.mkv", "a")["codec_name"]);

    ASSERT_EQ(0, capture({"--size", "320x180", "--fps", "30000/1001", "--png", "3.07:last.png"}).status);
    int width = 0, height = 0;
    const Bytes png = read_png(dir + "/last.png", width, height);
    const Bytes frames = decoded({"-i", "master.mkv"});
    ASSERT_EQ(3 * png.size(), frames.size());
    EXPECT_TRUE(std::equal(png.begin(), png.end(), frames.end() - png.size())) << "not lossless";
    EXPECT_FALSE(std::equal(png.begin(), png.end(), frames.begin())) << "nothing moves";
}

TEST_F(Capture, EndAndSoundAsAsked)
{
    const Spawned run = capture({"--size", "64x36", "--fps", "10", "--from", "1", "--frames", "7", "--no-audio",
                                 "--crf", "30", "--preset", "ultrafast", "-o", "quiet.mp4"});
    ASSERT_EQ(0, run.status) << run.err;
    EXPECT_EQ("7", probe(dir + "/quiet.mp4", "v")["nb_read_frames"]);
    EXPECT_TRUE(probe(dir + "/quiet.mp4", "a").empty()) << "a sound track";
}

TEST_F(Capture, TwoRunsToOneOutputLeaveOneWholeVideo)
{
    const std::string target = dir + "/same.mp4";
    auto capture_for = [&](std::string seconds) {
        SpawnOptions options;
        options.directory = make_temp_dir();
        return spawn({CAPTURE_EXECUTABLE, "--size", "160x90", "--fps", "10", "--duration", seconds, "--music",
                      dir + "/music.mp3", "-o", target},
                     options);
    };
    auto shorter = std::async(std::launch::async, capture_for, "2");
    auto longer = std::async(std::launch::async, capture_for, "3");
    EXPECT_EQ(0, shorter.get().status);
    EXPECT_EQ(0, longer.get().status);
    const std::string frames = probe(target, "v")["nb_read_frames"];
    ASSERT_TRUE(frames == "20" || frames == "30") << frames;
    EXPECT_NEAR(std::stod(frames) / 10, std::stod(probe(target, "a")["duration"]), 0.05);
    EXPECT_EQ(0, partial_files(dir));
}

TEST_F(Capture, LaterStartAtEitherEdgeOrInsideAnySceneGivesTheFramesOfARunFromTheStart)
{
    // A later start skips the frames before it, which must leave every
    // scene's state, and the rand sequence they share, as drawing them would.
    // Each start is a run of its own, so this also shows runs repeat exactly.
    constexpr int slow_fps = 2;
    constexpr std::size_t frame_bytes = 64 * 36 * 3;
    const std::vector<std::string> common = {"--size", "64x36", "--fps", std::to_string(slow_fps)};
    auto with = [&](std::vector<std::string> more) {
        more.insert(more.begin(), common.begin(), common.end());
        return more;
    };
    ASSERT_EQ(0, capture(with({"--raw", "all.raw"})).status);
    const Bytes all = read_bytes(dir + "/all.raw");

    const offline::PartStarts starts = offline::part_starts(start_ms, {slow_fps, 1});
    ASSERT_EQ(static_cast<std::size_t>(starts[final_part]) * frame_bytes, all.size());
    for (int part = 1; part < final_part; ++part) {
        const long first = starts[part], last = starts[part + 1] - 1;
        for (const long n : {first, (first + last) / 2, last}) {
            const std::string from = std::to_string(static_cast<double>(n) / slow_fps);
            ASSERT_EQ(0, capture(with({"--from", from, "--duration", "1", "--raw", "late.raw"})).status);
            const Bytes late = read_bytes(dir + "/late.raw");
            ASSERT_FALSE(late.empty());
            EXPECT_TRUE(std::equal(late.begin(), late.end(), all.begin() + n * frame_bytes))
                << "from frame " << n << " of part " << part;
        }
    }
}

TEST_F(Capture, WorkersGiveTheFramesOfASingleProcessAndOneSoundTrack)
{
    // Across the cut from the tile wave to the starfield, in three ranges.
    auto run = [&](std::vector<std::string> more) {
        more.insert(more.begin(), {"--size", "64x36", "--fps", "10", "--from", "40", "--duration", "3"});
        const Spawned done = capture(more);
        EXPECT_EQ(0, done.status) << done.err;
    };
    run({"--jobs", "1", "--raw", "one.raw"});
    run({"--jobs", "3", "--raw", "three.raw"});
    run({"--jobs", "3", "--master", "--music", "music.mp3", "-o", "three.mkv"});
    run({"--jobs", "1", "--music", "music.mp3", "-o", "one.mp4"});
    run({"--jobs", "3", "--music", "music.mp3", "-o", "three.mp4"});
    const Bytes frames = read_bytes(dir + "/one.raw");
    constexpr std::size_t frame_bytes = 64 * 36 * 3;
    ASSERT_EQ(30 * frame_bytes, frames.size());
    EXPECT_TRUE(frames == read_bytes(dir + "/three.raw"));
    EXPECT_TRUE(frames == decoded({"-i", "three.mkv"})) << "the master is not lossless across the joins";

    // H.264 pieces differ from one whole encoding by the encoder's own
    // choices only: each frame is nearest the frame drawn at its time.
    const Bytes one = decoded({"-i", "one.mp4"}), three = decoded({"-i", "three.mp4"});
    ASSERT_EQ(frames.size(), three.size());
    ASSERT_EQ(frames.size(), one.size());
    auto frame = [&](const Bytes &all, long n) {
        return Bytes(all.begin() + n * frame_bytes, all.begin() + (n + 1) * frame_bytes);
    };
    for (long n = 0; n < 30; ++n) {
        const Bytes drawn = frame(frames, n), piece = frame(three, n);
        EXPECT_LT(mean_abs_difference(drawn, piece), 2 * mean_abs_difference(drawn, frame(one, n)) + 1) << n;
        for (long other : {n - 1, n + 1}) {
            if (other < 0 || other >= 30 || frame(frames, other) == drawn)
                continue;
            EXPECT_LT(squared_difference(drawn, piece), squared_difference(frame(frames, other), piece)) << n;
        }
    }
    // The same music, but for the single process's last AAC frames, which
    // end with the video instead of at its length.
    const Bytes one_sound = sound("one.mp4"), three_sound = sound("three.mp4");
    constexpr std::size_t last_frames = 2 * 2 * 2 * 1024;
    ASSERT_EQ(one_sound.size(), three_sound.size());
    ASSERT_GT(one_sound.size(), last_frames);
    EXPECT_TRUE(std::equal(one_sound.begin(), one_sound.end() - last_frames, three_sound.begin()));
}

TEST_F(Capture, MusicStartsWithTheFirstFrameAndFollowsALaterStart)
{
    const Spawned run = capture({"--size", "160x90", "--fps", "10", "--from", "0.5", "--duration", "1.5",
                                 "--music", "music.mp3", "-o", "late.mp4"});
    ASSERT_EQ(0, run.status) << run.err;
    tool({"ffmpeg", "-v", "error", "-i", "late.mp4", "-map", "0:a", "-ac", "1", "-ar", "44100", "-f", "s16le", "-y",
          "audio.raw"});
    const Bytes audio = read_bytes(dir + "/audio.raw");
    std::size_t onset = 0;
    while (onset + 1 < audio.size() && std::abs(static_cast<std::int16_t>(audio[onset] | audio[onset + 1] << 8)) < 4000)
        onset += 2;
    EXPECT_NEAR(music_onset_s - 0.5, onset / 2 / 44100.0, 0.01);
}

TEST_F(Capture, MusicRewrittenRightAfterItsCheckChangesNothing)
{
    // Two workers: their pieces are joined with the music at the very end.
    const std::vector<std::string> args = {"--size", "64x36", "--fps", "10", "--duration", "2", "--jobs", "2",
                                           "--music", "music.mp3"};
    auto with = [&](const char *output) {
        std::vector<std::string> all = args;
        all.insert(all.end(), {"-o", output});
        return all;
    };
    ASSERT_EQ(0, capture(with("before.mp4")).status);
    ASSERT_TRUE(write_tone_mp3(dir + "/tone.mp3", 44100, 2));
    const Bytes tone = read_bytes(dir + "/tone.mp3");
    // The check is done when the capture closes the file it read.
    const int watch = inotify_init1(IN_CLOEXEC);
    ASSERT_LE(0, inotify_add_watch(watch, (dir + "/music.mp3").c_str(), IN_CLOSE_NOWRITE));
    std::thread rewriter([&] {
        pollfd checked = {watch, POLLIN, 0};
        if (poll(&checked, 1, 20000) == 1)
            std::ofstream(dir + "/music.mp3", std::ios::binary).write(reinterpret_cast<const char *>(tone.data()),
                                                                       static_cast<std::streamsize>(tone.size()));
    });
    const Spawned run = capture(with("after.mp4"));
    rewriter.join();
    close(watch);
    ASSERT_EQ(0, run.status) << run.err;
    EXPECT_TRUE(tone == read_bytes(dir + "/music.mp3")) << "not rewritten";
    EXPECT_TRUE(sound("before.mp4") == sound("after.mp4"));
}

// Whether a file shows up within a few seconds: the encoder's keeper puts a
// video in place, or removes what failed, after a stopped capture has ended.
bool appears(const std::string &path)
{
    for (int tries = 0; tries < 100 && !exists(path); ++tries)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return exists(path);
}

TEST_F(Capture, InterruptLeavesAPlayableVideoOfTheFramesDone)
{
    SpawnOptions options;
    options.signal = SIGINT;
    options.signal_after_ms = 1500;
    const auto began = std::chrono::steady_clock::now();
    // The first worker's frames are the longest whole stretch from the start.
    const Spawned run = capture({"--size", "160x90", "--jobs", "2", "--music", "music.mp3", "-o", "cut.mp4"}, options);
    EXPECT_LT(seconds_after_signal(began, options.signal_after_ms), stop_limit_s);
    ASSERT_TRUE(run.exited) << run.err;
    EXPECT_EQ(130, run.status) << run.err;
    // Finished at once, or by the keeper after the capture has ended.
    const std::size_t said = run.err.find("the first ");
    ASSERT_NE(std::string::npos, said) << run.err;
    const long frames = std::stol(run.err.substr(said + 10));
    EXPECT_GT(frames, 0);
    ASSERT_TRUE(appears(dir + "/cut.mp4")) << run.err;
    EXPECT_EQ(std::to_string(frames), probe(dir + "/cut.mp4", "v")["nb_read_frames"]);
    EXPECT_EQ(0, partial_files(dir));
}

TEST_F(Capture, StopEndsTheRunWithinASecondWhileTheEncoderIsLeftToFinish)
{
    // Encoders that ask for the stop once they have taken some frames, and
    // end badly two seconds later: the capture is gone by then, and the
    // keeper removes what they leave. The encoder's parent is the keeper,
    // whose parent is the capture.
    struct Case {
        const char *taken;
        const char *signal;
        std::vector<std::string> length;
    };
    const Case cases[] = {
        {"head -c 20000 >/dev/null", "INT", {}},             // then a write blocks: the pipe is full
        {"cat >/dev/null", "TERM", {"--frames", "5"}},  // every frame is in: the file takes long to finish
    };
    ASSERT_EQ(0, mkdir((dir + "/fake").c_str(), 0755));
    for (const Case &c : cases) {
        std::ofstream(dir + "/fake/ffmpeg") << "#!/bin/sh\n" << c.taken << "\nread -r _ _ _ capture _ < /proc/$PPID/stat\n"
                                            << "date +%s.%N >stopped; kill -" << c.signal << " $capture\n"
                                            << "sleep 2; exit 1\n";
        chmod((dir + "/fake/ffmpeg").c_str(), 0755);
        SpawnOptions options;
        options.environment = {{"PATH", dir + "/fake:" + std::getenv("PATH")}};
        std::vector<std::string> args = {"--size", "64x36", "--fps", "10", "--no-audio", "-o", "late.mp4"};
        args.insert(args.end(), c.length.begin(), c.length.end());
        const Spawned run = capture(args, options);
        const double ended = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
        std::ifstream stopped(dir + "/stopped");
        double stopped_at = 0;
        stopped >> stopped_at;
        EXPECT_LT(ended - stopped_at, stop_limit_s) << c.taken;
        EXPECT_EQ(130, run.status) << run.err;
        EXPECT_NE(std::string::npos, run.err.find("in the background into late.mp4")) << run.err;
        EXPECT_GT(partial_files(dir), 0) << "still being finished";
        std::this_thread::sleep_for(std::chrono::seconds(2));
        for (int tries = 0; tries < 100 && partial_files(dir) > 0; ++tries)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_EQ(0, partial_files(dir)) << c.taken;
        EXPECT_FALSE(exists(dir + "/late.mp4"));
    }
}

TEST_F(Capture, StopBeforeAnyKeptFrameLeavesNoFile)
{
    // Frames before the first kept one are skipped in moments, so the stop
    // comes from an encoder that asks for it as it starts and reads nothing:
    // a frame larger than the pipe can hold is never written whole. Its
    // parent is the encoder's keeper, whose parent is the capture.
    ASSERT_EQ(0, mkdir((dir + "/fake").c_str(), 0755));
    std::ofstream(dir + "/fake/ffmpeg") << "#!/bin/sh\nread -r _ _ _ capture _ < /proc/$PPID/stat\nkill -TERM $capture\nsleep 2\n";
    chmod((dir + "/fake/ffmpeg").c_str(), 0755);
    SpawnOptions options;
    options.environment = {{"PATH", dir + "/fake:" + std::getenv("PATH")}};
    const Spawned run = capture(
        {"--size", "320x180", "--from", "100", "--music", "music.mp3", "-o", "none.mp4"}, options);
    ASSERT_TRUE(run.exited) << run.err;
    EXPECT_EQ(130, run.status) << run.err;
    EXPECT_NE(std::string::npos, run.err.find("no video written")) << run.err;
    EXPECT_FALSE(exists(dir + "/none.mp4"));
    EXPECT_EQ(0, partial_files(dir));
}

TEST_F(Capture, BadInputIsRefusedWithAMessageAndAStatus)
{
    struct Case {
        std::vector<std::string> args;
        std::vector<std::pair<std::string, std::string>> environment;
        int status;
        std::string message;
    };
    const std::string empty_dir = make_temp_dir();
    ASSERT_EQ(0, symlink("music.mp3", (dir + "/link.mp3").c_str()));
    ASSERT_EQ(0, link((dir + "/music.mp3").c_str(), (dir + "/hard.mp3").c_str()));
    ASSERT_EQ(0, mkfifo((dir + "/fifo.mp3").c_str(), 0600));
    std::ofstream(dir + "/huge.mp3").close();
    std::filesystem::resize_file(dir + "/huge.mp3", (std::uintmax_t{64} << 20) + 1);
    const Bytes music = read_bytes(dir + "/music.mp3");
    const std::vector<Case> cases = {
        {{"--frobnicate"}, {}, 2, "capture: unknown option '--frobnicate' (capture --help lists the options)\n"},
        {{"--size", "8x8"}, {}, 2, "capture: --size 8x8 is out of range: 16x16 to 7680x4320"},
        {{"--fps", "1000"}, {}, 2, "capture: --fps 1000 is out of range: 1 to 240"},
        {{"--from", "200"}, {}, 2, "capture: --from lies after the end of the demo"},
        {{"--music", "music.mp3", "-o", "no/such/dir/v.mp4"}, {}, 1,
         "capture: cannot write no/such/dir/v.mp4: no/such/dir: No such file"},
        {{"--music", "music.mp3", "-o", "."}, {}, 2, "capture: cannot write .: it is a directory"},
        {{"--png", "1:no/such/dir/a.png"}, {}, 1, "capture: cannot write no/such/dir/a.png"},
        {{"--music", "missing.mp3"}, {}, 1, "capture: the soundtrack missing.mp3 could not be opened"},
        {{"--music", "fifo.mp3"}, {}, 2, "capture: the soundtrack fifo.mp3 is a named pipe, not a regular file"},
        {{"--music", "huge.mp3"}, {}, 2, "capture: the soundtrack huge.mp3 is larger than 64 MiB"},
        // What the demo's mixer would not play is not its soundtrack.
        {{"--music", "music.wav"}, {}, 2, "capture: the soundtrack music.wav holds no MPEG audio frame"},
        {{"--music", "music.mp3", "-o", "music.mp3"}, {}, 2, "capture: the output music.mp3 is the soundtrack"},
        {{"--music", "music.mp3", "-o", "link.mp3"}, {}, 2, "capture: the output link.mp3 is the soundtrack"},
        {{"--music", "link.mp3", "-o", "hard.mp3"}, {}, 2, "capture: the output hard.mp3 is the soundtrack"},
        {{"-o", ""}, {}, 2, "capture: -o wants a file name, not an empty one"},
        {{"--fps", "29.9"}, {}, 2, "capture: --fps wants N, N/D"},
        {{}, {{"PATH", empty_dir}}, 1, "capture: ffmpeg is not on PATH"},
    };
    for (const Case &c : cases) {
        SpawnOptions options;
        options.environment = c.environment;
        const Spawned run = capture(c.args, options);
        EXPECT_TRUE(run.exited);
        EXPECT_EQ(c.status, run.status) << run.err;
        EXPECT_EQ(0u, run.err.find(c.message)) << run.err;
        EXPECT_FALSE(exists(dir + "/plums-under-glass.mp4"));
    }
    EXPECT_EQ(music, read_bytes(dir + "/music.mp3"));
    EXPECT_EQ(0, partial_files(dir));
}

// Outputs that are not regular files, the soundtrack as the output in every
// mode, and encoders (a fake ffmpeg first on PATH) that stall, give up, fail
// or lie: each is refused or fails with its reason, and no file is lost.
// A symlink is followed: its target is replaced, the link kept.
TEST_F(Capture, OutputsAndEncodersThatWouldLoseAFileAreRefused)
{
    // A copy of the capture with a soundtrack of its own beside it, as found by default.
    const std::string capture_copy = dir + "/bin/capture", soundtrack = "bin/data/tapestrybeats.mp3";
    std::filesystem::create_directories(dir + "/bin/data");
    std::filesystem::copy_file(CAPTURE_EXECUTABLE, capture_copy);
    std::filesystem::copy_file(dir + "/music.mp3", dir + "/" + soundtrack);
    std::filesystem::create_directories(dir + "/fake");
    std::filesystem::create_directories(dir + "/sub");
    std::ofstream(dir + "/old.mp4") << "old";
    std::ofstream(dir + "/sub/real.mp4") << "old";
    ASSERT_EQ(0, mkfifo((dir + "/fifo.mp4").c_str(), 0600));
    ASSERT_EQ(0, symlink("fifo.mp4", (dir + "/tofifo.png").c_str()));
    ASSERT_EQ(0, symlink("sub/real.mp4", (dir + "/link.mp4").c_str()));
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s/sock.mp4", dir.c_str());
    const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(0, bind(sock, reinterpret_cast<sockaddr *>(&address), sizeof address));
    // A device node of our own where we may make one (as root), never a system one.
    const bool device = mknod((dir + "/dev.mp4").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    tool({"ffmpeg", "-v", "error", "-f", "lavfi", "-i", "color=size=64x36:rate=10", "-frames:v", "3", "three.mp4"});

    struct Case {
        std::vector<std::string> args;
        const char *encoder;  // the fake ffmpeg's script; none: the real one
        int status;
        std::string message;
    };
    auto video = [](std::vector<std::string> more) {
        more.insert(more.begin(), {"--size", "64x36", "--fps", "10", "--frames", "30", "--no-audio", "--jobs", "2"});
        return more;
    };
    std::vector<Case> cases = {
        {video({"-o", "fifo.mp4"}), nullptr, 2, "capture: cannot write fifo.mp4: it is a FIFO, not a regular file"},
        {{"--raw", "sock.mp4"}, nullptr, 2, "capture: cannot write sock.mp4: it is a socket, not a regular file"},
        {{"--png", "1:tofifo.png"}, nullptr, 2, "capture: cannot write tofifo.png: it is a FIFO"},
        {{"-o", soundtrack}, nullptr, 2, "capture: the output " + soundtrack + " is the soundtrack"},
        {video({"-o", soundtrack}), nullptr, 2, "capture: the output " + soundtrack + " is the soundtrack"},
        {video({"--music", "music.mp3", "-o", "music.mp3"}), nullptr, 2, "capture: the output music.mp3 is the soundtrack"},
        {{"--raw", soundtrack}, nullptr, 2, "capture: the output " + soundtrack + " is the soundtrack"},
        {{"--png", "1:" + soundtrack}, nullptr, 2, "capture: the output " + soundtrack + " is the soundtrack"},
        {video({"-o", "old.mp4"}), "exec sleep 30", 1, "capture: ffmpeg has taken no frames for 1 s; no video written"},
        {video({"-o", "old.mp4"}), "exec 0<&-; exec sleep 30", 1, "capture: ffmpeg stopped taking frames; no video"},
        {video({"-o", "old.mp4"}), "echo 'no encoder' >&2; exit 3", 1, "capture: ffmpeg failed (exit status 3)"},
        {video({"-o", "old.mp4"}), "cat >/dev/null", 1, "capture: ffmpeg's video is empty"},
        {video({"-o", "old.mp4"}), "cat >/dev/null; for last; do :; done; cp three.mp4 \"$last\"", 1,
         "capture: ffmpeg's video holds 3 frames, not 30"},
        {video({"-o", "link.mp4"}), nullptr, 0, "capture: wrote 30 frames"},
    };
    if (device)
        cases.push_back({video({"-o", "dev.mp4"}), nullptr, 2, "capture: cannot write dev.mp4: it is a device"});
    for (const Case &c : cases) {
        SpawnOptions options;
        options.directory = dir;
        options.environment = {{"CAPTURE_STALL_S", "1"}};
        if (c.encoder) {
            std::ofstream(dir + "/fake/ffmpeg") << "#!/bin/sh\n" << c.encoder << "\n";
            chmod((dir + "/fake/ffmpeg").c_str(), 0755);
            options.environment.push_back({"PATH", dir + "/fake:" + std::getenv("PATH")});
        }
        options.kill_after_ms = 20000;  // the encoders above would hold it for minutes
        std::vector<std::string> args = c.args;
        args.insert(args.begin(), capture_copy);
        const Spawned run = spawn(args, options);
        EXPECT_EQ(c.status, run.status) << run.err;
        EXPECT_NE(std::string::npos, run.err.find(c.message)) << c.message << " from:\n" << run.err;
    }
    close(sock);
    EXPECT_EQ(Bytes({'o', 'l', 'd'}), read_bytes(dir + "/old.mp4"));
    EXPECT_EQ(read_bytes(dir + "/music.mp3"), read_bytes(dir + "/" + soundtrack));
    EXPECT_TRUE(std::filesystem::is_fifo(dir + "/fifo.mp4"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir + "/link.mp4"));
    EXPECT_EQ("30", probe(dir + "/sub/real.mp4", "v")["nb_read_frames"]);
    EXPECT_EQ(0, partial_files(dir) + partial_files(dir + "/sub"));
}

TEST_F(Capture, FailedScreenshotLeavesNothingAndKeepsTheOlderFile)
{
    std::ofstream(dir + "/shot.png") << "old";
    // No file may grow past 0 bytes: a full disk. Messages go through a pipe.
    const Spawned run = tool({"sh", "-c", "( trap '' XFSZ; ulimit -f 0; \"$0\" \"$@\"; echo \"status $?\" ) 2>&1 | cat",
                              CAPTURE_EXECUTABLE, "--size", "160x90", "--fps", "10", "--png", "3:shot.png"});
    EXPECT_NE(std::string::npos, run.out.find("capture: cannot write shot.png: File too large")) << run.out;
    EXPECT_NE(std::string::npos, run.out.find("status 1")) << run.out;
    EXPECT_EQ(Bytes({'o', 'l', 'd'}), read_bytes(dir + "/shot.png"));
    EXPECT_EQ(0, partial_files(dir));
}

}  // namespace
