#pragma once
// The audio functions callable by name: wavwrite and its inner operations over the WAVE writer,
// and wavplay with the platform's playback routines "audio/private/playsndb" and
// "audio/private/playsnd", which wavplay runs by those names.
namespace quelvara::audio {

// Supplies every body above. Safe to call more than once.
void install_audio();

}  // namespace quelvara::audio
