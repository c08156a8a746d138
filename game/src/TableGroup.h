// The group at one table: its states from sitting down to paying, its patience, what
// it ordered and has been served, and what serving and paying bring. The table's
// widget draws it and passes the cook's clicks to it; the chairs are widgets that hold
// the seated customers as children.
#pragma once

#include "game/src/TableRules.h"

#include <cstdint>
#include <string>

namespace Lumo
{

class Customer;
class GameHost;
class Graphics;
class Image;
class PopupMsg;
class TObject;
class Tray;
class Widget;

// What a table needs of the play screen beyond the widgets' host.
class TableHost
{
public:
    virtual ~TableHost() = default;
    virtual int GetLevel() = 0; // 0-based
    virtual void AddHappiness(int delta) = 0;
    virtual uint32_t Random() = 0;
    // Takes the customer off the screen and frees it once the current input and update
    // are over (it may be the widget whose click is running). False when unknown.
    virtual bool RemoveCustomer(Customer* customer) = 0;
};

class TableGroup
{
public:
    static constexpr int kSeats = TableRules::kSeatCount;
    static constexpr int kPopupLife = 250;
    static constexpr int kOrderPopupLife = 200;

    TableGroup(GameHost* host, TableHost* rules);
    ~TableGroup();
    TableGroup(const TableGroup&) = delete;
    TableGroup& operator=(const TableGroup&) = delete;

    // The table's top-left pixel, where its popups rise from.
    void SetPosition(int x, int y);
    // The chair on a side (0 up, 1 right, 2 down, 3 left); null takes it away. Each chair
    // adds a free seat.
    void SetChair(int side, Widget* chair);
    Widget* GetChair(int side) const { return side >= 0 && side < kSeats ? mChairs[side] : nullptr; }

    void SetState(int state);
    // The first free chair from side 0 takes the customer; an empty table starts choosing.
    // The side, or -1 when no chair was free.
    int SeatCustomer(Customer* customer);
    void TakeOrders();
    void Update();
    // The cook's tray (null: the right button). True when at least one pizza was served.
    bool Interact(Tray* tray);
    // A table gives nothing; a click passes the states that wait for the cook.
    TObject* GiveItem();
    // Room for a group: only an empty table, whose group then takes every seat.
    TableRules::TableSeats GetSeats() const { return {mFreeSeats, mGroupSize}; }
    void ReserveFor(int groupSize);

    // Everything over the table's picture: eating plates, the patience veil, served
    // pizzas and the check. width, height: the table's size.
    void DrawState(Graphics* g, int width, int height) const;

    int GetState() const { return mState; }
    bool TakesFromTray() const { return mTakesFromTray; }
    bool GivesToTray() const { return mGivesToTray; }
    int GetCurrentWait() const { return mCurrentWait; }
    int GetTotalWait() const { return mTotalWait; }
    int GetCountdown() const { return mCountdown; }
    int GetServed() const { return mServed; }
    int GetGroupSize() const { return mGroupSize; }
    int GetFreeSeats() const { return mFreeSeats; }
    const TObject* GetOrder() const { return mOrder; }
    TObject* GetSeatItem(int seat) const { return seat >= 0 && seat < kSeats ? mSeatItems[seat] : nullptr; }
    Customer* GetCustomer(int seat) const { return seat >= 0 && seat < kSeats ? mSeated[seat] : nullptr; }
    bool IsEating(int seat) const { return mEating[seat] != 0; }
    bool IsChoosing(int seat) const { return mChoosing[seat] != 0; }
    bool IsFinished(int seat) const { return mFinished[seat] != 0; }

    // For tests and the keypad: the waits as the rules see them.
    void SetWaits(int total, int current)
    {
        mTotalWait = total;
        mCurrentWait = current;
    }
    void SetCountdown(int countdown) { mCountdown = countdown; }

private:
    int OrderLength() const;
    void SetTrayFlags(bool takes, bool gives);
    PopupMsg* AddPopup(int x, int y, int life);
    PopupMsg* AddTablePopup() { return AddPopup(mX + 25, mY + 5, kPopupLife); }
    void SetLine(PopupMsg* popup, int line, const std::string& text, const Color& color, Image* icon,
                 const Color& tint);
    void FrameDirty();
    void ClearGroup();
    void StartEating();
    bool Serve(Tray* tray);
    void Pay();
    void WalkOut();

    GameHost* mHost;
    TableHost* mRules;
    int mX = 0;
    int mY = 0;
    uint8_t mChoosing[kSeats] = {};
    uint8_t mEating[kSeats] = {};
    uint8_t mFinished[kSeats] = {};
    int mCurrentWait = -1;
    int mCountdown = -1;
    Widget* mChairs[kSeats] = {};
    Customer* mSeated[kSeats] = {};
    int mTotalWait = 0;
    int mServed = 0;
    TObject* mSeatItems[kSeats] = {};
    int mState = TableRules::STATE_EMPTY;
    TObject* mOrder = nullptr;
    int mFreeSeats = 0;
    int mGroupSize = 0;
    bool mTakesFromTray = false;
    bool mGivesToTray = false;
};

} // namespace Lumo
