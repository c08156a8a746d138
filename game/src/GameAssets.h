// The files the game loads, by the names it asks for and in its loading order:
// pictures (no extension), music tracks by id, sound effects by id (no extension).
#pragma once

#include <string>
#include <vector>

namespace Lumo
{

// The sound effects by id: the game plays them by these ids and loads them in this order.
enum GameSound
{
    SOUND_CASHREGISTER,
    SOUND_CLAP,
    SOUND_CLICK,
    SOUND_CLOCKTICK,
    SOUND_CROWDOOH,
    SOUND_DING,
    SOUND_DOORSLAM,
    SOUND_HEARTBEAT,
    SOUND_HURRYUP,
    SOUND_PAGETURN,
    SOUND_THUD,
    SOUND_TRASHCAN,
    SOUND_WHISTLEHERE,
    SOUND_COUNT
};

namespace GameAssets
{

// The sound effects' files by id (no extension).
constexpr const char* kSoundFiles[SOUND_COUNT] = {
    "sfx/cashregister", "sfx/clap",     "sfx/click",      "sfx/clocktick", "sfx/crowdooh",
    "sfx/ding",         "sfx/doorslam", "sfx/heartbeat",  "sfx/hurryup",   "sfx/pageturn",
    "sfx/thud",         "sfx/trashcan", "sfx/whistlehere"};
static_assert(kSoundFiles[SOUND_COUNT - 1] != nullptr, "a file for every sound id");

constexpr const char* kFontFiles[3] = {"fonts/MonotypeCorsiva20Bold.txt", "fonts/MonotypeCorsiva14Bold.txt",
                                       "fonts/MonotypeCorsiva10Bold.txt"};
constexpr int kFontSizes[3] = {20, 14, 10};

const std::vector<std::string>& Pictures();
const std::vector<std::string>& MusicTracks();

} // namespace GameAssets

} // namespace Lumo
