#include "game/src/Selector.h"

#include "game/src/FrameLink.h"
#include "game/src/GameHost.h"
#include "game/src/GameObject.h"
#include "game/src/HudText.h"
#include "game/src/ItemCodes.h"
#include "graphics/Graphics.h"
#include "widgets/WidgetManager.h"

#include <algorithm>

namespace Lumo
{

SelectorItem::SelectorItem(GameHost* host, Selector* selector) : mHost(host), mSelector(selector)
{
    Resize(0, 0, kSize, kSize);
}

void SelectorItem::Draw(Graphics* g)
{
    if (!mShown)
        return;
    Color box = mBoxColor;
    box.mAlpha = 190;
    g->SetColor(box);
    g->FillRect(0, 0, kSize, kSize);
    g->SetColor(Color(0, 0, 0));
    g->DrawRect(0, 0, kSize - 1, kSize - 1);
    if (mPicture != nullptr)
        g->DrawImage(mPicture, 0, 0, kSize, kSize);
    else
    {
        g->SetColor(Color(0, 0, 255));
        g->FillRect(0, 0, kSize, kSize);
    }
    g->SetColor(mColor);
    g->FillRect(0, 0, kSize, kSize);
}

void SelectorItem::MouseEnter()
{
    if (!mHoverable)
        return;
    mColor = mHoverColor;
    mSelector->MouseEnter();
    mSelector->SetName(mName);
    MarkDirty();
}

void SelectorItem::MouseLeave()
{
    if (!mHoverable)
        return;
    mColor = mNormalColor;
    mSelector->MouseLeave();
    MarkDirty();
}

void SelectorItem::MouseUpButton(int x, int y, int button, int clickCount)
{
    GameObject* owner = mSelector->GetOwner();
    owner->SetSelection(mCode);
    owner->MouseUpButton(x, y, button, clickCount);
}

void SelectorItem::MouseMove(int x, int y)
{
    ForwardMouseMove(mHost->GetFrame(), *this, x, y);
}

Selector::Selector(GameHost* host, GameObject* owner) : mHost(host), mOwner(owner), mName(owner->GetName())
{
    Resize(0, 0, kMinWidth, kHeight);
}

Selector::~Selector()
{
    TakeOff();
    for (SelectorItem* item : mItems)
    {
        Unlist(item);
        delete item;
    }
}

Selector* Selector::MakeFor(GameHost* host, GameObject* owner, WidgetManager* manager,
                            const std::vector<int>& codes)
{
    auto* selector = new Selector(host, owner);
    selector->PutOn(manager);
    for (int code : codes)
    {
        const ItemInfo* info = GetItemInfo(code);
        if (info != nullptr)
            selector->AddItem(code, host->GetPicture(info->mPicture), info->mName,
                              Color(info->mColor[0], info->mColor[1], info->mColor[2]));
    }
    selector->SetShown(false);
    return selector;
}

void Selector::ShowOverOwner(bool on)
{
    Arrange();
    SetShown(on);
}

bool Selector::HasMouse() const
{
    if (!mVisible || mManager == nullptr)
        return false;
    const int x = mManager->mLastMouseX;
    const int y = mManager->mLastMouseY;
    return x >= mX && x < mX + mWidth && y >= mY && y < mY + mHeight;
}

void Selector::TakeOff()
{
    if (mParent != nullptr)
        mParent->RemoveWidget(this);
}

void Selector::PutOn(WidgetManager* manager)
{
    manager->AddWidget(this);
    for (SelectorItem* item : mItems)
        manager->AddWidget(item);
    SetShown(false);
}

void Selector::Unlist(SelectorItem* item)
{
    if (item->mParent != nullptr)
        item->mParent->RemoveWidget(item);
}

void Selector::AddItem(int code, Image* picture, const std::string& name, const Color& color)
{
    auto* item = new SelectorItem(mHost, this);
    item->mBoxColor = color;
    item->mCode = code;
    item->mPicture = picture;
    item->mName = name;
    item->mVisible = mVisible;
    mItems.push_back(item);
    if (WidgetManager* manager = mHost->GetWidgetManager())
        manager->AddWidget(item);
    Arrange();
}

void Selector::RemoveItem(int code)
{
    auto it = std::find_if(mItems.begin(), mItems.end(),
                           [code](SelectorItem* item) { return item->mCode == code; });
    if (it == mItems.end())
        return;
    SelectorItem* item = *it;
    mItems.erase(it);
    Unlist(item);
    delete item;
    Arrange();
}

void Selector::Arrange()
{
    const int count = int(mItems.size());
    const int width = std::max(count * SelectorItem::kSize, kMinWidth);
    const int x = mOwner->mX + mOwner->mWidth / 2 - width / 2;
    const int y = mOwner->mY + mOwner->mHeight / 2 - kHeight / 2;
    Resize(x, y, width, kHeight);
    for (int i = 0; i < count; i++)
        mItems[i]->Move(x + width / 2 - count * 15 + i * SelectorItem::kSize, y);
}

void Selector::SetShown(bool on)
{
    // The panel is up before its entries and goes after them, so the mouse over an
    // entry is always over a shown selector.
    if (on)
        SetVisible(true);
    for (SelectorItem* item : mItems)
        item->SetVisible(on);
    SetVisible(on);
    if (on)
        MouseEnter();
    else
    {
        // Hidden by its owner: collapsed without telling the owner again.
        mExpanded = false;
        for (SelectorItem* item : mItems)
            item->mShown = false;
        mName = mOwner->GetName();
    }
}

void Selector::Draw(Graphics* g)
{
    if (!mExpanded)
        return;
    g->SetColor(Color(0, 0, 0, 190));
    g->FillRect(0, 25, mWidth, mHeight - 25);
    DrawHudText(g, mHost->GetFont(14), Color(255, 255, 255), mName, mWidth / 2, 45, TextAlign::Center);
    g->SetColor(mColor);
    g->FillRect(0, 25, mWidth, mHeight - 25);
}

// The owner shows the selector from its own MouseEnter, which comes back here: an
// expanded selector does not call the owner again. The selector covers its owner, so
// the owner's hover ends when the selector appears; the owner keeps it shown while the
// mouse is over it (HasMouse), and the selector's own leave hides it.
void Selector::MouseEnter()
{
    if (!mHoverable || mExpanded)
        return;
    mExpanded = true;
    for (SelectorItem* item : mItems)
        item->mShown = true;
    MarkDirty();
    mOwner->MouseEnter();
}

void Selector::MouseLeave()
{
    if (!mHoverable || !mExpanded || HasMouse())
        return;
    mExpanded = false;
    for (SelectorItem* item : mItems)
        item->mShown = false;
    mName = mOwner->GetName();
    MarkDirty();
    mOwner->MouseLeave();
}

void Selector::MouseUpButton(int x, int y, int button, int clickCount)
{
    mOwner->MouseUpButton(x, y, button, clickCount);
}

void Selector::MouseMove(int x, int y)
{
    ForwardMouseMove(mHost->GetFrame(), *this, x, y);
}

void Selector::DetachFromManager(WidgetManager* manager)
{
    for (SelectorItem* item : mItems)
        Unlist(item);
    Widget::DetachFromManager(manager);
}

} // namespace Lumo
