// Makes kitchen objects by their code.
#pragma once

namespace Lumo
{

class GameHost;
class GameObject;
class TableHost;

class GameObjectFactory
{
public:
    // Tables play their groups by the rules' level, happiness and chance.
    GameObjectFactory(GameHost* host, TableHost* rules) : mHost(host), mRules(rules) {}
    virtual ~GameObjectFactory() = default;

    // A new object owned by the caller; null for an unknown code.
    GameObject* Create(int code) const;

private:
    GameHost* mHost;
    TableHost* mRules;
};

} // namespace Lumo
