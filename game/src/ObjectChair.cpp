#include "game/src/ObjectChair.h"

#include "graphics/Graphics.h"

namespace Lumo
{

namespace
{
int Sign(int v)
{
    return (v > 0) - (v < 0);
}
} // namespace

ObjectChair::ObjectChair(GameHost* host) : GameObject(host)
{
    mCode = OBJECT_CHAIR;
    mName = "Chair";
    mHoverable = false;
}

Rect ObjectChair::InsetRect() const
{
    const int half = kInset / 2;
    const int x = half + half * Sign(mAccessTile.mColumn - mObjectTile.mColumn);
    const int y = half + half * Sign(mAccessTile.mRow - mObjectTile.mRow);
    return Rect(x, y, mWidth - kInset, mHeight - kInset);
}

void ObjectChair::Draw(Graphics* g)
{
    const Rect inset = InsetRect();
    if (!DrawPicture(g))
    {
        g->SetColor(Color(0, 127, 255));
        g->FillRect(inset.mX, inset.mY, inset.mWidth, inset.mHeight);
    }
    g->SetColor(mColor);
    g->FillRect(inset.mX, inset.mY, inset.mWidth, inset.mHeight);
}

// The customer belongs to the frame, which deletes it.
void ObjectChair::DetachFromManager(WidgetManager* manager)
{
    while (!mChildren.empty())
        RemoveWidget(mChildren.front());
    GameObject::DetachFromManager(manager);
}

} // namespace Lumo
