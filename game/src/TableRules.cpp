#include "game/src/TableRules.h"

#include "game/src/ItemCodes.h"

#include <algorithm>

namespace Lumo
{

namespace TableRules
{

const int16_t kPreferenceWeights[kLookCount][5] = {
    {40, 30, 20, 10, 0}, {0, 40, 30, 20, 10}, {10, 0, 40, 30, 20}, {20, 10, 0, 40, 30}, {30, 20, 10, 0, 40},
};

int ChooseOrder(const int16_t* weights, uint32_t random)
{
    const int r = int(random % 100) + 1;
    int sum = 0;
    for (int i = 0; i < 5; i++)
    {
        sum += weights[i];
        if (sum >= r)
            return i;
    }
    return 0;
}

int ChoosingCountdown(uint32_t random)
{
    return 200 + int(random % 101);
}

int EatingCountdown(uint32_t random)
{
    return 900 + int(random % 201);
}

int PickTable(const std::vector<TableSeats>& tables, int start, int groupSize)
{
    const int count = int(tables.size());
    if (count == 0)
        return -1;
    for (int tried = 0; tried < count; tried++)
    {
        const int index = ((start + tried) % count + count) % count;
        if (tables[index].mFreeSeats - tables[index].mGroupSize >= groupSize)
            return index;
    }
    return -1;
}

bool IsHurryUpTick(int state, int totalWait, int currentWait)
{
    return state == STATE_WAITING && totalWait + currentWait == kHurryUpWait;
}

bool WalksOut(int state, int totalWait, int currentWait)
{
    return state != STATE_PAYING && totalWait + currentWait >= kWalkOutWait;
}

int WalkOutLoss(int served, int groupSize, int level)
{
    return int(double((served - groupSize) * 10) * (level + kThird));
}

int ServingPoints(int pizzaCode)
{
    switch (pizzaCode)
    {
    case ITEM_MARGHERITA:
    case ITEM_CIPOLLA:
        return 1;
    case ITEM_MARINARA:
        return 3;
    case ITEM_NAPOLETANA:
    case ITEM_VIENNESE:
        return 2;
    default:
        return 0;
    }
}

namespace
{
// Results of 0 count as 1, so every event is felt.
int AtLeastOne(int value)
{
    return value == 0 ? 1 : value;
}
} // namespace

int ServingBonus(int currentWait, int servedNow, int level)
{
    return AtLeastOne(int((3000.0 - currentWait) / 100.0 / 5.0 * servedNow * (level + 0.5)));
}

int ComboBonus(int points, int servedNow, int level)
{
    if (points < 1 || servedNow < 2)
        return 0;
    return int((points * servedNow / 2) * (level + 0.5));
}

int NotCookedPenalty(int level)
{
    return AtLeastOne(int(level + 0.5));
}

Payment ComputePayment(int totalWait, const std::vector<uint16_t>& order, int level)
{
    const int w = int(totalWait / 400.0);
    const double t = (15.0 - w) / 3.0;
    const int p = std::max(0, int(t));
    int sum = 0;
    // Each pizza pays its serving points times 3 + 2p: 3 + 2p, 9 + 6p or 6 + 4p.
    for (uint16_t code : order)
        sum += ServingPoints(code) * (3 + 2 * p);
    Payment payment;
    payment.mGain = int((level + kThird) * sum);
    if (payment.mGain > 0)
        payment.mMoney = (level + 1) * payment.mGain;
    else
        payment.mGain = 0;
    payment.mHappiness = AtLeastOne(int(t * (level + 0.5)));
    return payment;
}

Color OrderPopupColor(const Color& pizzaColor)
{
    return Color(std::max(0, pizzaColor.mRed - 95), std::max(0, pizzaColor.mGreen - 95),
                 std::max(0, pizzaColor.mBlue - 95), pizzaColor.mAlpha);
}

} // namespace TableRules

} // namespace Lumo
