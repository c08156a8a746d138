#include "RecordingImage.h"

#include "game/src/ItemCodes.h"
#include "game/src/TObject.h"
#include "game/src/TObjectFactory.h"
#include "game/src/Tray.h"
#include "game/src/TrayWidget.h"
#include "graphics/Graphics.h"

#include <gtest/gtest.h>

using namespace Lumo;

namespace
{

class FrameSpy : public Widget
{
public:
    int mDirty = 0;
    std::vector<std::pair<int, int>> mMoves;
    void MarkDirty() override { mDirty++; }
    void MouseMove(int x, int y) override { mMoves.push_back({x, y}); }
};

class TrayRules : public testing::Test
{
protected:
    FrameSpy frame;
    RecordingImage dough;
    RecordingImage margherita;
    RecordingImage basil;
    TObjectFactory factory{[this](const std::string& name) -> Image*
                           {
                               if (name == "gfx/ingredients/pizzadough")
                                   return &dough;
                               if (name == "gfx/pizza/pizza_Margherita")
                                   return &margherita;
                               return name == "gfx/ingredients/basil" ? &basil : nullptr;
                           }};
    Tray tray{&frame};

    void SetUp() override
    {
        dough.mName = "dough";
        margherita.mName = "margherita";
        basil.mName = "basil";
    }
};

} // namespace

TEST_F(TrayRules, HoldsFourItemsAndRefusesAFifthOrNull)
{
    EXPECT_TRUE(tray.IsEmpty());
    EXPECT_EQ(tray.Top(), nullptr);
    EXPECT_FALSE(tray.Push(nullptr));
    TObject* items[5];
    for (int i = 0; i < 4; i++)
    {
        EXPECT_TRUE(tray.HasRoom());
        items[i] = factory.Create(i);
        EXPECT_TRUE(tray.Push(items[i]));
    }
    EXPECT_FALSE(tray.HasRoom());
    EXPECT_EQ(tray.GetCount(), 4);
    items[4] = factory.Create(ITEM_SAUSAGE);
    EXPECT_FALSE(tray.Push(items[4]));
    delete items[4];
    EXPECT_EQ(tray.Top(), items[3]);
    EXPECT_EQ(tray.GetItem(0), items[0]);
    EXPECT_EQ(tray.GetItem(4), nullptr);
    EXPECT_EQ(tray.GetItem(-1), nullptr);
    EXPECT_EQ(tray.GetWidget()->GetCount(), 4);
    EXPECT_EQ(tray.GetHorizontalWidget()->GetCount(), 4);
    // Two widgets told the frame about each of four pushes.
    EXPECT_EQ(frame.mDirty, 8);
}

TEST_F(TrayRules, FindsTheTopmostOfACodeAndClosesGapsOnRemoval)
{
    TObject* first = factory.Create(ITEM_BASIL);
    TObject* garlic = factory.Create(ITEM_GARLIC);
    TObject* second = factory.Create(ITEM_BASIL);
    tray.Push(first);
    tray.Push(garlic);
    tray.Push(second);
    EXPECT_EQ(tray.LastOfCode(ITEM_BASIL), second);
    EXPECT_EQ(tray.LastOfCode(ITEM_SAUSAGE), nullptr);
    EXPECT_EQ(tray.CountOfCode(ITEM_BASIL), 2);
    EXPECT_EQ(tray.CountOfCode(ITEM_ORDER), 0);

    ASSERT_TRUE(tray.Remove(garlic));
    delete garlic;
    EXPECT_EQ(tray.GetCount(), 2);
    EXPECT_EQ(tray.GetItem(0), first);
    EXPECT_EQ(tray.GetItem(1), second);
    EXPECT_EQ(tray.GetWidget()->GetCount(), 2);
    EXPECT_EQ(tray.GetHorizontalWidget()->GetCount(), 2);

    TObject stranger;
    EXPECT_FALSE(tray.Remove(&stranger));
    EXPECT_FALSE(tray.Remove(nullptr));
    ASSERT_TRUE(tray.Remove(second));
    delete second;
    EXPECT_EQ(tray.Top(), first);
    EXPECT_EQ(tray.LastOfCode(ITEM_BASIL), first);
}

TEST_F(TrayRules, WidgetsAreAColumnAndARow)
{
    TrayWidget* column = tray.GetWidget();
    TrayWidget* row = tray.GetHorizontalWidget();
    EXPECT_TRUE(column->IsVertical());
    EXPECT_EQ(column->mWidth, 30);
    EXPECT_EQ(column->mHeight, 120);
    EXPECT_FALSE(row->IsVertical());
    EXPECT_EQ(row->mWidth, 120);
    EXPECT_EQ(row->mHeight, 30);
    EXPECT_EQ(column->GetTray(), &tray);

    column->Move(100, 200);
    column->MouseMove(5, 6);
    ASSERT_EQ(frame.mMoves.size(), 1u);
    EXPECT_EQ(frame.mMoves[0], std::make_pair(105, 206));
}

TEST_F(TrayRules, DrawsTheTopFirstWithColourCellsOnlyForPizzas)
{
    TObject* leaf = factory.Create(ITEM_BASIL);
    TObject* raw = factory.Create(ITEM_MARGHERITA);
    TObject* baked = factory.Create(ITEM_MARGHERITA);
    baked->mCooked = 1;
    tray.Push(leaf);
    tray.Push(raw);
    tray.Push(baked);

    RecordingImage screen;
    Graphics g(&screen);
    tray.GetWidget()->Draw(&g);
    EXPECT_EQ(screen.mCalls, (std::vector<std::string>{
                                 "fill 0,0,30,30 0,255,0,159",
                                 "stretch 0,0,30,30 255,255,255,255 margherita",
                                 "fill 0,30,30,30 0,255,0,95",
                                 "stretch 0,30,30,30 255,255,255,255 dough",
                                 "stretch 0,60,30,30 255,255,255,255 basil",
                             }));

    RecordingImage rowScreen;
    Graphics rowG(&rowScreen);
    tray.GetHorizontalWidget()->Draw(&rowG);
    EXPECT_EQ(rowScreen.mCalls[2], "fill 30,0,30,30 0,255,0,95");
    EXPECT_EQ(rowScreen.mCalls[4], "stretch 60,0,30,30 255,255,255,255 basil");
}
