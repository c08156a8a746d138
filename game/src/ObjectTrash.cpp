#include "game/src/ObjectTrash.h"

#include "game/src/GameHost.h"
#include "game/src/TObject.h"
#include "game/src/Tray.h"
#include "graphics/Graphics.h"

namespace Lumo
{

ObjectTrash::ObjectTrash(GameHost* host) : GameObject(host)
{
    mCode = OBJECT_TRASH;
    mName = "Trash Can";
    mPicture = host->GetPicture("gfx/objects/trashcan");
    mTakesFromTray = true;
    mGivesToTray = false;
}

bool ObjectTrash::Interact(Tray* tray)
{
    if (tray == nullptr || tray->IsEmpty())
    {
        mHost->PlaySample(SOUND_THUD);
        return false;
    }
    TObject* top = tray->Top();
    tray->Remove(top);
    delete top;
    mHost->PlaySample(SOUND_TRASHCAN);
    return true;
}

void ObjectTrash::Draw(Graphics* g)
{
    if (!DrawPicture(g))
    {
        g->SetColor(Color(0, 127, 255));
        g->FillRect(0, 0, mWidth, mHeight);
    }
    FillCurrentColor(g);
}

} // namespace Lumo
