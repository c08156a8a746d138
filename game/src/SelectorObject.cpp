#include "game/src/SelectorObject.h"

#include "game/src/Selector.h"

#include <utility>

namespace Lumo
{

SelectorObject::SelectorObject(GameHost* host, std::vector<int> choices)
    : GameObject(host), mChoices(std::move(choices))
{
}

SelectorObject::~SelectorObject()
{
    delete mSelector;
}

void SelectorObject::AttachToManager(WidgetManager* manager)
{
    GameObject::AttachToManager(manager);
    if (mSelector == nullptr)
        mSelector = Selector::MakeFor(mHost, this, manager, mChoices);
    else
        mSelector->PutOn(manager);
}

void SelectorObject::DetachFromManager(WidgetManager* manager)
{
    if (mSelector != nullptr)
        mSelector->TakeOff();
    GameObject::DetachFromManager(manager);
}

void SelectorObject::ShowSelector(bool on)
{
    if (mSelector != nullptr)
        mSelector->ShowOverOwner(on);
}

bool SelectorObject::SelectorHasMouse() const
{
    return mSelector != nullptr && mSelector->HasMouse();
}

} // namespace Lumo
