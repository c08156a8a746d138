#include "FakeGameHost.h"
#include "RecordingImage.h"

#include "game/src/GameObjectFactory.h"
#include "game/src/ItemCodes.h"
#include "game/src/ObjectChair.h"
#include "game/src/ObjectFridge.h"
#include "game/src/ObjectOven.h"
#include "game/src/ObjectPrepTable.h"
#include "game/src/ObjectTrash.h"
#include "game/src/PopupMsg.h"
#include "game/src/Selector.h"
#include "game/src/TObject.h"

#include <gtest/gtest.h>

#include <memory>

using namespace Lumo;

namespace
{

class Kitchen : public testing::Test
{
protected:
    FakeGameHost host;

    TObject* Item(int code) { return host.mItems.Create(code); }
    TObject* Cooked(int code)
    {
        TObject* pizza = Item(code);
        pizza->mCooked = 1;
        return pizza;
    }
    // A click that the cook has already walked to.
    static void ClickThere(GameObject& object, int button = 0)
    {
        object.mArrived = true;
        object.MouseUpButton(0, 0, button, 1);
    }
    int Codes(int code) { return host.mTray.CountOfCode(code); }
};

} // namespace

TEST_F(Kitchen, ClickWhileTheCookIsElsewhereOnlyWalks)
{
    ObjectTrash trash(&host);
    host.mTray.Push(Item(ITEM_BASIL));
    trash.MouseUpButton(0, 0, 0, 1);
    ASSERT_EQ(host.mWalks.size(), 1u);
    EXPECT_EQ(host.mWalks[0], &trash);
    EXPECT_EQ(host.mTray.GetCount(), 1);
    EXPECT_TRUE(host.mSounds.empty());
    ClickThere(trash);
    EXPECT_TRUE(host.mTray.IsEmpty());
    EXPECT_EQ(host.SoundCount(SOUND_TRASHCAN), 1);
}

TEST_F(Kitchen, HoverColoursAndTheChairIgnoresHover)
{
    ObjectOven oven(&host);
    oven.MouseEnter();
    EXPECT_EQ(oven.GetCurrentColor(), Color(255, 255, 255, 63));
    EXPECT_EQ(host.mFrame.mDirty, 1);
    oven.MouseLeave();
    EXPECT_EQ(oven.GetCurrentColor(), Color(0, 0, 0, 0));
    ObjectChair chair(&host);
    chair.MouseEnter();
    EXPECT_EQ(chair.GetCurrentColor(), Color(0, 0, 0, 0));
}

TEST_F(Kitchen, OvenIsDoneOnThe201stTick)
{
    ObjectOven oven(&host);
    EXPECT_TRUE(oven.TakesFromTray());
    EXPECT_FALSE(oven.GivesToTray());
    EXPECT_EQ(oven.GetTimer(), -1);
    TObject* raw = Item(ITEM_MARGHERITA);
    host.mTray.Push(raw);
    ClickThere(oven);
    EXPECT_TRUE(host.mTray.IsEmpty());
    EXPECT_EQ(oven.GetState(), ObjectOven::BAKING);
    EXPECT_EQ(oven.GetTimer(), 200);
    EXPECT_FALSE(oven.TakesFromTray());
    EXPECT_EQ(host.SoundCount(SOUND_CLICK), 1);
    host.mPaused = true; // baking goes on through a pause
    host.mHalted = true;
    for (int tick = 1; tick <= 200; tick++)
        oven.Update();
    EXPECT_EQ(oven.GetTimer(), 0);
    EXPECT_EQ(oven.GetState(), ObjectOven::BAKING);
    EXPECT_EQ(oven.GetPizza()->mCooked, 0);
    oven.Update();
    EXPECT_EQ(oven.GetState(), ObjectOven::DONE);
    EXPECT_EQ(oven.GetPizza()->mCooked, 1);
    EXPECT_EQ(oven.GetTimer(), -1);
    EXPECT_TRUE(oven.TakesFromTray());
    EXPECT_TRUE(oven.GivesToTray());
    EXPECT_EQ(host.SoundCount(SOUND_DING), 1);
    oven.Update();
    EXPECT_EQ(host.SoundCount(SOUND_DING), 1);
}

TEST_F(Kitchen, OvenHandsTheCookedPizzaOverAndForgetsIt)
{
    ObjectOven oven(&host);
    host.mTray.Push(Item(ITEM_CIPOLLA));
    ClickThere(oven);
    for (int tick = 0; tick <= 200; tick++)
        oven.Update();
    ClickThere(oven);
    ASSERT_EQ(host.mTray.GetCount(), 1);
    TObject* pizza = host.mTray.Top();
    EXPECT_EQ(pizza->mCode, ITEM_CIPOLLA);
    EXPECT_EQ(pizza->mCooked, 1);
    EXPECT_EQ(pizza->mOwner, &oven);
    EXPECT_EQ(oven.GetPizza(), nullptr);
    EXPECT_FALSE(oven.HasPizza());
    EXPECT_EQ(oven.GetState(), ObjectOven::EMPTY);
    EXPECT_FALSE(oven.GivesToTray());
    EXPECT_EQ(oven.GiveItem(), nullptr);
    // The cooked pizza on the tray is not taken back.
    ClickThere(oven);
    EXPECT_EQ(host.mTray.GetCount(), 1);
}

TEST_F(Kitchen, OvenTakesTheTopmostRawPizzaOnlyAndOnlyOne)
{
    ObjectOven oven(&host);
    TObject* cooked = Cooked(ITEM_VIENNESE);
    TObject* basil = Item(ITEM_BASIL);
    TObject* first = Item(ITEM_MARINARA);
    TObject* second = Item(ITEM_NAPOLETANA);
    host.mTray.Push(cooked);
    host.mTray.Push(first);
    host.mTray.Push(second);
    host.mTray.Push(basil);
    ClickThere(oven);
    EXPECT_EQ(oven.GetPizza()->mCode, ITEM_NAPOLETANA);
    EXPECT_EQ(host.mTray.GetCount(), 3);
    EXPECT_FALSE(oven.Interact(&host.mTray)); // one at a time
    EXPECT_EQ(host.mTray.GetCount(), 3);
    ClickThere(oven);
    EXPECT_EQ(host.mTray.GetCount(), 3);
    EXPECT_EQ(host.mTray.CountOfCode(ITEM_MARINARA), 1);

    ObjectOven other(&host);
    for (int i = 0; i < 2; i++)
    {
        TObject* top = host.mTray.Top();
        host.mTray.Remove(top);
        delete top;
    }
    EXPECT_FALSE(other.Interact(&host.mTray)); // only the cooked one is left
    other.MouseUpButton(0, 0, 1, 1);
    EXPECT_EQ(host.SoundCount(SOUND_THUD), 1);
}

TEST_F(Kitchen, FullTrayThudsAndChangesNothing)
{
    ObjectOven oven(&host);
    host.mTray.Push(Item(ITEM_MARGHERITA));
    ClickThere(oven);
    for (int tick = 0; tick <= 200; tick++)
        oven.Update();
    for (int i = 0; i < 4; i++)
        host.mTray.Push(Item(ITEM_BASIL));
    ClickThere(oven);
    EXPECT_EQ(host.SoundCount(SOUND_THUD), 1);
    EXPECT_EQ(oven.GetState(), ObjectOven::DONE);
    EXPECT_EQ(host.mTray.GetCount(), 4);
}

TEST_F(Kitchen, OvenDrawsThePizzaLightenedWhileBaking)
{
    RecordingImage margherita;
    margherita.mName = "m";
    host.mPictures["gfx/pizza/pizza_Margherita"] = &margherita;
    ObjectOven oven(&host);
    oven.Resize(0, 0, 50, 50);
    host.mTray.Push(Item(ITEM_MARGHERITA));
    ClickThere(oven);
    for (int tick = 0; tick < 100; tick++)
        oven.Update();
    RecordingImage image;
    Graphics g(&image);
    oven.Draw(&g);
    // timer 100: +127 on each channel of (0,255,0)
    EXPECT_NE(std::find(image.mCalls.begin(), image.mCalls.end(), "fill 10,10,30,30 127,255,127,255"),
              image.mCalls.end());
    EXPECT_NE(std::find(image.mCalls.begin(), image.mCalls.end(), "rect 10,10,29,29 0,0,0,255"),
              image.mCalls.end());
    // The pizza's own picture, not the dough, greyed by 100 * 127 / 500 = 25.
    EXPECT_NE(std::find(image.mCalls.begin(), image.mCalls.end(), "stretch 10,10,30,30 230,230,230,255 m"),
              image.mCalls.end());
}

TEST_F(Kitchen, PrepTableIsBuiltReadyAndAssemblesAPizza)
{
    ObjectPrepTable table(&host);
    EXPECT_TRUE(table.TakesFromTray());
    EXPECT_TRUE(table.GivesToTray());
    EXPECT_EQ(table.GetSelection(), GameObject::kNoSelection);
    host.mManager.AddWidget(&table);
    ASSERT_NE(table.GetSelector(), nullptr);
    ASSERT_EQ(table.GetSelector()->GetItems().size(), 5u);
    SelectorItem* marinara = table.GetSelector()->GetItems()[1];
    EXPECT_EQ(marinara->mCode, ITEM_MARINARA);
    EXPECT_EQ(marinara->mName, "Marinara");

    marinara->MouseUpButton(0, 0, 0, 1); // picks, then walks
    EXPECT_EQ(table.GetSelection(), ITEM_MARINARA);
    ASSERT_EQ(host.mWalks.size(), 1u);
    ClickThere(table); // arrival
    EXPECT_EQ(table.GetState(), ObjectPrepTable::ASSEMBLING);
    EXPECT_FALSE(table.GivesToTray());
    EXPECT_EQ(table.GetNeeded(), (std::vector<uint16_t>{ITEM_GARLIC, ITEM_OREGANO, ITEM_BASIL}));
    EXPECT_EQ(host.SoundCount(SOUND_CLICK), 1);

    host.mTray.Push(Item(ITEM_BASIL));
    host.mTray.Push(Item(ITEM_ONIONS));
    host.mTray.Push(Item(ITEM_GARLIC));
    ClickThere(table);
    EXPECT_EQ(table.GetTakenCount(), 2);
    EXPECT_EQ(table.GetTaken(), (std::vector<uint8_t>{1, 0, 1}));
    EXPECT_EQ(host.mTray.GetCount(), 1); // the onions stay
    EXPECT_EQ(host.SoundCount(SOUND_CLICK), 3);
    host.mTray.Push(Item(ITEM_OREGANO));
    ClickThere(table);
    EXPECT_EQ(table.GetState(), ObjectPrepTable::COMPLETE);
    EXPECT_TRUE(table.GivesToTray());
    ClickThere(table); // nothing to take: the raw pizza is handed over
    ASSERT_EQ(host.mTray.GetCount(), 2);
    TObject* pizza = host.mTray.Top();
    EXPECT_EQ(pizza->mCode, ITEM_MARINARA);
    EXPECT_EQ(pizza->mCooked, 0);
    EXPECT_EQ(pizza->mOwner, &table);
    EXPECT_EQ(table.GetPizza(), nullptr);
    EXPECT_EQ(table.GetState(), ObjectPrepTable::IDLE);
    EXPECT_TRUE(table.TakesFromTray());
    EXPECT_TRUE(table.GivesToTray());
    EXPECT_TRUE(table.GetNeeded().empty());
    EXPECT_EQ(table.GetSelection(), GameObject::kNoSelection);
    host.mManager.RemoveWidget(&table);
    EXPECT_EQ(table.GetSelector()->mManager, nullptr);
}

TEST_F(Kitchen, RightClickCancelsAnAssemblyOrThuds)
{
    ObjectPrepTable table(&host);
    table.MouseUpButton(0, 0, 1, 1);
    EXPECT_EQ(host.SoundCount(SOUND_THUD), 1);
    table.SetSelection(ITEM_VIENNESE);
    ClickThere(table);
    host.mTray.Push(Item(ITEM_SAUSAGE));
    ClickThere(table);
    EXPECT_EQ(table.GetTakenCount(), 1);
    table.MouseUpButton(0, 0, 1, 1);
    EXPECT_EQ(host.SoundCount(SOUND_TRASHCAN), 1);
    EXPECT_EQ(table.GetState(), ObjectPrepTable::IDLE);
    EXPECT_EQ(table.GetPizza(), nullptr);
    EXPECT_EQ(table.GetTakenCount(), 0);
    EXPECT_TRUE(table.GivesToTray());
    EXPECT_TRUE(host.mTray.IsEmpty()); // the sausage went with it
    // Idle with no pick: the click gives nothing.
    ClickThere(table);
    EXPECT_TRUE(host.mTray.IsEmpty());
    EXPECT_EQ(table.GetState(), ObjectPrepTable::IDLE);
}

TEST_F(Kitchen, SelectorShowsOnHoverOfAnIdlePrepTable)
{
    ObjectPrepTable table(&host);
    table.Resize(625, 175, 50, 50);
    host.mManager.AddWidget(&table);
    Selector* selector = table.GetSelector();
    EXPECT_FALSE(selector->mVisible);
    table.MouseEnter();
    EXPECT_TRUE(selector->mVisible);
    EXPECT_TRUE(selector->IsExpanded());
    // Five entries: 150 wide, centred on the table.
    EXPECT_EQ(selector->mWidth, 150);
    EXPECT_EQ(selector->mX, 575);
    EXPECT_EQ(selector->GetItems()[0]->mX, 575);
    EXPECT_EQ(selector->GetItems()[4]->mX, 695);
    EXPECT_EQ(selector->GetItems()[0]->mY, selector->mY);
    EXPECT_TRUE(selector->GetItems()[0]->mShown);
    selector->GetItems()[2]->MouseEnter();
    EXPECT_EQ(selector->GetName(), "Cipolla");
    table.MouseLeave();
    EXPECT_FALSE(selector->mVisible);
    EXPECT_FALSE(selector->IsExpanded());
    EXPECT_EQ(selector->GetName(), "Prep Table");
    host.mManager.RemoveWidget(&table);
}

TEST_F(Kitchen, DeletingAnAttachedObjectTakesItsSelectorOffTheScreen)
{
    auto* fridge = new ObjectFridge(&host);
    host.mManager.AddWidget(fridge);
    EXPECT_EQ(host.mManager.mChildren.size(), 8u); // the fridge, its selector and six entries
    host.mManager.RemoveWidget(fridge);
    delete fridge;
    EXPECT_TRUE(host.mManager.mChildren.empty());
    auto* table = new ObjectPrepTable(&host);
    host.mManager.AddWidget(table);
    host.mManager.RemoveWidget(table);
    EXPECT_TRUE(host.mManager.mChildren.empty());
    host.mManager.AddWidget(table); // back on: the same selector and entries return
    EXPECT_EQ(host.mManager.mChildren.size(), 7u);
    EXPECT_FALSE(table->GetSelector()->mVisible);
    delete table; // deleted while on screen: it leaves, and its selector and entries with it
    EXPECT_TRUE(host.mManager.mChildren.empty());
}

TEST_F(Kitchen, FridgeChargesOnlyWhenItHandsAnIngredientOver)
{
    ObjectFridge fridge(&host);
    fridge.Resize(650, 75, 50, 50);
    fridge.SetTiles({13, 1}, {13, 2});
    EXPECT_EQ(fridge.mX, 600);
    EXPECT_EQ(fridge.mWidth, 150);
    for (int16_t column = 12; column <= 14; column++)
        EXPECT_TRUE(host.mGrid.IsBlocked({column, 1}));
    EXPECT_FALSE(host.mGrid.IsBlocked({11, 1}));
    host.mManager.AddWidget(&fridge);
    ASSERT_EQ(fridge.GetSelector()->GetItems().size(), 6u);
    const int shelf[] = {ITEM_BASIL, ITEM_OREGANO, ITEM_GARLIC, ITEM_ONIONS, ITEM_ANCHOVIES, ITEM_SAUSAGE};
    for (int i = 0; i < 6; i++)
        EXPECT_EQ(fridge.GetSelector()->GetItems()[i]->mCode, shelf[i]);

    host.mMoney = 3;
    ClickThere(fridge); // nothing picked: no charge
    EXPECT_EQ(host.mMoney, 3);
    EXPECT_EQ(host.SoundCount(SOUND_THUD), 1);
    EXPECT_TRUE(host.mTray.IsEmpty());

    host.mMouseX = 700;
    fridge.SetSelection(ITEM_GARLIC);
    ClickThere(fridge);
    EXPECT_EQ(host.mMoney, 2);
    ASSERT_EQ(host.mTray.GetCount(), 1);
    EXPECT_EQ(host.mTray.Top()->mCode, ITEM_GARLIC);
    EXPECT_EQ(fridge.GetSelection(), GameObject::kNoSelection);
    EXPECT_EQ(host.SoundCount(SOUND_CLICK), 1);
    auto* popup = dynamic_cast<PopupMsg*>(host.mManager.mChildren.back());
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->mLines[0].mText, "- 1");
    EXPECT_EQ(popup->mLines[0].mColor, Color(191, 0, 191));
    EXPECT_EQ(popup->mLines[0].mIconTint, Color(191, 0, 0));
    EXPECT_EQ(popup->mX, 655); // bottom centre at (705, 65)
    EXPECT_EQ(popup->mY, 25);

    host.mMoney = 0;
    fridge.SetSelection(ITEM_BASIL);
    ClickThere(fridge);
    EXPECT_EQ(host.mMoney, 0);
    EXPECT_EQ(host.mTray.GetCount(), 1);
    EXPECT_EQ(host.SoundCount(SOUND_THUD), 2);

    EXPECT_TRUE(fridge.Interact(nullptr));
    EXPECT_EQ(host.SoundCount(SOUND_THUD), 2);
    host.mManager.RemoveWidget(popup);
    host.mManager.RemoveWidget(&fridge);
}

TEST_F(Kitchen, ApproachTiles)
{
    ObjectFridge fridge(&host);
    fridge.SetTiles({13, 1}, {13, 2});
    // The row below on the access side, left to right: the nearest free cell wins.
    EXPECT_EQ(fridge.GetApproachTile({10, 2}), (GameSimpleNode{12, 2}));
    EXPECT_EQ(fridge.GetApproachTile({14, 5}), (GameSimpleNode{14, 2}));
    ObjectTrash trash(&host);
    trash.SetTiles({14, 8}, {14, 7});
    EXPECT_TRUE(host.mGrid.IsBlocked({14, 8}));
    EXPECT_EQ(trash.GetApproachTile({0, 0}), (GameSimpleNode{14, 7}));
    host.mGrid.SetBlocked({14, 7}, true);
    EXPECT_EQ(trash.GetApproachTile({0, 0}), (GameSimpleNode{14, 8})); // none free: its own tile
    ObjectOven oven(&host);
    oven.SetTiles({5, 5}, {5, 5}); // up, right, down, left: first strictly cheaper
    EXPECT_EQ(oven.GetApproachTile({5, 0}), (GameSimpleNode{5, 4}));
    EXPECT_EQ(oven.GetApproachTile({9, 5}), (GameSimpleNode{6, 5}));
}

TEST_F(Kitchen, TrashThrowsTheTopItemAway)
{
    ObjectTrash trash(&host);
    EXPECT_TRUE(trash.TakesFromTray());
    EXPECT_FALSE(trash.GivesToTray());
    ClickThere(trash);
    EXPECT_EQ(host.SoundCount(SOUND_THUD), 1);
    host.mTray.Push(Item(ITEM_BASIL));
    host.mTray.Push(Item(ITEM_ONIONS));
    ClickThere(trash);
    EXPECT_EQ(Codes(ITEM_ONIONS), 0);
    EXPECT_EQ(Codes(ITEM_BASIL), 1);
    trash.MouseUpButton(0, 0, 1, 1);
    EXPECT_EQ(host.SoundCount(SOUND_THUD), 2);
    EXPECT_EQ(host.mTray.GetCount(), 1);
}

TEST_F(Kitchen, ChairInsetAwayFromItsTableAndKeepsItsCustomer)
{
    ObjectChair chair(&host);
    chair.Resize(0, 0, 50, 50);
    chair.SetTiles({2, 1}, {2, 0}); // table below, access above
    EXPECT_EQ(chair.InsetRect(), Rect(4, 0, 42, 42));
    chair.SetTiles({3, 2}, {4, 2});
    EXPECT_EQ(chair.InsetRect(), Rect(8, 4, 42, 42));
    RecordingImage image;
    Graphics g(&image);
    chair.Draw(&g);
    EXPECT_EQ(image.mCalls.front(), "fill 8,4,42,42 0,127,255,255");

    Widget customer;
    host.mManager.AddWidget(&chair);
    chair.AddWidget(&customer);
    EXPECT_EQ(chair.GetCustomer(), &customer);
    host.mManager.RemoveWidget(&chair);
    EXPECT_EQ(chair.GetCustomer(), nullptr);
    EXPECT_EQ(customer.mParent, nullptr);
}

TEST_F(Kitchen, FactoryMakesObjectsByCode)
{
    GameObjectFactory factory(&host, nullptr);
    const std::pair<int, const char*> kinds[] = {{OBJECT_OVEN, "Oven"},
                                                 {OBJECT_PREP_TABLE, "Prep Table"},
                                                 {OBJECT_CHAIR, "Chair"},
                                                 {OBJECT_FRIDGE, "Fridge"},
                                                 {OBJECT_TRASH, "Trash Can"}};
    for (auto [code, name] : kinds)
    {
        std::unique_ptr<GameObject> object(factory.Create(code));
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(object->GetCode(), code);
        EXPECT_EQ(object->GetName(), name);
    }
    EXPECT_EQ(factory.Create(0), nullptr);
    EXPECT_EQ(factory.Create(7), nullptr);
    EXPECT_EQ(factory.Create(65535), nullptr);
}

TEST_F(Kitchen, HoverWithTheRealWidgetManagerSettles)
{
    ObjectPrepTable table(&host);
    table.Resize(625, 175, 50, 50);
    host.mManager.AddWidget(&table);
    Selector* selector = table.GetSelector();
    host.mManager.MouseMove(650, 200); // the middle of the table, under the entries' row
    EXPECT_TRUE(selector->mVisible);
    host.mManager.MouseMove(640, 180); // onto the middle entry
    EXPECT_TRUE(selector->mVisible);
    EXPECT_EQ(selector->GetName(), "Cipolla");
    host.mManager.MouseMove(100, 400); // away
    EXPECT_FALSE(selector->mVisible);
    host.mManager.RemoveWidget(&table);
}

TEST_F(Kitchen, PickingAtTheFridgeThroughTheWidgetManagerSendsTheCook)
{
    ObjectFridge fridge(&host);
    fridge.Resize(650, 75, 50, 50);
    fridge.SetTiles({13, 1}, {13, 2});
    host.mManager.AddWidget(&fridge);
    Selector* selector = fridge.GetSelector();
    host.mManager.MouseMove(700, 100);
    ASSERT_TRUE(selector->mVisible);
    EXPECT_EQ(fridge.GetCurrentColor(), Color(255, 255, 255, 127));
    // Six entries, 180 wide, centred on the 150-wide fridge: the fourth starts at 675.
    SelectorItem* onions = selector->GetItems()[3];
    EXPECT_EQ(onions->mX, 675);
    host.mManager.MouseMove(680, onions->mY + 5);
    EXPECT_EQ(selector->GetName(), "Onions");
    host.mManager.MouseDown(680, onions->mY + 5, 1);
    host.mManager.MouseUp(680, onions->mY + 5, 1);
    EXPECT_EQ(fridge.GetSelection(), ITEM_ONIONS);
    ASSERT_EQ(host.mWalks.size(), 1u);
    EXPECT_EQ(host.mWalks[0], &fridge);
    host.mManager.MouseMove(100, 400);
    EXPECT_FALSE(selector->mVisible);
    EXPECT_EQ(fridge.GetCurrentColor(), Color(0, 0, 0, 0));
    host.mManager.RemoveWidget(&fridge);
}
