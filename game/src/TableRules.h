// The formulas of the customers' visit: what they order, how long they choose and
// eat, when they complain or leave, and what serving and paying bring. L is the
// 0-based level; random values come from the framework's Rand().
#pragma once

#include "graphics/Color.h"

#include <cstdint>
#include <vector>

namespace Lumo
{

namespace TableRules
{

constexpr int kLookCount = 5;
constexpr int kSeatCount = 4;
// A third, as the single-precision value the money and walk-out formulas use.
constexpr double kThird = 0.3333333432674408;
constexpr int kHurryUpWait = 4500;
constexpr int kWalkOutWait = 6001;
// Table states.
enum State
{
    STATE_EMPTY = 0,
    STATE_SEATED = 1,
    STATE_CHOOSING = 2,
    STATE_ORDERED = 3,
    STATE_WAITING = 4,
    STATE_EATING = 5,
    STATE_FINISHED = 6,
    STATE_PAYING = 7,
};

// How much each look of customer likes the five pizzas, Margherita first; each row sums to 100.
extern const int16_t kPreferenceWeights[kLookCount][5];

// Index 0-4 of the chosen pizza: the first whose running weight reaches Rand() % 100 + 1.
int ChooseOrder(const int16_t* weights, uint32_t random);
inline int GroupSize(uint32_t random)
{
    return int(random % 4) + 1;
}
int ChoosingCountdown(uint32_t random);
int EatingCountdown(uint32_t random);

struct TableSeats
{
    int mFreeSeats = kSeatCount;
    int mGroupSize = 0;
};
// The first table, circularly from start, with room for a group of groupSize; -1 with none.
int PickTable(const std::vector<TableSeats>& tables, int start, int groupSize);

// "Hurry Up!" comes once, on the tick the group waiting for its pizzas has waited 4500 ticks.
bool IsHurryUpTick(int state, int totalWait, int currentWait);
// The group leaves once it has waited 6001 ticks, unless it is paying.
bool WalksOut(int state, int totalWait, int currentWait);
// Happiness change (zero or negative) when a group leaves with `served` of `groupSize` pizzas.
int WalkOutLoss(int served, int groupSize, int level);

// Serving: points per pizza code, the speed bonus (may be negative, never 0) and the combo.
int ServingPoints(int pizzaCode);
int ServingBonus(int currentWait, int servedNow, int level);
int ComboBonus(int points, int servedNow, int level);
// Happiness lost for offering an uncooked pizza; at least 1.
int NotCookedPenalty(int level);

struct Payment
{
    int mGain = 0;      // shown; 0 means no money line
    int mMoney = 0;     // added to the money: (L + 1) * gain
    int mHappiness = 0; // added to happiness; never 0
};
Payment ComputePayment(int totalWait, const std::vector<uint16_t>& order, int level);

// An order popup's text colour: the pizza's colour 95 darker, alpha kept.
Color OrderPopupColor(const Color& pizzaColor);

} // namespace TableRules

} // namespace Lumo
