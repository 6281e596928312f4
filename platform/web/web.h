// The browser build's platform: what the page and the program tell each other.
// The JavaScript side is library_sound.js (music and the page's hooks; every browser
// build) and library_page.js (presenting frames; the page's program only).
#pragma once

#include <cstdint>

struct _Mix_Music;

namespace zudezed {

// The soundtrack in the program's file system, put there by the page.
inline constexpr const char* kWebMusicFile = "sorvaline.mp3";

// From now on GpTickCountGet returns the simulated clock (clock_sim.h) instead of
// the page's millisecond clock.
void WebUseSimulatedClock();

}  // namespace zudezed

extern "C" {
// Hands the audio context that the page made on the starting click to SDL_mixer
// (a browser lets only a context made on a user's gesture play).
void zz_web_adopt_audio_context();
// 1 when the browser lets the page play sound now, -1 while its audio is still
// starting, 0 when it will not play (and tells the page); last != 0: the program
// waits no longer, and a start still under way counts as refused.
int zz_web_sound_allowed(int last);
// Mix_LoadMUS, watching whether the browser can decode the file.
_Mix_Music* zz_web_load_music(const char* path);
// 1 while the browser is still decoding the loaded music.
int zz_web_music_decoding(_Mix_Music* music);
// 1 when the browser could not decode it (and tells the page).
int zz_web_music_undecodable(_Mix_Music* music);
// Milliseconds until the playing music is heard (0 when it is, or plays nowhere).
int zz_web_music_until_heard();
// Tells the page that the timeline clock starts now (after the progress screen).
void zz_web_timeline_starts();
// The page's end screen: the browser's stand-in for the handheld's menu program.
void zz_web_demo_ended();
}
