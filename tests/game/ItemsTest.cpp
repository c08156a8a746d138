#include "RecordingImage.h"

#include "game/src/ItemCodes.h"
#include "game/src/TObject.h"
#include "game/src/TObjectFactory.h"
#include "graphics/Graphics.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

using namespace Lumo;

namespace
{

// Every picture the game names, as a named recording picture.
class Pictures
{
public:
    Image* Get(const std::string& name)
    {
        auto& picture = mPictures[name];
        if (!picture)
        {
            picture = std::make_unique<RecordingImage>(25, 25);
            picture->mName = name;
        }
        return picture.get();
    }
    TObjectFactory Factory()
    {
        return TObjectFactory([this](const std::string& name) { return Get(name); });
    }

private:
    std::map<std::string, std::unique_ptr<RecordingImage>> mPictures;
};

std::string Drawn(TObject& item)
{
    RecordingImage screen(100, 100);
    Graphics g(&screen);
    item.Draw(&g);
    return screen.mCalls.empty() ? "" : screen.mCalls.back();
}

} // namespace

TEST(ItemCodes, NamesPicturesColoursAndRecipes)
{
    const char* names[] = {"Basil", "Oregano",    "Onions",   "Garlic",  "Anchovies",  "Sausage",
                           "Order", "Margherita", "Marinara", "Cipolla", "Napoletana", "Viennese"};
    for (int code = 0; code < kItemCodeCount; code++)
        EXPECT_STREQ(GetItemInfo(code)->mName, names[code]);
    EXPECT_EQ(GetItemInfo(-1), nullptr);
    EXPECT_EQ(GetItemInfo(12), nullptr);
    EXPECT_EQ(GetItemInfo(65535), nullptr);
    EXPECT_STREQ(GetItemInfo(ITEM_ONIONS)->mPicture, "gfx/ingredients/onions");
    EXPECT_STREQ(GetItemInfo(ITEM_ORDER)->mPicture, "gfx/pizza/pizza_Margherita");
    EXPECT_STREQ(GetItemInfo(ITEM_NAPOLETANA)->mPicture, "gfx/pizza/pizza_Napoletana");
    EXPECT_EQ(GetItemInfo(ITEM_MARINARA)->mRecipe, (std::vector<uint16_t>{3, 1, 0}));
    EXPECT_EQ(GetItemInfo(ITEM_VIENNESE)->mRecipe, (std::vector<uint16_t>{5, 1}));
    EXPECT_EQ(GetItemInfo(ITEM_CIPOLLA)->mColor[0], 255);
    EXPECT_EQ(GetItemInfo(ITEM_CIPOLLA)->mColor[1], 0);
    EXPECT_TRUE(IsPizzaCode(11));
    EXPECT_FALSE(IsPizzaCode(6));
}

TEST(TObjectFactory, MakesEachKindByCode)
{
    Pictures pictures;
    TObjectFactory factory = pictures.Factory();

    std::unique_ptr<TObject> garlic(factory.Create(ITEM_GARLIC));
    ASSERT_NE(dynamic_cast<TObjectIngredient*>(garlic.get()), nullptr);
    EXPECT_EQ(garlic->mCode, 3);
    EXPECT_EQ(garlic->mName, "Garlic");
    EXPECT_EQ(garlic->mImage, pictures.Get("gfx/ingredients/garlic"));
    EXPECT_TRUE(garlic->mColor.IsWhite());
    EXPECT_EQ(garlic->mNonPizza, 1);
    EXPECT_EQ(garlic->mListCount, 0);
    EXPECT_EQ(garlic->mWidth, 25);
    EXPECT_EQ(garlic->mAge, -1);

    std::unique_ptr<TObject> order(factory.Create(ITEM_ORDER));
    ASSERT_NE(dynamic_cast<TObjectOrder*>(order.get()), nullptr);
    EXPECT_EQ(order->mName, "Order");
    EXPECT_EQ(order->mImage, pictures.Get("gfx/pizza/pizza_Margherita"));
    EXPECT_EQ(order->mNonPizza, 0);

    std::unique_ptr<TObject> pizza(factory.Create(ITEM_NAPOLETANA));
    ASSERT_NE(dynamic_cast<TObjectPizza*>(pizza.get()), nullptr);
    EXPECT_EQ(pizza->mName, "Napoletana");
    EXPECT_EQ(pizza->mColor, Color(0, 0, 255));
    EXPECT_EQ(pizza->mListCount, 2);
    EXPECT_EQ(pizza->mList, (std::vector<uint16_t>{4, 1}));
    EXPECT_EQ(pizza->mNonPizza, 0);
    EXPECT_EQ(pizza->mCooked, 0);
    EXPECT_EQ(pizza->GetImage(), pictures.Get("gfx/ingredients/pizzadough"));
    pizza->mCooked = 1;
    EXPECT_EQ(pizza->GetImage(), pictures.Get("gfx/pizza/pizza_Napoletana"));

    EXPECT_EQ(factory.Create(12), nullptr);
    EXPECT_EQ(factory.Create(65535), nullptr);
    EXPECT_EQ(factory.Create(-1), nullptr);

    // Without pictures the items are made all the same.
    TObjectFactory bare(nullptr);
    std::unique_ptr<TObject> plain(bare.Create(ITEM_MARGHERITA));
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->GetImage(), nullptr);
}

TEST(TObject, ClonesKeepEverythingButDelivery)
{
    Pictures pictures;
    TObjectFactory factory = pictures.Factory();
    std::unique_ptr<TObject> pizza(factory.Create(ITEM_MARINARA));
    pizza->mCooked = 1;
    pizza->mDelivered = 1;
    pizza->mAge = 42;
    std::unique_ptr<TObject> copy(pizza->Clone());
    ASSERT_NE(dynamic_cast<TObjectPizza*>(copy.get()), nullptr);
    EXPECT_EQ(copy->mCode, ITEM_MARINARA);
    EXPECT_EQ(copy->mName, "Marinara");
    EXPECT_EQ(copy->mCooked, 1);
    EXPECT_EQ(copy->mDelivered, 0);
    EXPECT_EQ(copy->mList, (std::vector<uint16_t>{3, 1, 0}));
    EXPECT_EQ(copy->mAge, 42);
    EXPECT_EQ(copy->mColor, Color(0, 255, 255));
    EXPECT_EQ(copy->GetImage(), pictures.Get("gfx/pizza/pizza_Marinara"));

    std::unique_ptr<TObject> basil(factory.Create(ITEM_BASIL));
    std::unique_ptr<TObject> basilCopy(basil->Clone());
    EXPECT_NE(dynamic_cast<TObjectIngredient*>(basilCopy.get()), nullptr);
    EXPECT_EQ(basilCopy->mNonPizza, 1);
    std::unique_ptr<TObject> order(factory.Create(ITEM_ORDER));
    order->SetListCount(3);
    order->mList[2] = ITEM_VIENNESE;
    std::unique_ptr<TObject> orderCopy(order->Clone());
    EXPECT_NE(dynamic_cast<TObjectOrder*>(orderCopy.get()), nullptr);
    EXPECT_EQ(orderCopy->mList, (std::vector<uint16_t>{0, 0, 11}));
    EXPECT_EQ(orderCopy->mListCount, 3);

    order->SetListCount(1); // the old list goes
    EXPECT_EQ(order->mList, (std::vector<uint16_t>{0}));
    order->SetListCount(-4);
    EXPECT_EQ(order->mListCount, 0);
    EXPECT_TRUE(order->mList.empty());
}

TEST(TObject, AgeCountsOnlyOnceStarted)
{
    TObject item;
    item.Update();
    EXPECT_EQ(item.mAge, -1);
    item.mAge = 0;
    item.Update();
    item.Update();
    EXPECT_EQ(item.mAge, 2);
}

TEST(TObject, EachKindDrawsItsOwnWay)
{
    Pictures pictures;
    TObjectFactory factory = pictures.Factory();
    TObject plain;
    plain.mColor = Color(1, 2, 3);
    EXPECT_EQ(Drawn(plain), "fill 0,0,25,25 1,2,3,255");

    std::unique_ptr<TObject> onions(factory.Create(ITEM_ONIONS));
    EXPECT_EQ(Drawn(*onions), "blt 0,0 255,255,255,255 gfx/ingredients/onions");
    onions->mImage = nullptr;
    EXPECT_EQ(Drawn(*onions), "fill 0,0,25,25 0,127,127,255");

    std::unique_ptr<TObject> order(factory.Create(ITEM_ORDER));
    EXPECT_EQ(Drawn(*order), "fill 0,0,25,25 127,127,127,255");

    std::unique_ptr<TObject> pizza(factory.Create(ITEM_CIPOLLA));
    pizza->Resize(0, 0, 40, 40);
    EXPECT_EQ(Drawn(*pizza), "stretch 0,0,40,40 190,190,190,255 gfx/pizza/pizza_Cipolla");
    pizza->mCooked = 1;
    EXPECT_EQ(Drawn(*pizza), "stretch 0,0,40,40 255,255,255,255 gfx/pizza/pizza_Cipolla");
    pizza->mImage = nullptr;
    EXPECT_EQ(Drawn(*pizza), "fill 0,0,40,40 0,127,127,255");
}
