#include "game/src/GameApp.h"

#include "app/MersenneTwister.h"
#include "display/DDImage.h"
#include "game/src/GameAssets.h"
#include "game/src/GameFrame.h"
#include "media/MusicInterface.h"
#include "media/SoundManager.h"
#include "text/FontData.h"
#include "text/ImageFont.h"
#include "widgets/WidgetManager.h"

namespace Lumo
{

GameApp::GameApp() : mFrameFactory(this)
{
    mProductName = "Crustavia";
    mProductVersion = "BETA 1.4";
    mTitle = mProductName + " - " + mProductVersion;
    mRegistryKey = "Crustavia";
    mWidth = 800;
    mHeight = 600;
    mSyncToRefresh = true;
    mAutoEnable3D = true;
}

GameApp::~GameApp()
{
    if (mWidgetManager != nullptr)
        mWidgetManager->RemoveAllChildren(false, true);
    // The screen still up when the program ends is freed too.
    mScreens.Release();
    // Popups and boards still on the screen hand themselves over for deletion as they are
    // taken off; no update comes any more to free them.
    ProcessDeferredDeletions();
    for (auto& entry : mPictures)
        delete entry.second;
    mPictures.clear();
    for (ImageFont*& font : mFonts)
    {
        delete font;
        font = nullptr;
    }
    if (mSoundManager != nullptr)
        mSoundManager->ReleaseSounds();
    if (mMusicInterface != nullptr)
        mMusicInterface->UnloadAllMusic();
}

void GameApp::FailLoading(const std::string& text)
{
    // The box first: the close request lets the main thread end the run, and the error must be
    // on the screen (the loading thread waits for its answer) before it does.
    ShowFatalError(text);
    mCloseRequested = true;
}

void GameApp::Init()
{
    LumoAppBase::Init();
    if (mShutdown)
        return;
    mMusicVolume = kMusicVolume;
    mSfxVolume = kSfxVolume;
    if (mMusicInterface != nullptr)
        mMusicInterface->SetVolume(kMusicVolume);
    if (mSoundManager != nullptr)
        mSoundManager->SetVolume(kSfxVolume);
    SetWindowed(true);
    for (int i = 0; i < 3; i++)
    {
        ImageFont* font = new ImageFont(this, GameAssets::kFontFiles[i]);
        if (font->mFontData == nullptr || !font->mFontData->mInitialized)
        {
            delete font;
            FailLoading(std::string("There was an error loading ") + GameAssets::kFontFiles[i]);
            return;
        }
        mFonts[i] = font;
    }
}

bool GameApp::LoadPictures()
{
    for (const std::string& path : GameAssets::Pictures())
    {
        DDImage* image = GetImage(path, true);
        if (image == nullptr)
        {
            FailLoading("There was an error loading the file: " + path);
            return false;
        }
        image->Palletize();
        mPictures[path] = image;
    }
    return true;
}

bool GameApp::LoadSounds()
{
    for (int id = 0; id < SOUND_COUNT; id++)
    {
        const char* file = GameAssets::kSoundFiles[id];
        if (mSoundManager == nullptr || !mSoundManager->LoadSound(id, file))
        {
            FailLoading(std::string("There was an error loading ") + file);
            return false;
        }
    }
    return true;
}

void GameApp::RunLoading()
{
    if (!LoadPictures())
        return;
    const std::vector<std::string>& tracks = GameAssets::MusicTracks();
    for (int id = 0; id < int(tracks.size()); id++)
    {
        // A track that does not load stays silent.
        if (mMusicInterface != nullptr)
            mMusicInterface->LoadMusic(id, tracks[id]);
    }
    LoadSounds();
}

void GameApp::OnLoadingDone()
{
    if (!mCloseRequested)
        ShowFrame(FRAME_MAIN_MENU);
}

void GameApp::LostFocus()
{
    if (GameFrame* game = mScreens.GetGame())
        game->SetPaused(true);
}

Image* GameApp::GetPicture(const std::string& name)
{
    auto it = mPictures.find(name);
    return it != mPictures.end() ? it->second : nullptr;
}

Font* GameApp::GetFont(int size)
{
    for (int i = 0; i < 3; i++)
    {
        if (GameAssets::kFontSizes[i] == size)
            return mFonts[i];
    }
    return nullptr;
}

uint32_t GameApp::Random()
{
    return Rand();
}

bool GameApp::IsMusicPlaying(int track)
{
    return mMusicInterface != nullptr && mMusicInterface->IsPlaying(track);
}

void GameApp::PlayMusic(int track)
{
    if (mMusicInterface != nullptr)
        mMusicInterface->PlayMusic(track, 0, false);
}

void GameApp::StopAllMusic()
{
    if (mMusicInterface != nullptr)
        mMusicInterface->StopAllMusic();
}

void GameApp::FadeOutMusic(int track)
{
    if (mMusicInterface != nullptr)
        mMusicInterface->FadeOut(track, true, 0.004);
}

void GameApp::ShowFrame(int code)
{
    if (!mScreens.Show(code, this, mFrameFactory))
        ShowFatalError(ScreenSwitch::UnknownCodeText(code));
}

} // namespace Lumo
