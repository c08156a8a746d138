// Carried items: ingredients, pizzas, and the order a table keeps. Each is a small
// widget that draws itself; the tray and the tables draw them through GetImage.
#pragma once

#include "graphics/Color.h"
#include "widgets/Widget.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Lumo
{

class GameObject;
class Image;

class TObject : public Widget
{
public:
    int16_t mCode = -1;
    std::string mName;
    Image* mImage = nullptr;
    Color mColor = Color(255, 255, 255);
    uint8_t mNonPizza = 0;
    uint8_t mCooked = 0;
    uint8_t mDelivered = 0; // a table seat has been served this pizza
    int16_t mListCount = 0;
    std::vector<uint16_t> mList; // a pizza's recipe, or an order's pizzas
    int mAge = -1;               // ticks; -1 = not counting
    GameObject* mOwner = nullptr;

    TObject();

    // Replaces the list with n cleared entries.
    virtual void SetListCount(int n);
    virtual TObject* Clone() const;
    virtual Image* GetImage() const { return mImage; }

    void Update() override;
    void Draw(Graphics* g) override;

protected:
    // Everything but the delivered flag, which a copy never has.
    void CopyInto(TObject* copy) const;
    template <class Kind> Kind* CloneAs() const
    {
        Kind* copy = new Kind();
        CopyInto(copy);
        return copy;
    }
    // Items without a picture show a plain cell.
    void FillNoPicture(Graphics* g) const;
};

class TObjectIngredient : public TObject
{
public:
    TObjectIngredient();
    TObject* Clone() const override;
    void Draw(Graphics* g) override;
};

class TObjectOrder : public TObject
{
public:
    explicit TObjectOrder(Image* margherita = nullptr);
    TObject* Clone() const override;
    void Draw(Graphics* g) override;
};

class TObjectPizza : public TObject
{
public:
    Image* mDoughImage = nullptr;

    TObjectPizza();
    TObject* Clone() const override;
    // The pizza's own picture once baked, the dough while raw.
    Image* GetImage() const override;
    void Draw(Graphics* g) override;
};

} // namespace Lumo
