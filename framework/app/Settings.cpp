// Settings kept under the application's registry key; every read and write passes the demo stream.
#include "app/LumoAppBase.h"
#include "app/SettingValues.h"

namespace Lumo
{
bool LumoAppBase::RegistryKeyPath(const std::string& name, std::string& keyPath, std::string& valueName) const
{
    if (mRegistryKey.empty())
        return false;
    keyPath = "SOFTWARE\\" + mRegistryKey;
    size_t slash = name.rfind('\\');
    if (slash == std::string::npos)
        valueName = name;
    else
    {
        keyPath += "\\" + name.substr(0, slash);
        valueName = name.substr(slash + 1);
    }
    return true;
}

bool LumoAppBase::RegistryWrite(const std::string& name, DWORD type, const void* data, DWORD size)
{
    std::string keyPath, valueName;
    if (!RegistryKeyPath(name, keyPath, valueName))
        return false;
    if (mPlayingDemo)
    {
        bool success = false;
        if (!mCloseMessageSeen)
            mDemo.TakeRegistryWrite(mUpdateCount, &success);
        return success;
    }
    bool success = WriteRegistryValue(keyPath, valueName, type, data, size);
    if (mRecordingDemo)
        mDemo.RecordRegistryWrite(mUpdateCount, success);
    return success;
}

bool LumoAppBase::WriteRegistryValue(const std::string& keyPath, const std::string& valueName, DWORD type,
                                     const void* data, DWORD size)
{
    HKEY key = nullptr;
    bool success = false;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_WRITE, &key) == ERROR_SUCCESS ||
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, (LPSTR) "Key", REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS)
    {
        // A value the registry refused is a failed write, not a success.
        success = RegSetValueExA(key, valueName.c_str(), 0, type, static_cast<const BYTE*>(data), size) ==
                  ERROR_SUCCESS;
        RegCloseKey(key);
    }
    return success;
}

bool LumoAppBase::RegistryWriteString(const std::string& name, const std::string& value)
{
    return RegistryWrite(name, REG_SZ, value.data(), (DWORD)value.size());
}

bool LumoAppBase::RegistryWriteInteger(const std::string& name, int value)
{
    DWORD dword = (DWORD)value;
    return RegistryWrite(name, REG_DWORD, &dword, sizeof dword);
}

bool LumoAppBase::RegistryWriteBoolean(const std::string& name, bool value)
{
    return RegistryWriteInteger(name, value ? 1 : 0);
}

bool LumoAppBase::RegistryRead(const std::string& name, DWORD* type, void* data, DWORD* size)
{
    std::string keyPath, valueName;
    if (!RegistryKeyPath(name, keyPath, valueName))
        return false;
    if (mPlayingDemo)
    {
        bool success = false;
        uint32_t recordedType = 0, recordedSize = *size;
        if (!mCloseMessageSeen)
            mDemo.TakeRegistryRead(mUpdateCount, &success, &recordedType, data, &recordedSize);
        if (success)
        {
            *type = recordedType;
            *size = recordedSize;
        }
        return success;
    }
    bool success = ReadRegistryValue(keyPath, valueName, type, data, size);
    if (mRecordingDemo)
        mDemo.RecordRegistryRead(mUpdateCount, success, success ? *type : 0, data, success ? *size : 0);
    return success;
}

bool LumoAppBase::ReadRegistryValue(const std::string& keyPath, const std::string& valueName, DWORD* type,
                                    void* data, DWORD* size)
{
    HKEY key = nullptr;
    bool success = false;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS)
    {
        success = RegQueryValueExA(key, valueName.c_str(), nullptr, type, static_cast<BYTE*>(data), size) ==
                  ERROR_SUCCESS;
        RegCloseKey(key);
    }
    return success;
}

bool LumoAppBase::RegistryReadInteger(const std::string& name, int* value)
{
    DWORD type = 0, dword = 0, size = sizeof dword;
    if (!RegistryRead(name, &type, &dword, &size) || type != REG_DWORD || size != sizeof dword)
        return false;
    *value = (int)dword;
    return true;
}

bool LumoAppBase::RegistryReadBoolean(const std::string& name, bool* value)
{
    int integer = 0;
    if (!RegistryReadInteger(name, &integer))
        return false;
    *value = integer != 0;
    return true;
}

void LumoAppBase::RegistryDeleteValue(const std::string& name)
{
    std::string keyPath, valueName;
    HKEY key = nullptr;
    if (!RegistryKeyPath(name, keyPath, valueName) ||
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_WRITE, &key) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(key, valueName.c_str());
    RegCloseKey(key);
}

void LumoAppBase::SetCustomCursorsEnabled(bool enabled)
{
    mCustomCursorsEnabled = enabled;
    ApplyCursor();
}

void LumoAppBase::SaveSettings()
{
    if (mRegistryKey.empty())
        return;
    // Nine values, one write of the settings file.
    Platform::RegistryBatch batch;
    RegistryWriteInteger("MusicVolume", VolumeToSetting(mMusicVolume));
    RegistryWriteInteger("SfxVolume", VolumeToSetting(mSfxVolume));
    RegistryWriteBoolean("Muted", mMuteCount - mAutoMuteCount > 0);
    RegistryWriteBoolean("ScreenMode", !mIsWindowed);
    RegistryWriteInteger("PreferredX", mPreferredX);
    RegistryWriteInteger("PreferredY", mPreferredY);
    RegistryWriteBoolean("CustomCursors", mCustomCursorsEnabled);
    RegistryWriteBoolean("InProgress", false);
    RegistryWriteBoolean("WaitForVSync", mWaitForVSync);
}

void LumoAppBase::LoadSettings()
{
    mSettingsLoaded = true;
    mRegistryKey = GetString("RegistryKey", mRegistryKey);
    if (mRegistryKey.empty())
        return;
    Platform::SetRegistryFolderName(mRegistryKey);
    int value = 0;
    if (RegistryReadInteger("MusicVolume", &value))
        mMusicVolume = VolumeFromSetting(value);
    if (RegistryReadInteger("SfxVolume", &value))
        mSfxVolume = VolumeFromSetting(value);
    if (RegistryReadInteger("Muted", &value))
        mMuteCount = value != 0 ? 1 : 0;
    if (RegistryReadInteger("ScreenMode", &value))
        mIsWindowed = value == 0;
    if (RegistryReadInteger("PreferredX", &value))
        mPreferredX = value;
    if (RegistryReadInteger("PreferredY", &value))
        mPreferredY = value;
    if (RegistryReadInteger("CustomCursors", &value))
        SetCustomCursorsEnabled(value != 0);
    if (RegistryReadInteger("WaitForVSync", &value))
        mWaitForVSync = value != 0;
    RegistryReadInteger("InProgress", &value);
    if (!mScreenSaverMode)
        RegistryWriteBoolean("InProgress", true);
}
} // namespace Lumo
