// The trash can: throws away the top item of the tray.
#pragma once

#include "game/src/GameObject.h"

namespace Lumo
{

class ObjectTrash : public GameObject
{
public:
    explicit ObjectTrash(GameHost* host);

    bool Interact(Tray* tray) override;
    void Draw(Graphics* g) override;
};

} // namespace Lumo
