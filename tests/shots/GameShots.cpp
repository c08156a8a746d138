// The game in a real X11 window: played through its screens with injected clicks and keys, each
// screen read back from the window, checked and saved as a PNG picture in the build folder.
#include "tests/gameapp/GameAppSupport.h"

#include "display/D3DInterface.h"
#include "display/D3DTester.h"
#include "display/DDInterface.h"
#include "game/src/GameFrame.h"
#include "game/src/GameOverlay.h"
#include "game/src/GameScreen.h"
#include "game/src/GameUI.h"
#include "game/src/ObjectFridge.h"
#include "game/src/ObjectOven.h"
#include "game/src/ObjectPrepTable.h"
#include "game/src/ObjectTable.h"
#include "game/src/Customer.h"
#include "game/src/GameChar.h"
#include "game/src/Selector.h"
#include "game/src/Tray.h"
#include "media/ImageLib.h"
#include "test/input.h"
#include "test/message_box.h"
#include "test/present.h"

#include "win32/host.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

// Last: X11's macros (None, Bool, ...) would clash with the names above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace
{

namespace fs = std::filesystem;
using Lumo::GameFrame;
using Lumo::GameProgress;

struct Rgb
{
    int r, g, b;
};

struct Shot
{
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels; // 0xAARRGGBB

    Rgb At(int x, int y) const
    {
        const uint32_t p = pixels[size_t(y) * size_t(width) + size_t(x)];
        return {int(p >> 16 & 0xFF), int(p >> 8 & 0xFF), int(p & 0xFF)};
    }
    // Pixels in the rectangle with every channel at 200 or more: white text.
    int WhiteIn(int x0, int y0, int x1, int y1) const
    {
        int count = 0;
        for (int y = y0; y < y1; y++)
            for (int x = x0; x < x1; x++)
            {
                const Rgb c = At(x, y);
                count += c.r >= 200 && c.g >= 200 && c.b >= 200;
            }
        return count;
    }
};

bool Near(const Rgb& a, const Rgb& b, int tolerance = 2)
{
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

std::string Text(const Rgb& c)
{
    return "(" + std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + ")";
}

// A colour under the boards' black veil of alpha 127.
Rgb Veiled(const Rgb& c)
{
    return {c.r * 128 / 255, c.g * 128 / 255, c.b * 128 / 255};
}

// Share of pixels that differ between two shots of one size.
double Difference(const Shot& a, const Shot& b)
{
    size_t differ = 0;
    for (size_t i = 0; i < a.pixels.size(); i++)
        differ += (a.pixels[i] & 0xFFFFFF) != (b.pixels[i] & 0xFFFFFF);
    return double(differ) / double(a.pixels.size());
}

// The window's icon as the X server holds it (_NET_WM_ICON): width, height, then ARGB pixels.
std::vector<uint32_t> HostIcon(HWND hwnd)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(Platform::HostWindow(hwnd), &info) || info.subsystem != SDL_SYSWM_X11)
        return {};
    Display* display = info.info.x11.display;
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<uint32_t> icon;
    if (XGetWindowProperty(display, info.info.x11.window, XInternAtom(display, "_NET_WM_ICON", False), 0,
                           1 << 16, False, XA_CARDINAL, &type, &format, &count, &after, &data) == Success &&
        format == 32)
        for (unsigned long i = 0; i < count; i++)
            icon.push_back(uint32_t(reinterpret_cast<const unsigned long*>(data)[i]));
    if (data != nullptr)
        XFree(data);
    return icon;
}

// The generator's icon file in the same form.
std::vector<uint32_t> IconFile()
{
    const std::string path = (fs::path(LUMO_ASSETS_DIR) / "icon" / "main_icon.bmp").string();
    SDL_Surface* file = SDL_LoadBMP(path.c_str());
    SDL_Surface* argb = file ? SDL_ConvertSurfaceFormat(file, SDL_PIXELFORMAT_ARGB8888, 0) : nullptr;
    std::vector<uint32_t> icon;
    if (argb != nullptr)
    {
        icon = {uint32_t(argb->w), uint32_t(argb->h)};
        for (int y = 0; y < argb->h; y++)
        {
            const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(argb->pixels) +
                                                                y * argb->pitch);
            icon.insert(icon.end(), row, row + argb->w);
        }
    }
    SDL_FreeSurface(argb);
    SDL_FreeSurface(file);
    return icon;
}

bool SavePng(const fs::path& path, const Shot& shot)
{
    ImageLib::Image image;
    image.mWidth = shot.width;
    image.mHeight = shot.height;
    image.mBits = new uint32_t[shot.pixels.size()];
    for (size_t i = 0; i < shot.pixels.size(); i++)
        image.mBits[i] = shot.pixels[i] | 0xFF000000u;
    return ImageLib::WritePNGImage(path.string(), &image);
}

// Steps run one after another, one call per update; a step returns true when it is done.
class Script
{
public:
    using Step = std::function<bool()>;
    static constexpr int kStepLimit = 4000;

    void Add(const std::string& name, Step step) { mSteps.push_back({name, std::move(step)}); }
    void Wait(int updates)
    {
        auto left = std::make_shared<int>(updates);
        Add("wait", [left] { return --*left <= 0; });
    }
    // False once a step took too long.
    bool Run()
    {
        if (Done())
            return true;
        if (mSteps[mNext].second())
        {
            mNext++;
            mSpent = 0;
        }
        else if (++mSpent > kStepLimit)
            return false;
        return true;
    }
    bool Done() const { return mNext >= mSteps.size(); }
    std::string Current() const { return Done() ? "" : mSteps[mNext].first; }

private:
    std::vector<std::pair<std::string, Step>> mSteps;
    size_t mNext = 0;
    int mSpent = 0;
};

class GameShots : public GameAppSupport::GameAppFixture
{
protected:
    const fs::path mShotDir = LUMO_SHOTS_DIR;
    const std::vector<std::string> mNames = {"main_menu", "tutorial", "kitchen", "pause", "level_up"};
    // "_3d" for the run drawn through the renderer.
    std::string mSuffix;
    std::unique_ptr<GameAppSupport::TestGameApp> mApp;
    Script mScript;
    std::map<std::string, Shot> mShots;

    void SetUp() override
    {
        GameAppFixture::SetUp();
        // A shot that cannot be taken leaves no old picture behind.
        fs::create_directories(mShotDir);
    }

    HWND Window() const { return mApp->mHWnd; }
    GameFrame* Game() const { return mApp->GetGameFrame(); }
    template <class T> T* Current() const { return dynamic_cast<T*>(mApp->GetCurrentFrame()); }

    static int CenterX(const Lumo::Widget* w) { return w->mX + w->mWidth / 2; }
    static int CenterY(const Lumo::Widget* w) { return w->mY + w->mHeight / 2; }

    void Click(int x, int y)
    {
        PlatformTest::InjectMouseMove(Window(), x, y);
        PlatformTest::InjectClick(Window(), SDL_BUTTON_LEFT, x, y);
    }
    // A step that moves the mouse to the point.
    void MoveMouse(const std::string& name, int x, int y)
    {
        mScript.Add(name, [this, x, y] { return PlatformTest::InjectMouseMove(Window(), x, y); });
    }
    void Space() { PlatformTest::InjectKeyPress(Window(), SDLK_SPACE, SDL_SCANCODE_SPACE); }

    // What the window shows, which must be the frame the game presented there.
    void TakeShot(const std::string& name)
    {
        Shot shot;
        ASSERT_TRUE(PlatformTest::ReadHostFrame(Window(), &shot.width, &shot.height, &shot.pixels)) << name;
        ASSERT_EQ(shot.width, 800) << name;
        ASSERT_EQ(shot.height, 600) << name;
        Shot presented;
        ASSERT_TRUE(PlatformTest::ReadPresentedFrame(Window(), &presented.width, &presented.height,
                                                     &presented.pixels));
        ASSERT_EQ(presented.pixels.size(), shot.pixels.size());
        EXPECT_EQ(Difference(shot, presented), 0.0)
            << name << ": the window does not show the presented frame";
        EXPECT_TRUE(SavePng(mShotDir / (name + mSuffix + ".png"), shot)) << name;
        mShots[name] = std::move(shot);
    }

    using ObjectOf = std::function<Lumo::GameObject*()>;
    using ListOf = std::function<Lumo::Selector*()>;

    // Hovers an object, then clicks the entry of its pop-up list with the given code: the cook
    // walks there and uses the object with that choice.
    void PickFromList(const std::string& name, ObjectOf owner, ListOf list, int code,
                      std::function<bool()> until)
    {
        mScript.Add(name + ": hover",
                    [this, owner]
                    {
                        PlatformTest::InjectMouseMove(Window(), CenterX(owner()), CenterY(owner()));
                        return true;
                    });
        mScript.Add(name + ": list shown", [list] { return list()->mVisible; });
        mScript.Add(name + ": pick",
                    [this, list, code]
                    {
                        for (Lumo::SelectorItem* item : list()->GetItems())
                            if (item->mCode == code)
                            {
                                Click(CenterX(item), CenterY(item));
                                return true;
                            }
                        ADD_FAILURE() << "no entry " << code;
                        return true;
                    });
        mScript.Add(name + ": done", std::move(until));
    }
    // Clicks an object and waits until the condition holds (the cook got there and used it).
    void Use(const std::string& name, ObjectOf object, std::function<bool()> until)
    {
        mScript.Add(name,
                    [this, object]
                    {
                        Click(CenterX(object()), CenterY(object()));
                        return true;
                    });
        mScript.Add(name + ": done", std::move(until));
    }
    int TrayCount() const { return Game()->GetTray()->GetCount(); }

    void ScriptMenuAndTutorial();
    void ScriptKitchenWork();
    void ScriptCustomers();
    void ScriptBoards();
    // What each screen must show where.
    void CheckPictures();
    // The kitchen's frame just shot in 2-D drawn again through the renderer, without an update
    // between, and the two compared.
    void CompareKitchenIn3D();
    // The whole script, with the window drawn in 2-D or through the renderer from the start.
    void PlayAllScreens(bool threeD);
};

void GameShots::ScriptMenuAndTutorial()
{
    mScript.Add("main menu", [this] { return Current<Lumo::FrameMainMenu>() != nullptr; });
    mScript.Wait(30);
    mScript.Add("main menu shot",
                [this]
                {
                    // A real window: the program runs under an X server, not on the dummy driver.
                    const char* driver = SDL_GetCurrentVideoDriver();
                    EXPECT_STREQ(driver != nullptr ? driver : "", "x11");
                    // The window shows the game's own icon, not the desktop's generic one.
                    const std::vector<uint32_t> icon = IconFile();
                    EXPECT_EQ(icon.size(), 2u + 64 * 64);
                    EXPECT_TRUE(HostIcon(Window()) == icon) << "the window has not the game's icon";
                    TakeShot("main_menu");
                    Lumo::ButtonWidget* start = Current<Lumo::FrameMainMenu>()->GetButton(0);
                    Click(CenterX(start), CenterY(start));
                    return true;
                });
    mScript.Add("tutorial", [this] { return Current<Lumo::FrameInstruction>() != nullptr; });
    mScript.Wait(10);
    mScript.Add("next page",
                [this]
                {
                    Lumo::ButtonWidget* next =
                        Current<Lumo::FrameInstruction>()->GetButton(Lumo::FrameInstruction::BUTTON_NEXT);
                    Click(CenterX(next), CenterY(next));
                    return true;
                });
    mScript.Add("page 2", [this] { return Current<Lumo::FrameInstruction>()->GetPage() == 2; });
    MoveMouse("mouse off the buttons", 400, 300);
    mScript.Wait(20);
    mScript.Add("tutorial shot",
                [this]
                {
                    TakeShot("tutorial");
                    Lumo::ButtonWidget* skip =
                        Current<Lumo::FrameInstruction>()->GetButton(Lumo::FrameInstruction::BUTTON_SKIP);
                    Click(CenterX(skip), CenterY(skip));
                    return true;
                });
    mScript.Add("welcome board", [this] { return Game() != nullptr && Game()->IsHalted(); });
    mScript.Wait(20);
    mScript.Add("space",
                [this]
                {
                    Space();
                    return true;
                });
    mScript.Add("playing", [this] { return !Game()->IsHalted(); });
    // Customers are brought in later, when the shot is near.
    mScript.Add("no customers yet",
                [this]
                {
                    Game()->GetProgress().mSpawnCountdown = 0;
                    return true;
                });
}

// The cook buys, assembles, bakes and carries, all by clicks on the kitchen.
void GameShots::ScriptKitchenWork()
{
    ObjectOf fridge = [this] { return Game()->GetFridge(); };
    ListOf fridgeList = [this] { return Game()->GetFridge()->GetSelector(); };
    auto prep = [this](int i) -> ObjectOf { return [this, i] { return Game()->GetPrepTable(i); }; };
    auto prepList = [this](int i) -> ListOf
    { return [this, i] { return Game()->GetPrepTable(i)->GetSelector(); }; };
    auto prepState = [this](int i) { return Game()->GetPrepTable(i)->GetState(); };
    ObjectOf oven = [this] { return Game()->GetOven(0); };
    ObjectOf secondOven = [this] { return Game()->GetOven(1); };
    auto buy = [&](const std::string& what, int code, int trayAfter)
    {
        PickFromList("buy " + what, fridge, fridgeList, code,
                     [this, trayAfter] { return TrayCount() == trayAfter; });
    };

    // Ingredients: 0 basil, 1 oregano, 3 garlic, 5 sausage; pizzas: 7 Margherita, 8 Marinara, 9 Cipolla.
    buy("basil", 0, 1);
    PickFromList("Margherita", prep(0), prepList(0), 7, [this, prepState] { return prepState(0) == 1; });
    Use("basil on the dough", prep(0), [this, prepState] { return prepState(0) == 2 && TrayCount() == 0; });
    Use("raw Margherita", prep(0), [this, prepState] { return prepState(0) == 0 && TrayCount() == 1; });
    Use("into the oven", oven, [this] { return Game()->GetOven(0)->GetState() == 1 && TrayCount() == 0; });
    buy("garlic", 3, 1);
    buy("oregano", 1, 2);
    PickFromList("Marinara", prep(1), prepList(1), 8, [this, prepState] { return prepState(1) == 1; });
    Use("garlic and oregano", prep(1),
        [this, prepState] { return Game()->GetPrepTable(1)->GetTakenCount() == 2 && TrayCount() == 0; });
    buy("sausage", 5, 1);
    mScript.Add("baked", [this] { return Game()->GetOven(0)->GetState() == 2; });
    Use("baked Margherita", oven, [this] { return TrayCount() == 2; });
    buy("basil", 0, 3);
    Use("basil on the Marinara", prep(1),
        [this, prepState] { return prepState(1) == 2 && TrayCount() == 2; });
    Use("raw Marinara", prep(1), [this, prepState] { return prepState(1) == 0 && TrayCount() == 3; });
    Use("into the second oven", secondOven,
        [this] { return Game()->GetOven(1)->GetState() == 1 && TrayCount() == 2; });
    PickFromList("Cipolla", prep(2), prepList(2), 9, [this, prepState] { return prepState(2) == 1; });
}

// Two groups come in and order; a third one sits down while the cook walks to the dining room.
void GameShots::ScriptCustomers()
{
    auto count = [this](bool (*what)(int state))
    {
        int n = 0;
        for (int i = 0; i < GameFrame::kTables; i++)
            n += what(Game()->GetTable(i)->GetGroup().GetState());
        return n;
    };
    auto seated = [](int state) { return state != Lumo::TableRules::STATE_EMPTY; };
    auto waiting = [](int state) { return state == Lumo::TableRules::STATE_WAITING; };
    auto bring = [this, count, seated](int groups)
    {
        return [this, count, seated, groups]
        {
            GameProgress& progress = Game()->GetProgress();
            if (count(seated) >= groups)
            {
                progress.mSpawnCountdown = 0;
                return true;
            }
            // The next group comes now, not after the usual long wait.
            progress.mSpawnCountdown = 1;
            return false;
        };
    };
    mScript.Add("two groups", bring(2));
    mScript.Add("two orders", [count, waiting] { return count(waiting) == 2; });
    mScript.Add("third group", bring(3));
    mScript.Add("to the tables",
                [this]
                {
                    // A table of the first two groups, clicked where no order popup lies over it.
                    for (int i : {3, 1, 2, 0})
                    {
                        Lumo::ObjectTable* table = Game()->GetTable(i);
                        if (table->GetGroup().GetState() == Lumo::TableRules::STATE_WAITING)
                        {
                            Click(table->mX + table->mWidth / 2, table->mY + 10);
                            return true;
                        }
                    }
                    ADD_FAILURE() << "no table waits";
                    return true;
                });
    // The click reaches the game at its next message pump, which a loaded machine may put after
    // many updates: the wait counts from the cook's first step.
    mScript.Add("cook on the way", [this] { return Game()->GetCook()->mWalk.mWalking; });
    mScript.Wait(30);
    MoveMouse("mouse on the floor", 480, 300);
    mScript.Wait(5);
    mScript.Add("kitchen shot",
                [this, count, seated, waiting]
                {
                    GameFrame* game = Game();
                    EXPECT_FALSE(game->IsHalted());
                    EXPECT_FALSE(game->IsPaused());
                    EXPECT_EQ(count(seated), 3);
                    EXPECT_EQ(count(waiting), 2);
                    int bubbles = 0;
                    for (Lumo::Customer* customer : game->GetCustomers())
                        bubbles += customer->GetBubble() != nullptr;
                    EXPECT_GT(bubbles, 0);
                    EXPECT_LT(size_t(bubbles), game->GetCustomers().size()); // the third group still chooses
                    EXPECT_TRUE(game->GetCook()->mWalk.mWalking);
                    EXPECT_EQ(game->GetTray()->GetCount(), 2);
                    EXPECT_EQ(game->GetMoney(), 95); // five ingredients bought
                    EXPECT_NE(game->GetOven(1)->GetPizza(), nullptr);
                    EXPECT_EQ(game->GetPrepTable(2)->GetState(), 1);
                    TakeShot("kitchen");
                    if (!mApp->Is3DEnabled())
                        CompareKitchenIn3D();
                    return true;
                });
}

// The PAUSED board, and the end of the first level with the goal reached.
void GameShots::ScriptBoards()
{
    mScript.Add("pause",
                [this]
                {
                    Space();
                    return true;
                });
    mScript.Add("paused", [this] { return Game()->IsPaused(); });
    mScript.Wait(10);
    mScript.Add("pause shot",
                [this]
                {
                    TakeShot("pause");
                    Space();
                    return true;
                });
    mScript.Add("resumed", [this] { return !Game()->IsPaused(); });
    mScript.Add("level end",
                [this]
                {
                    GameProgress& progress = Game()->GetProgress();
                    progress.mHappiness = progress.mGoal + 20;
                    progress.mClock = progress.mLevelLength - 3;
                    return true;
                });
    mScript.Add("level up board", [this] { return Game()->IsHalted(); });
    mScript.Wait(30);
    mScript.Add("level up shot",
                [this]
                {
                    EXPECT_EQ(Game()->GetLevel(), 1);
                    TakeShot("level_up");
                    Space();
                    return true;
                });
    mScript.Add("playing again", [this] { return !Game()->IsHalted(); });
}

void GameShots::CheckPictures()
{
    const Shot& menu = mShots["main_menu"];
    const Shot& tutorial = mShots["tutorial"];
    const Shot& kitchen = mShots["kitchen"];
    const Shot& pause = mShots["pause"];
    const Shot& levelUp = mShots["level_up"];
    auto expectColor =
        [](const char* name, const Shot& shot, int x, int y, const Rgb& want, int tolerance = 0)
    {
        EXPECT_TRUE(Near(shot.At(x, y), want, tolerance))
            << name << " at " << x << "," << y << ": " << Text(shot.At(x, y)) << " instead of " << Text(want);
    };

    // The screens' own fills where no faint logo covers them.
    expectColor("main menu", menu, 0, 0, {255, 190, 190});
    expectColor("main menu", menu, 790, 0, {255, 190, 190});
    expectColor("tutorial", tutorial, 0, 0, {159, 159, 127});
    expectColor("tutorial", tutorial, 790, 0, {159, 159, 127});
    // The red credit line along the menu's bottom edge.
    int red = 0;
    for (int y = 580; y < 600; y++)
        for (int x = 0; x < 800; x++)
        {
            const Rgb c = menu.At(x, y);
            red += c.r >= 200 && c.g <= 60 && c.b <= 60;
        }
    EXPECT_GT(red, 300);

    // The bottom bar: its red fill between the logos and the grey money box.
    const Rgb barRed{127, 0, 0};
    const Rgb moneyGrey{127, 127, 127};
    for (int x : {150, 250, 350})
        expectColor("kitchen", kitchen, x, 552, barRed);
    expectColor("kitchen", kitchen, 450, 560, moneyGrey);

    // The PAUSED board veils the restaurant but leaves the bar in front, and says so in white.
    for (int x : {150, 250, 350})
        expectColor("pause", pause, x, 552, barRed);
    expectColor("pause", pause, 450, 560, moneyGrey);
    for (int y : {100, 300})
        expectColor("pause", pause, 10, y, Veiled(kitchen.At(10, y)), 1);
    // Under the veil nothing of the restaurant is brighter than half: white there is the text.
    EXPECT_GT(pause.WhiteIn(300, 370, 500, 410), 150);

    // The level board veils everything, the bar too, and carries its four lines in white.
    expectColor("level up", levelUp, 150, 552, Veiled(barRed), 1);
    expectColor("level up", levelUp, 450, 560, Veiled(moneyGrey), 1);
    expectColor("level up", levelUp, 10, 300, Veiled(kitchen.At(10, 300)), 1);
    for (int line = 0; line < 4; line++)
    {
        const int y = 200 + line * 50;
        EXPECT_GT(levelUp.WhiteIn(200, y - 30, 600, y + 10), 100) << "board line " << line;
    }
    EXPECT_GT(Difference(kitchen, pause), 0.5);
}

void GameShots::CompareKitchenIn3D()
{
    // The frame on show was drawn before this update: both are drawn afresh from the state now.
    auto frameNow = [this](const char* suffix)
    {
        mApp->mWidgetManager->MarkTreeDirty();
        mApp->mWidgetManager->DrawScreen();
        mApp->Redraw(nullptr);
        mSuffix = suffix;
        TakeShot("kitchen_same_frame");
        mSuffix.clear();
        return mShots["kitchen_same_frame"];
    };
    const Shot twoD = frameNow("");
    mApp->Set3D(true, true);
    ASSERT_TRUE(mApp->Is3DEnabled()) << "no renderer under the X server";
    const Shot threeD = frameNow("_3d");
    mApp->Set3D(false, true);
    ASSERT_FALSE(mApp->Is3DEnabled());

    // Pixel by pixel, with the renderer's tolerances (IntegrationSupport.h says why). The differences,
    // eight times brighter, are kept beside the shots.
    Shot difference = twoD;
    for (size_t i = 0; i < twoD.pixels.size(); i++)
    {
        uint32_t d = 0;
        for (int shift : {0, 8, 16})
            d |= uint32_t(std::min(255, 8 * std::abs(int(twoD.pixels[i] >> shift & 0xFF) -
                                                     int(threeD.pixels[i] >> shift & 0xFF))))
                 << shift;
        difference.pixels[i] = d;
    }
    SavePng(mShotDir / "kitchen_difference.png", difference);
    const IntegrationTest::FrameDifference apart = IntegrationTest::CompareFrames(
        twoD.pixels, threeD.pixels, IntegrationTest::kRendererTolerance, IntegrationTest::kRendererFar);
    EXPECT_GT(apart.mWithin, 0.995);
    EXPECT_LT(apart.mFar, 0.0005);
    std::printf("kitchen 3-D against 2-D: %.3f%% of the pixels within %d per channel, %.3f%% off by more "
                "than %d\n",
                100.0 * apart.mWithin, IntegrationTest::kRendererTolerance, 100.0 * apart.mFar,
                IntegrationTest::kRendererFar);
}

void GameShots::PlayAllScreens(bool threeD)
{
    LinkAssets();
    mSuffix = threeD ? "_3d" : "";
    // A shot that cannot be taken leaves no old picture behind.
    for (const std::string& name : mNames)
        fs::remove(mShotDir / (name + mSuffix + ".png"));
    if (!threeD)
        for (const char* name :
             {"kitchen_same_frame.png", "kitchen_same_frame_3d.png", "kitchen_difference.png"})
            fs::remove(mShotDir / name);
    mApp = std::make_unique<GameAppSupport::TestGameApp>();
    mApp->mUpdateLimit = 60000;
    // The player's setting of hardware acceleration.
    mApp->RegistryWriteBoolean("Is3D", threeD);
    mApp->Init();
    ASSERT_TRUE(mApp->mInitialized);
    // A software rasteriser is on the game's list of refused cards, and a first start's self test
    // then keeps 3-D off; the player switches it on anyway, as Shift+F8 does.
    if (threeD && !mApp->Is3DEnabled())
        mApp->Set3D(true, true);
    ASSERT_EQ(mApp->Is3DEnabled(), threeD)
        << (mApp->mDDInterface->mD3DTester
                ? mApp->mDDInterface->mD3DTester->mFailureReason + mApp->mDDInterface->mD3DTester->mWarning
                : std::string("no self test"));

    ScriptMenuAndTutorial();
    ScriptKitchenWork();
    ScriptCustomers();
    ScriptBoards();
    mScript.Add("end",
                [this]
                {
                    mApp->ShowFrame(0);
                    mApp->Shutdown();
                    return true;
                });
    std::string stuck;
    mApp->mOnUpdate = [&](int)
    {
        // Only the updates after loading count towards a step's limit.
        if (!mApp->mLoadingDoneHandled)
            return;
        if (!mScript.Run() && stuck.empty())
        {
            stuck = mScript.Current();
            mApp->Shutdown();
        }
    };
    mApp->Start();
    EXPECT_TRUE(mApp->mFatal.empty()) << mApp->mFatal.front();
    ASSERT_TRUE(stuck.empty()) << "the run got stuck at: " << stuck;
    ASSERT_TRUE(mScript.Done()) << "the run ended at: " << mScript.Current();
    EXPECT_EQ(mApp->Is3DEnabled(), threeD) << "the renderer failed: " << Lumo::gRendererErrorString;
    for (const std::string& name : mNames)
    {
        ASSERT_EQ(mShots.count(name), 1u) << name;
        EXPECT_TRUE(fs::is_regular_file(mShotDir / (name + mSuffix + ".png"))) << name;
    }
    for (size_t a = 0; a < mNames.size(); a++)
        for (size_t b = a + 1; b < mNames.size(); b++)
            EXPECT_GT(Difference(mShots[mNames[a]], mShots[mNames[b]]), 0.05)
                << mNames[a] << " " << mNames[b];
    CheckPictures();
    // Switched on during this run without a clean self test, hardware acceleration is confirmed at
    // exit: the player keeps it.
    PlatformTest::ScriptMessageBoxes({IDYES});
    mApp.reset();
    const auto boxes = PlatformTest::ShownMessageBoxes();
    PlatformTest::ResetMessageBoxes();
    ASSERT_EQ(boxes.size(), threeD ? 1u : 0u);
    if (threeD)
    {
        EXPECT_EQ(boxes[0].caption, " Hardware Acceleration Confirmation");
    }
}

} // namespace

TEST_F(GameShots, TheGameInARealWindow)
{
    PlayAllScreens(false);
}

TEST_F(GameShots, TheGameInARealWindowThroughTheRenderer)
{
    PlayAllScreens(true);
}
