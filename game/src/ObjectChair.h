// A chair beside a table, holding the seated customer as its only child. Its picture
// (one per side) is given by its table.
#pragma once

#include "game/src/GameObject.h"

namespace Lumo
{

class ObjectChair : public GameObject
{
public:
    static constexpr int kInset = 8;

    explicit ObjectChair(GameHost* host);

    void SetPicture(Image* picture) { mPicture = picture; }
    Widget* GetCustomer() const { return mChildren.empty() ? nullptr : mChildren.front(); }
    // The rectangle drawn without a picture: inset, and pushed away from the table.
    Rect InsetRect() const;

    void Draw(Graphics* g) override;
    void DetachFromManager(WidgetManager* manager) override;
};

} // namespace Lumo
