#include "game/src/ItemCodes.h"
#include "game/src/TableRules.h"

#include <gtest/gtest.h>

using namespace Lumo;
using namespace Lumo::TableRules;

TEST(TableRules, OrderChoiceWeights)
{
    for (const auto& weights : kPreferenceWeights)
    {
        int sum = 0;
        for (int16_t w : weights)
            sum += w;
        EXPECT_EQ(sum, 100);
    }
    const int16_t* look0 = kPreferenceWeights[0];
    EXPECT_EQ(ChooseOrder(look0, 0), 0);  // r = 1
    EXPECT_EQ(ChooseOrder(look0, 39), 0); // r = 40
    EXPECT_EQ(ChooseOrder(look0, 40), 1);
    EXPECT_EQ(ChooseOrder(look0, 89), 2);
    EXPECT_EQ(ChooseOrder(look0, 99), 3);                // r = 100: look 0 never takes the Viennese
    EXPECT_EQ(ChooseOrder(look0, 139), 0);               // modulo 100
    EXPECT_EQ(ChooseOrder(kPreferenceWeights[1], 0), 1); // a weight of 0 is skipped
    EXPECT_EQ(ChooseOrder(kPreferenceWeights[4], 99), 4);
    EXPECT_EQ(ChooseOrder(kPreferenceWeights[3], 29), 1);
    const int16_t none[5] = {0, 0, 0, 0, 0};
    EXPECT_EQ(ChooseOrder(none, 50), 0);

    // Each look's choices over every r follow its weights.
    for (int look = 0; look < kLookCount; look++)
    {
        int counts[5] = {};
        for (uint32_t r = 0; r < 100; r++)
            counts[ChooseOrder(kPreferenceWeights[look], r)]++;
        for (int i = 0; i < 5; i++)
            EXPECT_EQ(counts[i], kPreferenceWeights[look][i]) << look << " " << i;
    }
}

TEST(TableRules, CountdownsAndGroups)
{
    EXPECT_EQ(ChoosingCountdown(0), 200);
    EXPECT_EQ(ChoosingCountdown(100), 300);
    EXPECT_EQ(ChoosingCountdown(101), 200);
    EXPECT_EQ(EatingCountdown(200), 1100);
    EXPECT_EQ(EatingCountdown(201), 900);
    EXPECT_EQ(GroupSize(0), 1);
    EXPECT_EQ(GroupSize(3), 4);
    EXPECT_EQ(GroupSize(4), 1);

    // Only an empty table takes a group, tried circularly from the start.
    std::vector<TableSeats> tables = {{0, 3}, {4, 0}, {0, 2}, {0, 1}};
    EXPECT_EQ(PickTable(tables, 2, 4), 1);
    EXPECT_EQ(PickTable(tables, 1, 1), 1);
    tables[1] = {0, 4};
    EXPECT_EQ(PickTable(tables, 0, 1), -1);
    EXPECT_EQ(PickTable({}, 0, 1), -1);
    tables[3] = {4, 0};
    EXPECT_EQ(PickTable(tables, 0, 2), 3);
}

TEST(TableRules, PatienceHurryAndWalkOut)
{
    EXPECT_TRUE(IsHurryUpTick(STATE_WAITING, 0, 4500));
    EXPECT_TRUE(IsHurryUpTick(STATE_WAITING, 1000, 3500));
    EXPECT_FALSE(IsHurryUpTick(STATE_WAITING, 0, 4499));
    EXPECT_FALSE(IsHurryUpTick(STATE_WAITING, 0, 4501));
    // A group eating after a total wait of 4501 does not hear it on every tick.
    EXPECT_FALSE(IsHurryUpTick(STATE_EATING, 4501, -1));

    EXPECT_FALSE(WalksOut(STATE_WAITING, 0, 6000));
    EXPECT_TRUE(WalksOut(STATE_WAITING, 0, 6001));
    EXPECT_TRUE(WalksOut(STATE_WAITING, 2000, 4001));
    EXPECT_FALSE(WalksOut(STATE_PAYING, 7000, 0));

    EXPECT_EQ(WalkOutLoss(1, 3, 0), -6); // -20 * 0.33333334
    EXPECT_EQ(WalkOutLoss(0, 4, 2), -93);
    EXPECT_EQ(WalkOutLoss(0, 1, 0), -3);
    EXPECT_EQ(WalkOutLoss(2, 2, 5), 0);
}

TEST(TableRules, ServingBonusComboAndPenalty)
{
    EXPECT_EQ(ServingPoints(ITEM_MARGHERITA), 1);
    EXPECT_EQ(ServingPoints(ITEM_MARINARA), 3);
    EXPECT_EQ(ServingPoints(ITEM_CIPOLLA), 1);
    EXPECT_EQ(ServingPoints(ITEM_NAPOLETANA), 2);
    EXPECT_EQ(ServingPoints(ITEM_VIENNESE), 2);
    EXPECT_EQ(ServingPoints(ITEM_BASIL), 0);

    EXPECT_EQ(ServingBonus(0, 1, 0), 3);
    EXPECT_EQ(ServingBonus(1234, 3, 2), 26); // 3.532 * 3 * 2.5 = 26.49
    EXPECT_EQ(ServingBonus(3000, 1, 4), 1);  // exactly 0 counts as 1
    EXPECT_EQ(ServingBonus(2999, 1, 0), 1);  // truncated to 0: 1
    EXPECT_EQ(ServingBonus(3500, 2, 1), -3); // late: negative
    EXPECT_EQ(ServingBonus(3600, 1, 0), 1);  // -0.6 truncates to 0, which counts as 1
    EXPECT_EQ(ServingBonus(3600, 1, 1), -1); // -1.8
    EXPECT_EQ(ComboBonus(1, 1, 3), 0);
    EXPECT_EQ(ComboBonus(3, 1, 3), 0); // one pizza is no combo, whatever its points
    EXPECT_EQ(ComboBonus(0, 3, 3), 0);
    EXPECT_EQ(ComboBonus(4, 2, 0), 2);
    EXPECT_EQ(ComboBonus(3, 2, 1), 4);   // 3 * 1.5 = 4.5
    EXPECT_EQ(ComboBonus(5, 3, 0), 3);   // 15 / 2 = 7 before the level factor
    EXPECT_EQ(ComboBonus(8, 4, 9), 152); // 16 * 9.5

    EXPECT_EQ(NotCookedPenalty(0), 1);
    EXPECT_EQ(NotCookedPenalty(1), 1);
    EXPECT_EQ(NotCookedPenalty(3), 3);
}

TEST(TableRules, Payment)
{
    Payment quick = ComputePayment(0, {ITEM_MARGHERITA}, 0); // p = 5: 13
    EXPECT_EQ(quick.mGain, 4);
    EXPECT_EQ(quick.mMoney, 4);
    EXPECT_EQ(quick.mHappiness, 2);

    Payment mixed = ComputePayment(1000, {ITEM_MARINARA, ITEM_NAPOLETANA}, 2); // W 2, p 4: 33 + 22
    EXPECT_EQ(mixed.mGain, 128);
    EXPECT_EQ(mixed.mMoney, 3 * 128);
    EXPECT_EQ(mixed.mHappiness, 10);

    // 6000 ticks in all: only the base amounts and exactly 1 happiness.
    Payment slow = ComputePayment(6000, {ITEM_CIPOLLA}, 0);
    EXPECT_EQ(slow.mGain, 1);
    EXPECT_EQ(slow.mMoney, 1);
    EXPECT_EQ(slow.mHappiness, 1);

    Payment late = ComputePayment(8000, {ITEM_VIENNESE}, 1); // t = -5/3
    EXPECT_EQ(late.mGain, 8);
    EXPECT_EQ(late.mMoney, 16);
    EXPECT_EQ(late.mHappiness, -2);

    Payment nothing = ComputePayment(0, {}, 3);
    EXPECT_EQ(nothing.mGain, 0);
    EXPECT_EQ(nothing.mMoney, 0);
    EXPECT_EQ(nothing.mHappiness, 17); // 5 * 3.5

    // W is whole 400-tick steps: 399 still pays as 0.
    EXPECT_EQ(ComputePayment(399, {ITEM_MARGHERITA}, 0).mGain, 4);
    EXPECT_EQ(ComputePayment(400, {ITEM_MARGHERITA}, 0).mGain, 3); // p = 4: 11 / 3
}

TEST(TableRules, OrderPopupColour)
{
    EXPECT_EQ(OrderPopupColor(Color(0, 255, 0)), Color(0, 160, 0));
    EXPECT_EQ(OrderPopupColor(Color(255, 0, 255, 200)), Color(160, 0, 160, 200));
}
