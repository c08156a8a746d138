#include "game/src/TableGroup.h"

#include "game/src/Customer.h"
#include "game/src/GameHost.h"
#include "game/src/ItemCodes.h"
#include "game/src/PopupMsg.h"
#include "game/src/TObject.h"
#include "game/src/TObjectFactory.h"
#include "game/src/Tray.h"
#include "graphics/Graphics.h"
#include "widgets/WidgetManager.h"

#include <cstdio>

namespace Lumo
{

using namespace TableRules;

namespace
{
const Color kGain(0, 160, 0);
const Color kLoss(160, 0, 0);
const Color kPlain(63, 63, 63);
const Color kWhiteTint(255, 255, 255);
const Color kLossTint(190, 127, 127);

// Where each side's plate and served pizza sit on the table.
constexpr int kSidePoints[4][2] = {{16, 0}, {32, 16}, {16, 32}, {0, 16}};

std::string Signed(const char* sign, int value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%s %d", sign, value);
    return text;
}
} // namespace

TableGroup::TableGroup(GameHost* host, TableHost* rules) : mHost(host), mRules(rules) {}

TableGroup::~TableGroup()
{
    for (TObject*& item : mSeatItems)
    {
        delete item;
        item = nullptr;
    }
    delete mOrder;
}

void TableGroup::SetPosition(int x, int y)
{
    mX = x;
    mY = y;
}

void TableGroup::SetChair(int side, Widget* chair)
{
    if (side < 0 || side >= kSeats || mChairs[side] == chair)
        return;
    if (mChairs[side] != nullptr)
        mFreeSeats--;
    mChairs[side] = chair;
    if (chair != nullptr)
        mFreeSeats++;
}

int TableGroup::OrderLength() const
{
    return mOrder != nullptr ? int(mOrder->mList.size()) : 0;
}

void TableGroup::SetTrayFlags(bool takes, bool gives)
{
    mTakesFromTray = takes;
    mGivesToTray = gives;
}

void TableGroup::FrameDirty()
{
    if (Widget* frame = mHost->GetFrame())
        frame->MarkDirty();
}

PopupMsg* TableGroup::AddPopup(int x, int y, int life)
{
    PopupMsg* popup = new PopupMsg(mHost, life);
    popup->SetPos(x, y);
    if (WidgetManager* manager = mHost->GetWidgetManager())
        manager->AddWidget(popup);
    return popup;
}

void TableGroup::SetLine(PopupMsg* popup, int line, const std::string& text, const Color& color, Image* icon,
                         const Color& tint)
{
    popup->mLines[line].mText = text;
    popup->mLines[line].mColor = color;
    popup->mLines[line].mIcon = icon;
    popup->mLines[line].mIconTint = tint;
}

void TableGroup::ClearGroup()
{
    for (int seat = 0; seat < kSeats; seat++)
    {
        Customer* customer = mSeated[seat];
        mSeated[seat] = nullptr;
        if (customer == nullptr)
            continue;
        if (customer->mParent != nullptr)
            customer->mParent->RemoveWidget(customer);
        mRules->RemoveCustomer(customer);
    }
    for (int seat = 0; seat < kSeats; seat++)
    {
        mChoosing[seat] = mEating[seat] = mFinished[seat] = 0;
        delete mSeatItems[seat];
        mSeatItems[seat] = nullptr;
    }
    delete mOrder;
    mOrder = nullptr;
}

void TableGroup::StartEating()
{
    SetTrayFlags(false, false);
    for (int seat = 0; seat < kSeats; seat++)
    {
        if (mSeated[seat] == nullptr)
            continue;
        mEating[seat] = 1;
        mSeated[seat]->SetBubble(nullptr, Color());
    }
    mTotalWait += mCurrentWait;
    mCurrentWait = -1;
    mCountdown = EatingCountdown(mRules->Random());
}

void TableGroup::SetState(int state)
{
    mState = state;
    switch (state)
    {
    case STATE_EMPTY:
        SetTrayFlags(false, false);
        mTotalWait = 0;
        mCurrentWait = -1;
        mServed = 0;
        ClearGroup();
        mFreeSeats = kSeats;
        mGroupSize = 0;
        break;
    case STATE_SEATED:
        SetTrayFlags(true, true);
        mCurrentWait = -1;
        SetState(STATE_CHOOSING);
        return;
    case STATE_CHOOSING:
        SetTrayFlags(false, false);
        for (uint8_t& choosing : mChoosing)
            choosing = 1;
        mCountdown = ChoosingCountdown(mRules->Random());
        mCurrentWait = -1;
        break;
    case STATE_ORDERED:
        SetTrayFlags(true, true);
        mCurrentWait = -1;
        for (uint8_t& choosing : mChoosing)
            choosing = 0;
        break;
    case STATE_WAITING:
        SetTrayFlags(true, false);
        for (int i = 0; i < OrderLength() && i < kSeats; i++)
        {
            if (mSeated[i] != nullptr && mSeatItems[i] != nullptr)
                mSeated[i]->SetBubble(mSeatItems[i]->mImage, mSeatItems[i]->mColor);
        }
        mCurrentWait = 0;
        break;
    case STATE_EATING:
        StartEating();
        break;
    case STATE_FINISHED:
        SetTrayFlags(true, true);
        mCurrentWait = -1;
        for (int seat = 0; seat < kSeats; seat++)
        {
            if (mEating[seat] != 0)
                mFinished[seat] = 1;
            mEating[seat] = 0;
        }
        SetState(STATE_PAYING);
        return;
    case STATE_PAYING:
    {
        SetTrayFlags(true, false);
        PopupMsg* popup = AddTablePopup();
        SetLine(popup, 0, "Check Please!", kPlain, nullptr, kWhiteTint);
        mHost->PlaySample(SOUND_WHISTLEHERE);
        break;
    }
    default:
        break;
    }
    FrameDirty();
}

int TableGroup::SeatCustomer(Customer* customer)
{
    if (customer == nullptr)
        return -1;
    for (int side = 0; side < kSeats; side++)
    {
        if (mChairs[side] == nullptr || mSeated[side] != nullptr)
            continue;
        mSeated[side] = customer;
        customer->SetSide(side);
        customer->Resize(0, 0, Customer::kSize, Customer::kSize);
        mChairs[side]->AddWidget(customer);
        if (mState == STATE_EMPTY)
            SetState(STATE_SEATED);
        return side;
    }
    return -1;
}

void TableGroup::ReserveFor(int groupSize)
{
    mGroupSize = groupSize;
    mFreeSeats = 0;
}

void TableGroup::TakeOrders()
{
    delete mOrder;
    TObjectFactory* items = mHost->GetItemFactory();
    mOrder = items->Create(ITEM_ORDER);
    const int members = mGroupSize < kSeats ? mGroupSize : kSeats;
    mOrder->SetListCount(members);
    mOrder->mList.assign(std::size_t(members), 0);
    for (int i = 0; i < members; i++)
    {
        Widget* chair = mChairs[i];
        PopupMsg* popup =
            chair != nullptr ? AddPopup(chair->mX + 25, chair->mY + 5, kOrderPopupLife) : nullptr;
        const int choice = mSeated[i] != nullptr ? mSeated[i]->ChooseOrder(mRules->Random()) : 0;
        const int code = kFirstPizzaCode + choice;
        mOrder->mList[i] = uint16_t(code);
        delete mSeatItems[i];
        mSeatItems[i] = items->Create(code);
        if (popup != nullptr)
            SetLine(popup, 0, mSeatItems[i]->mName, OrderPopupColor(mSeatItems[i]->mColor), nullptr,
                    kWhiteTint);
    }
}

void TableGroup::Update()
{
    if (mHost->IsHalted() || mHost->IsPaused())
        return;
    if (mCountdown == 0)
    {
        if (mState == STATE_CHOOSING)
        {
            TakeOrders();
            SetState(STATE_ORDERED);
            SetState(STATE_WAITING);
        }
        else if (mState == STATE_EATING)
        {
            SetState(STATE_FINISHED);
        }
        mCountdown = -1;
    }
    else if (mCountdown > 0)
    {
        mCountdown--;
    }
    if (mCurrentWait >= 0)
        mCurrentWait++;
    if (mState == STATE_PAYING)
        return;
    // Only a group still waiting for its pizzas is told to hurry, once.
    if (IsHurryUpTick(mState, mTotalWait, mCurrentWait))
    {
        PopupMsg* popup = AddTablePopup();
        SetLine(popup, 0, "Hurry Up!", kPlain, nullptr, kWhiteTint);
        mHost->PlaySample(SOUND_HURRYUP);
    }
    if (WalksOut(mState, mTotalWait, mCurrentWait))
        WalkOut();
}

void TableGroup::WalkOut()
{
    const int loss = WalkOutLoss(mServed, mGroupSize, mRules->GetLevel());
    mRules->AddHappiness(loss);
    PopupMsg* popup = AddTablePopup();
    SetLine(popup, 0, Signed("-", -loss), kLoss, mHost->GetPicture("gfx/UI/Heart"), kLossTint);
    mHost->PlaySample(SOUND_DOORSLAM);
    SetState(STATE_EMPTY);
}

TObject* TableGroup::GiveItem()
{
    if (mState == STATE_SEATED)
        SetState(STATE_CHOOSING);
    else if (mState == STATE_ORDERED)
        SetState(STATE_WAITING);
    else if (mState == STATE_FINISHED)
        SetState(STATE_PAYING);
    return nullptr;
}

void TableGroup::Pay()
{
    mTotalWait += mCurrentWait;
    mCurrentWait = -1;
    PopupMsg* popup = AddTablePopup();
    const int level = mRules->GetLevel();
    const Payment payment =
        ComputePayment(mTotalWait, mOrder != nullptr ? mOrder->mList : std::vector<uint16_t>(), level);
    if (payment.mGain > 0)
    {
        mHost->SetMoney(mHost->GetMoney() + payment.mMoney);
        SetLine(popup, 1, Signed("+", payment.mGain), Color(0, 0, 160), mHost->GetPicture("gfx/UI/Euro"),
                kWhiteTint);
    }
    mRules->AddHappiness(payment.mHappiness);
    SetLine(popup, 0, Signed("+", payment.mHappiness), kGain, mHost->GetPicture("gfx/UI/Heart"), kWhiteTint);
    SetState(STATE_EMPTY);
    mHost->PlaySample(SOUND_CLICK);
    mHost->PlaySample(SOUND_CASHREGISTER);
}

bool TableGroup::Serve(Tray* tray)
{
    const int level = mRules->GetLevel();
    int n = 0;
    int points = 0;
    bool served = false;
    const int length = OrderLength();
    for (int i = 0; i < length && i < kSeats; i++)
    {
        const int code = mOrder->mList[i];
        TObject* item = tray->LastOfCode(code);
        if (item == nullptr)
            continue;
        if (item->mCooked == 0)
        {
            Widget* chair = mChairs[i];
            PopupMsg* popup =
                chair != nullptr ? AddPopup(chair->mX + 25, chair->mY + 5, kPopupLife) : AddTablePopup();
            const int penalty = NotCookedPenalty(level);
            mRules->AddHappiness(-penalty);
            SetLine(popup, 0, "Not Cooked!", kLoss, nullptr, kWhiteTint);
            SetLine(popup, 1, Signed("-", penalty), kLoss, mHost->GetPicture("gfx/UI/Heart"), kLossTint);
            mHost->PlaySample(SOUND_THUD);
            continue;
        }
        if (mSeatItems[i] == nullptr || mSeatItems[i]->mDelivered != 0)
            continue;
        tray->Remove(item);
        delete item;
        mSeatItems[i]->mDelivered = 1;
        if (mSeated[i] != nullptr)
            mSeated[i]->SetBubble(nullptr, Color());
        mEating[i] = 1;
        mServed++;
        n++;
        points += ServingPoints(code);
        FrameDirty();
        served = true;
        if (mServed == length)
            break;
    }
    if (n > 0)
    {
        PopupMsg* popup = AddTablePopup();
        Image* heart = mHost->GetPicture("gfx/UI/Heart");
        const int bonus = ServingBonus(mCurrentWait, n, level);
        if (bonus > 0)
            SetLine(popup, 0, Signed("+", bonus), kGain, heart, kWhiteTint);
        else
            SetLine(popup, 0, Signed("-", -bonus), kLoss, heart, kLossTint);
        const int combo = ComboBonus(points, n, level);
        if (points >= 1 && n >= 2)
        {
            SetLine(popup, 1, Signed("+", combo), kGain, heart, kWhiteTint);
            mHost->PlaySample(SOUND_CLAP);
        }
        mRules->AddHappiness(bonus + combo);
        mHost->PlaySample(SOUND_CLICK);
    }
    if (length > 0 && mServed == length)
    {
        mState = STATE_EATING;
        StartEating();
        FrameDirty();
    }
    return served;
}

bool TableGroup::Interact(Tray* tray)
{
    if (tray == nullptr)
    {
        mHost->PlaySample(SOUND_THUD);
        return false;
    }
    switch (mState)
    {
    case STATE_SEATED:
    case STATE_ORDERED:
    case STATE_FINISHED:
        GiveItem();
        return false;
    case STATE_PAYING:
        Pay();
        return false;
    default:
        break;
    }
    if (tray->IsEmpty() || mState != STATE_WAITING)
    {
        FrameDirty();
        return false;
    }
    return Serve(tray);
}

void TableGroup::DrawState(Graphics* g, int width, int height) const
{
    g->SetColor(Color(171, 171, 171));
    for (int seat = 0; seat < kSeats; seat++)
    {
        if (mEating[seat] != 0)
            g->FillRect(kSidePoints[seat][0], kSidePoints[seat][1], 18, 18);
    }
    g->SetColor(Color(255, 0, 0, int((mTotalWait + mCurrentWait) / 6000.0 * 159.0)));
    g->FillRect(0, 0, width, height);
    if (mState == STATE_WAITING || mState == STATE_EATING)
    {
        for (int seat = 0; seat < kSeats; seat++)
        {
            const TObject* item = mSeatItems[seat];
            if (item != nullptr && item->mDelivered != 0 && item->mImage != nullptr)
                g->DrawImage(item->mImage, kSidePoints[seat][0] - 1, kSidePoints[seat][1] - 1, 20, 20);
        }
    }
    if (mState == STATE_PAYING)
    {
        g->SetColor(Color(0, 0, 0, 127));
        g->FillRect(0, 0, width, height);
        if (Image* euro = mHost->GetPicture("gfx/UI/Euro"))
        {
            g->SetTintImages(true);
            g->SetColor(Color(255, 255, 0));
            g->DrawImage(euro, 5, 5);
            g->SetTintImages(false);
        }
    }
}

} // namespace Lumo
