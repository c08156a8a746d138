// Demo recording and playback on the application: the records of the window messages, the
// synchronised calls, the player and the playback keys.
#include "app/Common.h"
#include "app/LumoAppBase.h"
#include "widgets/WidgetManager.h"
#include "app/MersenneTwister.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace Lumo
{
void LumoAppBase::WriteDemoTimingBlock()
{
    mDemo.WriteTimingBlock(mUpdateCount);
}

bool LumoAppBase::ReadDemoTimingBlock()
{
    return mDemo.ReadTimingBlock(mUpdateCount);
}

void LumoAppBase::ProcessDemo()
{
    if (!mPlayingDemo)
        return;
    while (!mShutdown && mUpdateCount == mDemo.mLastDemoUpdateCnt)
    {
        if (mDemo.AtEnd() || !ReadDemoTimingBlock())
            return;
        DemoRecord record;
        if (!mDemo.TakeRecord(record))
            return;
        ReplayDemoRecord(record);
        mCursorDemoX = mDemo.mDemoMouseX;
        mCursorDemoY = mDemo.mDemoMouseY;
    }
}

void LumoAppBase::ReplayDemoRecord(const DemoRecord& record)
{
    WidgetManager* widgets = mWidgetManager;
    if (record.mIsShort)
    {
        if (!widgets)
            return;
        if (record.mType == DEMO_SHORT_MOVE)
            widgets->MouseMove(record.mX, record.mY);
        else if (record.mFlag)
            widgets->MouseDown(record.mX, record.mY, record.mValue);
        else
            widgets->MouseUp(record.mX, record.mY, record.mValue);
        return;
    }
    switch (record.mType)
    {
    case DEMO_MOUSE_POSITION:
        if (widgets)
            widgets->MouseMove(record.mX, record.mY);
        break;
    case DEMO_ACTIVATE_APP:
        mActive = record.mFlag;
        HandleActivation();
        break;
    case DEMO_SIZE:
        if (!mShutdown && record.mFlag != mMinimized)
            HandleSizeMessage(record.mFlag);
        break;
    case DEMO_KEY_DOWN:
        if (widgets)
            widgets->KeyDown(record.mValue);
        break;
    case DEMO_KEY_UP:
        if (widgets)
            widgets->KeyUp(record.mValue);
        break;
    case DEMO_KEY_CHAR:
        if (widgets)
            widgets->KeyChar((char)record.mValue);
        break;
    case DEMO_CLOSE:
        Shutdown();
        break;
    case DEMO_MOUSE_ENTER:
        mMouseIn = true;
        ApplyCursor();
        break;
    case DEMO_MOUSE_EXIT:
        if (widgets)
            widgets->MouseExit();
        mMouseIn = false;
        ApplyCursor();
        break;
    case DEMO_LOADING_COMPLETE:
        mDemoLoadingComplete = true;
        break;
    case DEMO_MOUSE_WHEEL:
        if (widgets)
            widgets->MouseWheel(record.mValue);
        break;
    case DEMO_VIDEO_DATA:
        mIsWindowed = record.mFlag;
        mRefreshRate = record.mValue;
        break;
    default:
        break;
    }
}

void LumoAppBase::DemoSyncBuffer(Buffer& buffer)
{
    if (mRecordingDemo)
        mDemo.RecordSync(mUpdateCount, buffer);
    else if (mPlayingDemo && !mCloseMessageSeen)
        mDemo.TakeSync(mUpdateCount, buffer);
}

void LumoAppBase::DemoSyncString(std::string& value)
{
    Buffer buffer;
    buffer.WriteString(value);
    DemoSyncBuffer(buffer);
    buffer.SeekFront();
    value = buffer.ReadString();
}

void LumoAppBase::DemoSyncBool(bool& value)
{
    Buffer buffer;
    buffer.WriteBoolean(value);
    DemoSyncBuffer(buffer);
    buffer.SeekFront();
    value = buffer.ReadBoolean();
}

bool LumoAppBase::ReadDemoFile(std::string& error)
{
    DemoFileContents contents;
    if (!Lumo::ReadDemoFile(mDemoFileName, mProductName, contents, error))
        return false;
    mDemo.SetEvents(contents.mEvents.data(), (int)contents.mEvents.size());
    if (!mDemo.CheckEvents())
    {
        error = DEMO_FILE_INVALID;
        return false;
    }
    mRandSeed = contents.mRandSeed;
    SRand(mRandSeed);
    mDemoMarkerList = std::move(contents.mMarkers);
    mDemoLength = contents.mDemoLength;
    return true;
}

void LumoAppBase::WriteDemoFile()
{
    if (!mRecordingDemo)
        return;
    DemoFileContents contents;
    contents.mRandSeed = mRandSeed;
    contents.mProductName = mProductName;
    contents.mMarkers = mDemoMarkerList;
    contents.mDemoLength = mUpdateCount;
    const unsigned char* events = mDemo.mBuffer.GetDataPtr();
    if (events)
        contents.mEvents.assign(events, events + mDemo.mBuffer.GetDataLen());
    // The recording was asked for: losing it is said, never silent. A numbered demo never replaces
    // one that another run saved under its number meanwhile: it takes the next free number.
    std::string error;
    bool taken = false;
    bool saved;
    while (!(saved = Lumo::WriteDemoFile(mDemoFileName, contents, error,
                                         mDemoFileNumber > 0 ? &taken : nullptr)) &&
           taken)
        mDemoFileName = NumberedDemoFileName(mDemoFilePrefix, ++mDemoFileNumber);
    if (!saved)
        MessageBoxA(nullptr, ("The demo could not be saved as " + mDemoFileName + ": " + error).c_str(),
                    "Demo Not Saved", MB_ICONERROR);
}

int LumoAppBase::DemoFileNumbering(int keep, bool deleteOldest)
{
    // The options are read before Init moves to the working folder: number where the demo will be.
    return Lumo::DemoFileNumbering(WorkingFolder(), mDemoFilePrefix, keep, deleteOldest);
}

void LumoAppBase::RecordDisplayState(bool windowed, int refreshRate)
{
    mRefreshRate = refreshRate;
    if (mRecordingDemo)
        mDemo.RecordDisplay(mUpdateCount, windowed, refreshRate);
}

std::string LumoAppBase::GetDemoJumpTime()
{
    std::string keyPath, valueName;
    char text[256];
    DWORD type = 0, size = sizeof text;
    if (!RegistryKeyPath("DemoJumpTime", keyPath, valueName) ||
        !ReadRegistryValue(keyPath, valueName, &type, text, &size) || type != REG_SZ)
        return std::string();
    return std::string(text, strnlen(text, size));
}

void LumoAppBase::JumpToTime(const std::string& text)
{
    std::string keyPath, valueName;
    if (RegistryKeyPath("DemoJumpTime", keyPath, valueName))
        WriteRegistryValue(keyPath, valueName, REG_SZ, text.data(), (DWORD)text.size());
    // Held to the int range at every step: many or long pieces would run past any integer.
    long long seconds = 0;
    size_t start = 0;
    for (;;)
    {
        size_t colon = text.find(':', start);
        long long piece = std::strtoll(text.substr(start, colon - start).c_str(), nullptr, 10);
        seconds = std::clamp<long long>(seconds * 60 + std::clamp<long long>(piece, INT32_MIN, INT32_MAX),
                                        INT32_MIN, INT32_MAX);
        if (colon == std::string::npos)
            break;
        start = colon + 1;
    }
    long long target = mDemoLength - (seconds + 1) * 1000 / mFrameTime;
    mFastForwardToUpdateNum = (int)std::clamp<long long>(target, INT32_MIN, INT32_MAX);
    // The time spent choosing is not caught up.
    mLastAccumulateTime = timeGetTime();
}

std::vector<std::pair<std::string, int>> LumoAppBase::MarkerListItems() const
{
    std::vector<std::pair<std::string, int>> items;
    for (const DemoMarker& marker : mDemoMarkerList)
    {
        if (marker.mUpdateCount <= mUpdateCount)
            continue;
        long long seconds = (long long)marker.mUpdateCount * mFrameTime / 1000;
        items.emplace_back(FormatString("%s (%02d:%02d:%02d)", marker.mName.c_str(), (int)(seconds / 3600),
                                        (int)(seconds / 60 % 60), (int)(seconds % 60)),
                           marker.mUpdateCount);
    }
    return items;
}

void LumoAppBase::JumpToMarker(int updateCount)
{
    if (updateCount > mUpdateCount)
        mFastForwardToUpdateNum = updateCount;
    mLastAccumulateTime = timeGetTime();
}

void LumoAppBase::HandlePlaybackChar(char c)
{
    static const int jumpBackMs[] = {120000, 90000, 60000, 30000, 10000, 5000}; // keys 4 to 9
    switch (c)
    {
    case '+':
        mUpdateMultiplier *= 1.5;
        break;
    case '-':
        mUpdateMultiplier /= 1.5;
        break;
    case '=':
        mUpdateMultiplier = 1.0;
        break;
    case 'p':
    case 'P':
        mSimulationPaused = !mSimulationPaused;
        ResetTimeAccumulator();
        break;
    case 'n':
    case 'N':
        mFastForwardToUpdateNum = mUpdateCount + 1;
        mFastForwardStep = true;
        break;
    case 'm':
    case 'M':
        // Pressed again, it stops: every playback state a key sets, a key can unset.
        mFastForwardToEnd = !mFastForwardToEnd;
        break;
    case 'l':
    case 'L':
        ShowMarkerListDialog();
        break;
    case 'j':
    case 'J':
        ShowJumpToTimeDialog();
        break;
    case 's':
    case 'S':
        if (mMusicVolume == 0.0)
            SetMusicVolume(mDemoMusicVolume);
        else
        {
            mDemoMusicVolume = mMusicVolume;
            SetMusicVolume(0.0);
        }
        if (mSfxVolume == 0.0)
            SetSfxVolume(mDemoSfxVolume);
        else
        {
            mDemoSfxVolume = mSfxVolume;
            SetSfxVolume(0.0);
        }
        break;
    case '0':
        mFastForwardToUpdateNum = mDemoLength;
        break;
    default:
        if (c >= '4' && c <= '9')
            mFastForwardToUpdateNum = mDemoLength - jumpBackMs[c - '4'] / mFrameTime;
        break;
    }
}
} // namespace Lumo
