// The parts of the generator, each writing its files below the assets folder.
#pragma once

#include <string>

namespace AssetGen
{

struct FontFiles
{
    std::string chancery; // titles and the bitmap fonts
    std::string sans;     // running text on the tutorial pages
};

void MakeFonts(const std::string& root, const std::string& fontFile);
void MakeKitchenPictures(const std::string& root);
void MakePeoplePictures(const std::string& root);
void MakeInterfacePictures(const std::string& root, const FontFiles& fonts);
void MakeTutorialPictures(const std::string& root, const FontFiles& fonts);
void MakeSounds(const std::string& root, const std::string& encoder);
void MakeMusic(const std::string& root, const std::string& encoder);
// The sound tests' own files (tests/audio/data): a tracker module and an MP3 effect.
void MakeTestModule(const std::string& dir);
void MakeTestSounds(const std::string& dir, const std::string& mp3Encoder);

} // namespace AssetGen
