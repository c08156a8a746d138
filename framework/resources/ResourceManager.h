// Images, sounds and fonts by id, in named load groups that are loaded and unloaded whole.
#pragma once

#include "app/Common.h"
#include "graphics/SharedImage.h"
#include "resources/ResourceManagerException.h"
#include "resources/ResourceRecords.h"

#include <map>
#include <set>
#include <string>

namespace Lumo
{

class Font;
class LumoAppBase;

// Where a definition being read stands, so that an error can name it.
class ResourceDefinitionReader
{
public:
    virtual ~ResourceDefinitionReader() = default;
    virtual int GetCurrentLineNum() = 0;
    virtual std::string GetFileName() = 0;
};

class ResourceManager
{
public:
    typedef std::map<std::string, BaseRes*> ResMap;

    std::set<std::string, StringLessNoCase> loadedGroups;
    // The manager owns the records.
    ResMap imageMap;
    ResMap soundMap;
    ResMap fontMap;
    ResMap::iterator curImageIt;
    ResMap::iterator curSoundIt;
    ResMap::iterator curFontIt;
    int nextSoundId = 0;
    ResourceDefinitionReader* reader = nullptr;
    std::string errorText;
    bool hadError = false;
    LumoAppBase* app;
    std::string currentLoadGroup;
    bool allowMissingProgramImages = false;

    explicit ResourceManager(LumoAppBase* app);
    ResourceManager(const ResourceManager&) = delete;
    ResourceManager& operator=(const ResourceManager&) = delete;

    virtual void UnloadGroup(const std::string& group);
    virtual void UnloadGroupFromMap(ResMap& map, const std::string& group);
    virtual bool LoadImageRes(ImageRes* res);
    virtual bool LoadFontRes(FontRes* res);
    virtual ~ResourceManager();
    virtual bool LoadNextImage();
    virtual bool LoadNextSound();
    virtual bool LoadNextFont();
    virtual bool LoadNextResource();
    virtual void StartLoadResources(const std::string& group);
    virtual bool LoadResources(const std::string& group);
    virtual SharedImageRef GetImageOrThrow(const std::string& id);
    virtual int GetSoundOrThrow(const std::string& id);
    virtual Font* GetFontOrThrow(const std::string& id);

    // Keeps the first failure only; always false.
    bool Fail(const std::string& msg);
    std::string GetErrorText() const { return errorText; }
    bool HadError() const { return hadError; }

protected:
    bool LoadSoundRes(SoundRes* res);
    // The loaded font of the record with that id, or null.
    Font* GetLoadedFont(const std::string& id);

private:
    typedef bool (ResourceManager::*Loader)(BaseRes* res);
    bool LoadNextFrom(ResMap& map, ResMap::iterator& cursor, Loader load);
    bool LoadImageEntry(BaseRes* res);
    bool LoadSoundEntry(BaseRes* res);
    bool LoadFontEntry(BaseRes* res);
    // A record that exists but is not loaded may be left to the program.
    bool MissingAllowed(ResMap& map, const std::string& id);
    [[noreturn]] void ThrowNotFound(const char* kind, const std::string& id);
};

} // namespace Lumo
