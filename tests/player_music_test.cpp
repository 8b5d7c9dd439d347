#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "mp3_fixtures.h"
#include "music.h"
#include "player_bench.h"
#include "soundtrack.h"

// The player on the real clock, its music going to SDL's disk audio driver,
// which writes what the device receives to a file as it receives it. After
// every jump of the picture the sound the device gets next comes from the
// picture's moment, within 60 ms: never earlier, and no later than the
// picture has moved on by when the file holds it.
namespace {

using namespace player_bench;

constexpr double within_s = 0.060;
constexpr std::size_t block = soundtrack::buffer_frames * soundtrack::channels;  // samples the device takes at once

struct Jump {
    double moment;  // s, of the picture right after it
    Uint32 wall;    // ms
};

struct Session {
    const char *recording;
    std::vector<Jump> jumps;
    std::vector<std::pair<Uint32, long>> growth;  // (ms, bytes of the recording)

    void note_jump() { jumps.push_back({player::demo_seconds(), SDL_GetTicks()}); }

    void jump(SDLKey key, SDLMod mod = KMOD_NONE)
    {
        player::press(key, mod);
        note_jump();
    }

    // Plays for ms, and on until the picture is at until_s; a moment that goes back is a loop's wrap.
    void play(Uint32 ms, double until_s = 0)
    {
        const Uint32 until = SDL_GetTicks() + ms;
        for (double last = player::demo_seconds(); SDL_GetTicks() < until || last < until_s;
             last = player::demo_seconds()) {
            player::update();
            if (player::demo_seconds() < last)
                note_jump();
            struct stat info;
            if (stat(recording, &info) == 0)
                growth.emplace_back(SDL_GetTicks(), static_cast<long>(info.st_size));
            SDL_Delay(1);
        }
    }

    Uint32 held(std::size_t bytes) const
    {
        for (const auto &[ms, size] : growth)
            if (static_cast<std::size_t>(size) >= bytes)
                return ms;
        return growth.back().first;
    }
};

// Where in the song a recorded block comes from, searched within a second of a moment; -1 when nowhere.
long found_in(const soundtrack::Samples &song, const std::int16_t *sound, double near_s)
{
    const auto sample = [](double s) { return static_cast<long>(s * soundtrack::rate) * soundtrack::channels; };
    const long last = static_cast<long>(song.size() - block);
    for (long at = std::max(0L, sample(near_s - 1)); at < std::min(last, sample(near_s + 1)); at += soundtrack::channels)
        if (std::equal(sound, sound + block, &song[at]))
            return at;
    return -1;
}

TEST_F(Player, MusicPlaysFromThePicturesMomentAfterEveryJump)
{
    char path[] = "/tmp/player-audio-XXXXXX";
    close(mkstemp(path));
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", path, 1);
    const CheckedMusic mp3 = read_checked_music(MUSIC_FILE);
    soundtrack::Samples song;
    ASSERT_EQ("", soundtrack::decode(mp3.bytes, mp3.size, 130, song));
    ASSERT_EQ("", soundtrack::open(song));

    // In the decrunch screen, whose frames cost least, with music throughout.
    Session session{path, {}, {}};
    start(2, wall_clock, SDL_GetTicks);
    session.note_jump();
    session.play(300);
    player::press(SDLK_SPACE);
    SDL_Delay(150);
    player::press(SDLK_RIGHT);
    SDL_Delay(150);
    session.jump(SDLK_SPACE);
    session.play(300);
    session.jump(SDLK_LEFT, KMOD_LSHIFT);
    session.play(300);
    for (SDLKey step : {SDLK_PERIOD, SDLK_PERIOD, SDLK_COMMA})
        player::press(step);
    session.jump(SDLK_SPACE);
    session.play(200);
    player::press(SDLK_LEFTBRACKET);  // silent off the normal speed
    session.play(200);
    session.jump(SDLK_RIGHTBRACKET);
    session.play(200);
    player::press(SDLK_i);  // a range of 0.4 s, looped twice
    session.play(0, player::demo_seconds() + 0.4);
    player::press(SDLK_o);
    player::press(SDLK_l);
    session.play(1000);
    soundtrack::close();

    const std::string bytes = read_bytes(path);
    std::remove(path);
    std::vector<std::int16_t> recorded(bytes.size() / 2);
    std::memcpy(recorded.data(), bytes.data(), recorded.size() * 2);
    std::string seen = "jump: picture at s, sound from s, the picture's lead when the file held it, s";
    std::size_t starts = 0;  // blocks that do not go on from the one before
    long goes_on_at = -1;    // where in the song a block that goes on starts
    std::size_t silent = 0;  // blocks, after the first sound
    for (std::size_t at = 0; at + block <= recorded.size(); at += block) {
        const std::int16_t *sound = &recorded[at];
        if (std::all_of(sound, sound + block, [](std::int16_t v) { return v == 0; })) {
            silent += starts > 0;
            goes_on_at = -1;
        } else if (goes_on_at >= 0 && std::equal(sound, sound + block, &song[goes_on_at])) {
            goes_on_at += block;
        } else {
            ASSERT_LT(starts, session.jumps.size()) << "the sound jumps where the picture did not\n" << seen;
            const Jump &jump = session.jumps[starts++];
            goes_on_at = found_in(song, sound, jump.moment);
            ASSERT_GE(goes_on_at, 0) << "sound from far off the picture's moment " << jump.moment << " s\n" << seen;
            const double from_s = goes_on_at / soundtrack::channels / double(soundtrack::rate);
            const double lead_s = (session.held((at + block) * 2) - jump.wall) / 1000.0;
            seen += "\n" + std::to_string(starts) + ": " + std::to_string(jump.moment) + ", " + std::to_string(from_s) +
                    ", " + std::to_string(lead_s);
            EXPECT_GE(from_s, jump.moment - within_s) << seen;
            EXPECT_LE(from_s, jump.moment + lead_s + within_s) << seen;
            goes_on_at += block;
        }
    }
    std::printf("%s\n", seen.c_str());
    EXPECT_EQ(session.jumps.size(), starts) << seen;
    EXPECT_GE(silent * soundtrack::buffer_frames, soundtrack::rate / 4u) << "silent while paused or slowed";
}

}  // namespace
