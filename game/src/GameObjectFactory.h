// Makes kitchen objects by their code.
#pragma once

namespace Lumo
{

class GameHost;
class GameObject;

class GameObjectFactory
{
public:
    explicit GameObjectFactory(GameHost* host) : mHost(host) {}
    virtual ~GameObjectFactory() = default;

    // A new object owned by the caller; null for an unknown code.
    GameObject* Create(int code) const;

private:
    GameHost* mHost;
};

} // namespace Lumo
