// The files the game loads, by the names it asks for and in its loading order:
// pictures (no extension), music tracks by id, sound effects by id (no extension).
#pragma once

#include <string>
#include <vector>

namespace Lumo
{

namespace GameAssets
{

constexpr const char* kFontFiles[3] = {"fonts/MonotypeCorsiva20Bold.txt", "fonts/MonotypeCorsiva14Bold.txt",
                                       "fonts/MonotypeCorsiva10Bold.txt"};
constexpr int kFontSizes[3] = {20, 14, 10};

const std::vector<std::string>& Pictures();
const std::vector<std::string>& MusicTracks();
const std::vector<std::string>& Sounds();

} // namespace GameAssets

} // namespace Lumo
