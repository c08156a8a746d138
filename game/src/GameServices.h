// The application's services every game widget uses, whether it talks to the
// application itself or to the play screen in front of it: sounds by id, pictures and
// fonts by name, the update count, the widget manager and deferred deletion.
#pragma once

#include <string>

namespace Lumo
{

class Font;
class Image;
class Widget;
class WidgetManager;

class GameServices
{
public:
    virtual ~GameServices() = default;

    virtual void PlaySample(int id) = 0;
    // A loaded picture by file name without extension; null when there is none.
    virtual Image* GetPicture(const std::string& name) = 0;
    // The game's bitmap fonts by size: 20, 14 or 10.
    virtual Font* GetFont(int size) = 0;
    virtual int GetUpdateCount() = 0;
    virtual WidgetManager* GetWidgetManager() = 0;
    // Deletes the widget once the current input and update are over.
    virtual void DeferWidgetDeletion(Widget* widget) = 0;
};

} // namespace Lumo
