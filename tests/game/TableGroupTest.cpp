#include "FakeGameHost.h"
#include "ScriptedRandom.h"

#include "game/src/Customer.h"
#include "game/src/GameObjectFactory.h"
#include "game/src/ItemCodes.h"
#include "game/src/ObjectChair.h"
#include "game/src/ObjectTable.h"
#include "game/src/PopupMsg.h"
#include "game/src/TObject.h"
#include "game/src/TableGroup.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>

using namespace Lumo;
using namespace Lumo::TableRules;

namespace
{

// The play screen's side of a table: level, happiness, scripted random values and
// the customer list, whose removed members go to the deferred deletions.
class FakeTableHost : public TableHost
{
public:
    explicit FakeTableHost(FakeGameHost* host) : mHost(host) {}
    ~FakeTableHost() override
    {
        for (Customer* customer : mCustomers)
            delete customer;
    }
    int GetLevel() override { return mLevel; }
    void AddHappiness(int delta) override { mHappiness += delta; }
    uint32_t Random() override { return NextScripted(mRandom); }
    bool RemoveCustomer(Customer* customer) override
    {
        auto it = std::find(mCustomers.begin(), mCustomers.end(), customer);
        if (it == mCustomers.end())
            return false;
        mCustomers.erase(it);
        mHost->DeferWidgetDeletion(customer);
        return true;
    }

    FakeGameHost* mHost;
    int mLevel = 0;
    int mHappiness = 100;
    std::deque<uint32_t> mRandom;
    std::vector<Customer*> mCustomers;
};

// A table widget that hands the cook's click to its group, as the table object does.
class ClickTable : public Widget
{
public:
    TableGroup* mGroup = nullptr;
    Tray* mTray = nullptr;
    void MouseUpButton(int, int, int, int) override { mGroup->Interact(mTray); }
};

class TableGroupTest : public ::testing::Test
{
protected:
    TableGroupTest()
    {
        // Stand-in pictures: bubbles show them, nothing here draws them.
        for (int code = kFirstPizzaCode; code < kFirstPizzaCode + kPizzaCount; code++)
            host.mPictures[GetItemInfo(code)->mPicture] = reinterpret_cast<Image*>(uintptr_t(0x200 + code));
        group.SetPosition(125, 125);
        const int chairPos[4][2] = {{125, 75}, {175, 125}, {125, 175}, {75, 125}};
        for (int side = 0; side < 4; side++)
        {
            chairs[side].Resize(chairPos[side][0], chairPos[side][1], 50, 50);
            group.SetChair(side, &chairs[side]);
        }
        group.SetState(STATE_EMPTY);
    }
    ~TableGroupTest() override
    {
        // Popups take themselves off the screen into the deferred deletions.
        while (!host.mManager.mChildren.empty())
            host.mManager.RemoveWidget(host.mManager.mChildren.front());
    }

    Customer* NewCustomer(int look)
    {
        Customer* customer = new Customer(&host, look);
        customer->mTable = &table;
        rules.mCustomers.push_back(customer);
        return customer;
    }
    // Seats a group of looks; random values: the choosing countdown, then one per order.
    void SeatGroup(std::vector<int> looks)
    {
        group.ReserveFor(int(looks.size()));
        for (int look : looks)
            group.SeatCustomer(NewCustomer(look));
    }
    void RunToOrders(std::vector<uint32_t> choices)
    {
        for (uint32_t c : choices)
            rules.mRandom.push_back(c);
        while (group.GetState() == STATE_CHOOSING)
            group.Update();
    }
    std::vector<PopupMsg*> Popups()
    {
        std::vector<PopupMsg*> popups;
        for (Widget* widget : host.mManager.mChildren)
            if (auto* popup = dynamic_cast<PopupMsg*>(widget))
                popups.push_back(popup);
        return popups;
    }
    PopupMsg* LastPopup()
    {
        auto popups = Popups();
        return popups.empty() ? nullptr : popups.back();
    }
    TObject* CookedPizza(int code)
    {
        TObject* pizza = host.mItems.Create(code);
        pizza->mCooked = 1;
        return pizza;
    }

    FakeGameHost host;
    FakeTableHost rules{&host};
    ClickTable table;
    Widget chairs[4];
    TableGroup group{&host, &rules};
};

} // namespace

TEST(Customer, LooksWeightsAndPictures)
{
    FakeGameHost host;
    Image* pictures[4];
    for (int side = 0; side < 4; side++)
    {
        pictures[side] = reinterpret_cast<Image*>(uintptr_t(0x100 + side));
        host.mPictures["gfx/customer/3/cust" + std::to_string(side)] = pictures[side];
    }
    Customer customer(&host, 2);
    EXPECT_EQ(customer.mWidth, 50);
    EXPECT_EQ(customer.mWeights[0], 10);
    EXPECT_EQ(customer.mWeights[2], 40);
    EXPECT_EQ(customer.ChooseOrder(0), 0);  // r = 1
    EXPECT_EQ(customer.ChooseOrder(10), 2); // r = 11: the Margherita's 10 is passed
    EXPECT_EQ(customer.ChooseOrder(99), 4);
    customer.SetSide(3);
    EXPECT_EQ(customer.GetPicture(), pictures[3]);
    customer.SetSide(7); // no such side: unchanged
    EXPECT_EQ(customer.GetPicture(), pictures[3]);
    EXPECT_EQ(Customer(&host, 7).GetLook(), 2);
}

TEST_F(TableGroupTest, AGroupSitsDownAndChooses)
{
    EXPECT_EQ(group.GetSeats().mFreeSeats, 4);
    rules.mRandom = {100};
    SeatGroup({0, 1});
    EXPECT_EQ(group.GetState(), STATE_CHOOSING);
    EXPECT_EQ(group.GetCountdown(), 300);
    EXPECT_EQ(group.GetSeats().mFreeSeats, 0);
    EXPECT_FALSE(group.TakesFromTray());
    EXPECT_TRUE(group.IsChoosing(3));
    EXPECT_EQ(group.GetCustomer(0)->mParent, &chairs[0]);
    EXPECT_EQ(group.GetCustomer(1)->mParent, &chairs[1]);
    EXPECT_EQ(group.GetCustomer(2), nullptr);

    // 300 ticks down, then the orders: look 0 with r = 41 takes the Marinara, look 1 with
    // r = 100 the Viennese. The wait starts at 0 and counts that very tick.
    RunToOrders({40, 99});
    EXPECT_EQ(group.GetState(), STATE_WAITING);
    EXPECT_EQ(group.GetCurrentWait(), 1);
    EXPECT_TRUE(group.TakesFromTray());
    EXPECT_FALSE(group.GivesToTray());
    EXPECT_FALSE(group.IsChoosing(0));
    ASSERT_NE(group.GetOrder(), nullptr);
    EXPECT_EQ(group.GetOrder()->mCode, ITEM_ORDER);
    EXPECT_EQ(group.GetOrder()->mList, (std::vector<uint16_t>{ITEM_MARINARA, ITEM_VIENNESE}));
    EXPECT_EQ(group.GetSeatItem(1)->mCode, ITEM_VIENNESE);
    auto popups = Popups();
    ASSERT_EQ(popups.size(), 2u);
    EXPECT_EQ(popups[0]->mLines[0].mText, "Marinara");
    EXPECT_EQ(popups[0]->mLines[0].mColor.ToARGB(), Color(0, 160, 160).ToARGB());
    EXPECT_EQ(popups[1]->mLines[0].mText, "Viennese");
    EXPECT_EQ(popups[1]->mLines[0].mColor.ToARGB(), Color(160, 0, 0).ToARGB());
    EXPECT_EQ(popups[1]->mX, 175 + 25 - 50); // bottom centre at the chair + (25, 5)
    EXPECT_EQ(group.GetCustomer(0)->GetBubble(), group.GetSeatItem(0)->mImage);
}

TEST_F(TableGroupTest, HurryUpOnlyWhileWaitingForPizzas)
{
    SeatGroup({0});
    RunToOrders({0});
    group.SetWaits(1000, 3499);
    group.Update(); // 4500
    ASSERT_EQ(host.SoundCount(8), 1);
    EXPECT_EQ(LastPopup()->mLines[0].mText, "Hurry Up!");
    group.Update();
    EXPECT_EQ(host.SoundCount(8), 1);

    // Eating after a total wait of 4501: the current wait is -1 on every tick, no call.
    TObject* pizza = CookedPizza(ITEM_MARGHERITA);
    host.mTray.Push(pizza);
    group.SetWaits(4501, 0);
    EXPECT_TRUE(group.Interact(&host.mTray));
    EXPECT_EQ(group.GetState(), STATE_EATING);
    EXPECT_EQ(group.GetTotalWait(), 4501);
    for (int tick = 0; tick < 50; tick++)
        group.Update();
    EXPECT_EQ(host.SoundCount(8), 1);
}

TEST_F(TableGroupTest, HaltedOrPausedTablesStandStill)
{
    SeatGroup({0});
    const int countdown = group.GetCountdown();
    host.mHalted = true;
    group.Update();
    host.mHalted = false;
    host.mPaused = true;
    group.Update();
    EXPECT_EQ(group.GetCountdown(), countdown);
}

TEST_F(TableGroupTest, AGroupThatWaitedTooLongWalksOut)
{
    rules.mLevel = 2;
    SeatGroup({0, 0, 0});
    RunToOrders({0, 0, 0});
    group.SetWaits(0, 5999);
    group.Update();
    EXPECT_EQ(group.GetState(), STATE_WAITING);
    Customer* first = group.GetCustomer(0);
    group.Update(); // 6001
    EXPECT_EQ(group.GetState(), STATE_EMPTY);
    EXPECT_EQ(rules.mHappiness, 100 - 70); // trunc(-30 * 2.3333333)
    EXPECT_EQ(LastPopup()->mLines[0].mText, "- 70");
    EXPECT_EQ(host.SoundCount(6), 1);
    EXPECT_TRUE(rules.mCustomers.empty());
    EXPECT_EQ(std::count(host.mDeferred.begin(), host.mDeferred.end(), first), 1);
    EXPECT_TRUE(chairs[0].mChildren.empty());
    EXPECT_EQ(group.GetSeats().mFreeSeats, 4);
    EXPECT_EQ(group.GetSeats().mGroupSize, 0);
    EXPECT_EQ(group.GetOrder(), nullptr);
}

TEST_F(TableGroupTest, ServingBonusComboAndUncookedPizzas)
{
    rules.mLevel = 1;
    SeatGroup({0, 0, 0});
    RunToOrders({0, 40, 70}); // Margherita, Marinara, Cipolla
    group.SetWaits(0, 500);

    // A raw Marinara costs trunc(1.5) = 1 and serves nothing.
    TObject* raw = host.mItems.Create(ITEM_MARINARA);
    host.mTray.Push(raw);
    EXPECT_FALSE(group.Interact(&host.mTray));
    EXPECT_EQ(rules.mHappiness, 99);
    EXPECT_EQ(LastPopup()->mLines[0].mText, "Not Cooked!");
    EXPECT_EQ(LastPopup()->mLines[1].mText, "- 1");
    EXPECT_EQ(host.SoundCount(10), 1);
    host.mTray.Remove(raw);
    delete raw;

    // Two cooked pizzas at once: bonus trunc((3000 - 500) / 500 * 2 * 1.5) = 15, points
    // 1 + 3, combo trunc(trunc(4 * 2 / 2) * 1.5) = 6.
    host.mTray.Push(CookedPizza(ITEM_MARGHERITA));
    host.mTray.Push(CookedPizza(ITEM_MARINARA));
    host.mTray.Push(host.mItems.Create(ITEM_BASIL));
    EXPECT_TRUE(group.Interact(&host.mTray));
    EXPECT_EQ(host.mTray.GetCount(), 1);
    EXPECT_EQ(group.GetServed(), 2);
    EXPECT_EQ(rules.mHappiness, 99 + 15 + 6);
    EXPECT_EQ(LastPopup()->mLines[0].mText, "+ 15");
    EXPECT_EQ(LastPopup()->mLines[1].mText, "+ 6");
    EXPECT_EQ(host.SoundCount(1), 1);
    EXPECT_TRUE(group.IsEating(1));
    EXPECT_EQ(group.GetCustomer(1)->GetBubble(), nullptr);
    EXPECT_NE(group.GetCustomer(2)->GetBubble(), nullptr);
    EXPECT_EQ(group.GetState(), STATE_WAITING);

    // A cooked pizza for a served seat only is left on the tray; the last one after a
    // long wait has a negative bonus: trunc(-1000 / 500 * 1 * 1.5) = -3, no combo.
    host.mTray.Push(CookedPizza(ITEM_MARGHERITA));
    group.SetWaits(0, 4000);
    EXPECT_FALSE(group.Interact(&host.mTray));
    host.mTray.Push(CookedPizza(ITEM_CIPOLLA));
    rules.mRandom = {200};
    EXPECT_TRUE(group.Interact(&host.mTray));
    EXPECT_EQ(rules.mHappiness, 120 - 3);
    EXPECT_EQ(LastPopup()->mLines[0].mText, "- 3");
    EXPECT_EQ(LastPopup()->mLines[1].mText, "");
    EXPECT_EQ(host.mTray.GetCount(), 2);
    EXPECT_EQ(group.GetState(), STATE_EATING);
    EXPECT_EQ(group.GetTotalWait(), 4000);
    EXPECT_EQ(group.GetCountdown(), 1100);
    EXPECT_FALSE(group.TakesFromTray());
}

TEST_F(TableGroupTest, ABonusOfZeroCountsAsOne)
{
    SeatGroup({0});
    RunToOrders({0});
    group.SetWaits(0, 3000);
    host.mTray.Push(CookedPizza(ITEM_MARGHERITA));
    EXPECT_TRUE(group.Interact(&host.mTray));
    EXPECT_EQ(rules.mHappiness, 101);
}

TEST_F(TableGroupTest, EatingThenTheCheckThenPayment)
{
    rules.mLevel = 1;
    SeatGroup({0, 0});
    RunToOrders({0, 40}); // Margherita, Marinara
    group.SetWaits(0, 1000);
    host.mTray.Push(CookedPizza(ITEM_MARGHERITA));
    host.mTray.Push(CookedPizza(ITEM_MARINARA));
    rules.mRandom = {0};
    ASSERT_TRUE(group.Interact(&host.mTray));
    ASSERT_EQ(group.GetState(), STATE_EATING);
    const int happiness = rules.mHappiness;
    while (group.GetState() == STATE_EATING)
        group.Update();
    EXPECT_EQ(group.GetState(), STATE_PAYING);
    EXPECT_TRUE(group.IsFinished(0));
    EXPECT_FALSE(group.IsEating(0));
    EXPECT_EQ(LastPopup()->mLines[0].mText, "Check Please!");
    EXPECT_EQ(host.SoundCount(12), 1);
    // Waiting to pay does not count towards leaving.
    group.SetWaits(7000, -1);
    group.Update();
    EXPECT_EQ(group.GetState(), STATE_PAYING);

    // Paying: W = trunc(1000 / 400) = 2, t = 13 / 3, p = 4; sum = (3 + 8) + (9 + 24) = 44;
    // gain = trunc(1.3333334 * 44) = 58, money + 2 * 58; happy = trunc(4.333 * 1.5) = 6.
    // The customer whose click pays is freed only after that click.
    group.SetWaits(1000, -1);
    table.mGroup = &group;
    table.mTray = &host.mTray;
    Customer* payer = group.GetCustomer(1);
    payer->MouseUpButton(10, 10, 0, 1);
    EXPECT_EQ(group.GetState(), STATE_EMPTY);
    EXPECT_EQ(host.mMoney, 10 + 116);
    EXPECT_EQ(rules.mHappiness, happiness + 6);
    EXPECT_EQ(LastPopup()->mLines[0].mText, "+ 6");
    EXPECT_EQ(LastPopup()->mLines[1].mText, "+ 58");
    ASSERT_GE(host.mSounds.size(), 2u);
    EXPECT_EQ(host.mSounds[host.mSounds.size() - 2], 2);
    EXPECT_EQ(host.mSounds.back(), 0);
    EXPECT_EQ(std::count(host.mDeferred.begin(), host.mDeferred.end(), payer), 1);
    EXPECT_TRUE(rules.mCustomers.empty());
}

TEST_F(TableGroupTest, RightClickThudsAndPassingStatesAdvance)
{
    EXPECT_FALSE(group.Interact(nullptr));
    EXPECT_EQ(host.SoundCount(10), 1);
    EXPECT_FALSE(group.Interact(&host.mTray)); // empty table, empty tray
    EXPECT_EQ(group.GetState(), STATE_EMPTY);
    group.SetState(STATE_ORDERED);
    EXPECT_TRUE(group.GivesToTray());
    EXPECT_EQ(group.GiveItem(), nullptr);
    EXPECT_EQ(group.GetState(), STATE_WAITING);
}

TEST_F(TableGroupTest, OnlyFreeChairsTakeCustomers)
{
    group.SetChair(0, nullptr);
    EXPECT_EQ(group.GetSeats().mFreeSeats, 3);
    SeatGroup({0, 0, 0});
    EXPECT_EQ(group.GetCustomer(0), nullptr);
    EXPECT_NE(group.GetCustomer(3), nullptr);
    EXPECT_EQ(group.SeatCustomer(NewCustomer(1)), -1);
}

TEST(ObjectTable, TheObjectFactoryMakesTablesPlayingByTheRules)
{
    FakeGameHost host;
    FakeTableHost rules(&host);
    GameObjectFactory factory(&host, &rules);
    std::unique_ptr<GameObject> object(factory.Create(OBJECT_TABLE));
    auto* table = dynamic_cast<ObjectTable*>(object.get());
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->GetCode(), OBJECT_TABLE);
    rules.mRandom = {7};
    table->SetState(STATE_CHOOSING); // its countdown draws from the rules' chance
    EXPECT_TRUE(rules.mRandom.empty());
}

TEST(ObjectTable, ChairsAroundItAndTheCookAtADiagonal)
{
    FakeGameHost host;
    FakeTableHost rules(&host);
    {
        ObjectTable table(&host, &rules, "Table 2");
        EXPECT_EQ(table.GetCode(), OBJECT_TABLE);
        EXPECT_EQ(table.GetName(), "Table 2");
        table.Resize(375, 125, 50, 50);
        table.SetTiles({7, 2}, {7, 2});
        for (int side = 0; side < 4; side++)
            table.AddChair(side);
        EXPECT_EQ(table.GetGroup().GetFreeSeats(), 4);
        EXPECT_EQ(table.GetChair(1)->mX, 425);
        EXPECT_EQ(table.GetChair(2)->mY, 175);
        EXPECT_EQ(table.GetChair(3)->GetAccessTile(), (GameSimpleNode{7, 2}));
        EXPECT_TRUE(host.mGrid.IsBlocked({7, 2}));
        EXPECT_TRUE(host.mGrid.IsBlocked({7, 1}));
        EXPECT_TRUE(host.mGrid.IsBlocked({6, 2}));
        EXPECT_EQ(table.GetChair(0)->mManager, &host.mManager);
        // From the right, the up-right diagonal is nearest.
        EXPECT_EQ(table.GetApproachTile({10, 1}), (GameSimpleNode{8, 1}));
        EXPECT_EQ(table.GetApproachTile({2, 5}), (GameSimpleNode{6, 3}));
        table.RemoveChair(3);
        EXPECT_FALSE(host.mGrid.IsBlocked({6, 2}));
        EXPECT_EQ(table.GetGroup().GetFreeSeats(), 3);

        // The group's states set the tray flags of the object.
        table.SetState(STATE_EMPTY);
        Customer* customer = new Customer(&host, 0);
        customer->mTable = &table;
        rules.mCustomers.push_back(customer);
        table.GetGroup().ReserveFor(1);
        EXPECT_EQ(table.SeatCustomer(customer), 0);
        EXPECT_EQ(customer->mParent, table.GetChair(0));
        EXPECT_FALSE(table.TakesFromTray());
        table.GetGroup().SetState(STATE_PAYING);
        table.Update();
        EXPECT_TRUE(table.TakesFromTray());
        EXPECT_FALSE(table.GivesToTray());

        // The cook arrives and is clicked through the customer: the table is paid.
        table.mArrived = true;
        host.mMoney = 0;
        customer->MouseUpButton(5, 5, 0, 1);
        EXPECT_EQ(table.GetGroup().GetState(), STATE_EMPTY);
        EXPECT_EQ(host.mMoney, 0);        // no order: nothing to charge
        EXPECT_EQ(rules.mHappiness, 102); // trunc(5 * 0.5)
        EXPECT_EQ(std::count(host.mDeferred.begin(), host.mDeferred.end(), customer), 1);

        host.mManager.RemoveWidget(&table);
        host.mManager.AddWidget(&table);
        host.mManager.RemoveWidget(&table);
        EXPECT_EQ(table.GetChair(0)->mManager, nullptr);
    }
    while (!host.mManager.mChildren.empty())
        host.mManager.RemoveWidget(host.mManager.mChildren.front());
}
