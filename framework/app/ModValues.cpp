#include "app/ModValues.h"

#include "app/Common.h"
#include "app/LumoAppBase.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <fstream>
#include <mutex>

namespace Lumo
{

namespace
{
std::mutex gModLock;
bool gDatesKnown = false;
int64_t gProgramDate = 0;
// The newest source date a re-read has seen.
int64_t gNewestDate = 0;

// Files older than the program itself hold what it was built from: only later edits count.
int64_t ProgramDate()
{
    if (!gDatesKnown)
    {
        gProgramDate = gNewestDate = GetFileDate(GetProgramPath());
        gDatesKnown = true;
    }
    return gProgramDate;
}

ModStorage& Register(ModSite& site, const char* file, int line, int slot)
{
    line = std::max(0, line);
    slot = std::clamp(slot, 0, ModLine::kSlots - 1);
    if (site.mFirstUse)
    {
        auto inserted = ModFileMap().emplace(file, FileMods());
        if (inserted.second)
            inserted.first->second.mLastDate = ProgramDate();
        site.mFile = &inserted.first->second;
        if ((int)site.mFile->mLines.size() <= line)
            site.mFile->mLines.resize(line + 1);
        site.mFile->mLines[line].mRegistered[slot] = true;
        site.mFirstUse = false;
    }
    return site.mFile->mLines[line].mSlots[slot];
}

void Store(ModStorage& storage, const std::string& text)
{
    if (text.find('.') != std::string::npos)
    {
        double value;
        if (!StringToDouble(text, &value))
            return;
        storage.mDouble = value;
        // Beyond int's range the conversion itself would be undefined: keep the nearest int.
        storage.mInt = std::isnan(value) ? 0 : (int)std::clamp(value, double(INT_MIN), double(INT_MAX));
    }
    else
    {
        int value;
        if (!StringToInt(text, &value))
            return;
        storage.mInt = value;
        storage.mDouble = value;
    }
    storage.mSet = true;
}

bool IsNameChar(char c)
{
    return std::isalnum((unsigned char)c) || c == '_';
}

// Takes the values of one line's registered sites; false with the error text when the line
// holds the plain macro twice.
bool ParseLine(const std::string& text, ModLine& line, const std::string& file, int lineNumber,
               std::string* error)
{
    int plainUses = 0;
    for (size_t pos = 0; (pos = text.find('M', pos)) != std::string::npos; ++pos)
    {
        if (pos > 0 && IsNameChar(text[pos - 1]))
            continue;
        size_t open = pos + 1;
        int slot = 0;
        if (open < text.size() && text[open] >= '1' && text[open] <= '9')
            slot = text[open++] - '0';
        if (open >= text.size() || text[open] != '(')
            continue;
        if (slot == 0 && ++plainUses > 1)
        {
            *error = FormatString(
                "ERROR in %s on line %d: If you want to use more than one M() value per line, you must use "
                "the "
                "numbered macros (ie: M1(), M2(), M3(), etc), using each one a maximum of once per line.  "
                "Alternatively, you may split up your statement into multiple lines.",
                file.c_str(), lineNumber);
            return false;
        }
        size_t close = text.find(')', open + 1);
        if (close != std::string::npos && line.mRegistered[slot])
            Store(line.mSlots[slot], text.substr(open + 1, close - open - 1));
    }
    return true;
}

void ShowBox(const std::string& caption, const std::string& text)
{
    if (LumoAppBase* app = gLumoAppBase)
        app->ShowMessageBox(text, caption, MB_OK);
    else
        MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK);
}
} // namespace

std::map<std::string, FileMods>& ModFileMap()
{
    static std::map<std::string, FileMods> files;
    return files;
}

int ModValue(ModSite& site, const char* file, int line, int slot, int literal)
{
    std::lock_guard<std::mutex> lock(gModLock);
    ModStorage& storage = Register(site, file, line, slot);
    return storage.mSet ? storage.mInt : literal;
}

double ModValue(ModSite& site, const char* file, int line, int slot, double literal)
{
    std::lock_guard<std::mutex> lock(gModLock);
    ModStorage& storage = Register(site, file, line, slot);
    return storage.mSet ? storage.mDouble : literal;
}

bool ReparseModValues()
{
    std::string caption, message;
    {
        std::lock_guard<std::mutex> lock(gModLock);
        ProgramDate();
        bool changed = false;
        std::string names;
        for (auto& [name, mods] : ModFileMap())
        {
            names += (names.empty() ? "" : "\r\n  ") + name;
            int64_t date = GetFileDate(name);
            if (date <= mods.mLastDate)
                continue;
            changed = true;
            mods.mLastDate = date;
            gNewestDate = std::max(gNewestDate, date);
            std::ifstream in(Platform::HostPath(name.c_str()), std::ios::binary);
            if (!in)
            {
                caption = "MODVAL ERROR!";
                message = "ERROR: Unable to open " + name + " for reparsing.";
                break;
            }
            // Whole lines, however long, so that line numbers stay right.
            std::string text;
            for (int number = 1; std::getline(in, text) && number < (int)mods.mLines.size(); ++number)
                if (!ParseLine(text, mods.mLines[number], name, number, &message))
                {
                    caption = "MODVAL ERROR";
                    break;
                }
            if (!caption.empty())
                break;
        }
        if (caption.empty() && !changed)
        {
            caption = "MODVAL WARNING!";
            message =
                "WARNING: No file changes detected.  Files parsed: \r\n  " + (names.empty() ? "none" : names);
        }
    }
    if (caption.empty())
        return true;
    ShowBox(caption, message);
    return false;
}

} // namespace Lumo
