#include "game/src/FrameFactory.h"

#include "game/src/GameAppLink.h"
#include "game/src/GameFrame.h"
#include "game/src/GameScreen.h"
#include "widgets/WidgetManager.h"

namespace Lumo
{

Widget* FrameFactory::Create(int code) const
{
    switch (code)
    {
    case FRAME_MAIN_MENU:
        return new FrameMainMenu(mApp);
    case FRAME_GAME:
        return new GameFrame(mApp);
    case FRAME_INSTRUCTION:
        return new FrameInstruction(mApp);
    default:
        return nullptr;
    }
}

bool ScreenSwitch::Show(int code, GameAppLink* app, const FrameFactory& factory)
{
    WidgetManager* manager = app->GetWidgetManager();
    if (mCurrent != nullptr)
    {
        if (manager != nullptr)
            manager->RemoveAllChildren(false, false);
        app->DeferWidgetDeletion(mCurrent);
        mCurrent = nullptr;
        mGame = nullptr;
    }
    if (code == FRAME_GAME)
    {
        mGame = new GameFrame(app);
        mCurrent = mGame;
    }
    else
    {
        mCurrent = factory.Create(code);
    }
    if (mCurrent == nullptr)
        return false;
    if (manager != nullptr)
        manager->AddWidget(mCurrent);
    return true;
}

void ScreenSwitch::Release()
{
    if (mCurrent != nullptr && mCurrent->mParent != nullptr)
        mCurrent->mParent->RemoveWidget(mCurrent);
    delete mCurrent;
    mCurrent = nullptr;
    mGame = nullptr;
}

std::string ScreenSwitch::UnknownCodeText(int code)
{
    return "There was an error in FrameFactory. Check frame code. (Code " + std::to_string(code) + ")";
}

} // namespace Lumo
