// Developer tools on pictures: screenshots, the dump of every live picture and the video-memory
// statistics.
#include "app/Common.h"
#include "app/CriticalSection.h"
#include "app/LumoAppBase.h"
#include "core/atomic_file.h"
#include "display/D3DInterface.h"
#include "display/DDImage.h"
#include "display/DDInterface.h"
#include "graphics/Graphics.h"
#include "media/ImageLib.h"
#include "win32/windows.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <climits>
#include <cstring>
#include <vector>

namespace Lumo
{
namespace
{
// The highest N of the "imageN.png" files in the folder; 0 when there is none.
int HighestScreenshotNumber(const std::string& folder)
{
    int highest = 0;
    WIN32_FIND_DATAA found{};
    HANDLE find = FindFirstFileA((folder + "/" + "*.png").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    do
    {
        // The number as %d reads it ("image012.png" is 12), and ".png" must end the name.
        const char* digits = found.cFileName + 5;
        char* end = nullptr;
        errno = 0;
        long number = std::strncmp(found.cFileName, "image", 5) == 0 ? std::strtol(digits, &end, 10) : 0;
        if (end != nullptr && end != digits && errno == 0 && number >= 0 && number <= INT_MAX &&
            std::strcmp(end, ".png") == 0)
            highest = std::max(highest, int(number));
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return highest;
}

constexpr char kDumpFolder[] = "_dump";

// A new empty folder of a fresh name beside `folder`; empty when `folder` is there and no folder
// (nothing could be put in its place) or none can be made.
std::string MakeDumpFolder(const std::string& folder)
{
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return "";
    for (int tries = 0; tries < 100; tries++)
    {
        std::string name = Platform::TemporaryName(folder);
        if (_mkdir(name.c_str()) == 0)
            return name;
        if (errno != EEXIST)
            return "";
    }
    return "";
}

// The finished dump takes the place of the one before, which goes. A file system that cannot swap
// two folders has the old one deleted first.
bool PutDumpInPlace(const std::string& built, const std::string& folder)
{
    for (int tries = 0; tries < 100; tries++)
    {
        const int reason = Platform::PutFolderInPlace(built, folder);
        if (reason == 0)
        {
            DeleteTree(built);
            return true;
        }
        if (reason != EINVAL && reason != ENOSYS)
            break;
        DeleteTree(folder);
        if (std::rename(built.c_str(), folder.c_str()) == 0)
            return true;
    }
    DeleteTree(built);
    return false;
}

// Makes the empty file "imageN.png" for the first N from `number` that no file has: another copy
// of the program may have taken a number since the folder was listed, and its screenshot stays.
// Empty when no number is left or the file cannot be made.
std::string MakeScreenshotFile(const std::string& folder, int number)
{
    for (;; number++)
    {
        std::string fileName = folder + "/" + "image" + FormatString("%d.png", number);
        HANDLE file = CreateFileA(fileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE)
        {
            CloseHandle(file);
            return fileName;
        }
        if (GetLastError() != ERROR_FILE_EXISTS || number == INT_MAX)
            return "";
    }
}

// The byte counts of a picture's kinds of data; 0 where it has none.
struct ImageBytes
{
    int mBits = 0;
    int mPalette = 0;
    int mSurface = 0;
    int mNativeAlpha = 0;
    int mRLAlpha = 0;
    int mRLAdditive = 0;
    int mTexture = 0;
    int mTextureFormat = 0;

    ImageBytes() = default;
    explicit ImageBytes(MemoryImage* image)
    {
        int pixels = image->mWidth * image->mHeight;
        if (image->mBits)
            mBits = pixels * 4;
        if (image->mColorTable && image->mColorIndices)
            mPalette = 256 * 4 + pixels;
        if (auto* dd = SurfaceImageOf(image); dd && dd->mSurface)
            mSurface = pixels * 4;
        if (image->mNativeAlphaData)
            mNativeAlpha = pixels * 4;
        if (image->mRLAlphaData)
            mRLAlpha = pixels;
        if (image->mRLAdditiveData)
            mRLAdditive = pixels;
        if (auto* texture = static_cast<const TextureData*>(image->mTextureData); texture && texture->mBuilt)
        {
            mTexture = texture->mTexMemSize;
            mTextureFormat = texture->mFormat;
        }
    }
    int Total() const
    {
        return mBits + mPalette + mSurface + mNativeAlpha + mRLAlpha + mRLAdditive + mTexture;
    }
};

std::string SizeCell(const char* label, int bytes)
{
    return bytes > 0 ? "<TD>" + std::string(label) + "<BR>" + CommaSeparate(bytes) + "</TD>"
                     : "<TD>&nbsp;</TD>";
}

std::string TextureCell(const ImageBytes& bytes)
{
    return bytes.mTexture > 0
               ? FormatString("<TD>Texture<BR>%s<BR>%s</TD>", PixelFormatName(bytes.mTextureFormat),
                              CommaSeparate(bytes.mTexture).c_str())
               : "<TD>&nbsp;</TD>";
}

std::string FlagCell(const char* label, bool set)
{
    return set ? "<TD>" + std::string(label) + "</TD>" : "<TD>&nbsp;</TD>";
}

// A picture file of the pixels, sampled (nearest pixel) to size x size when size > 0.
bool WritePixels(const std::string& fileName, const uint32_t* bits, int width, int height, int size,
                 bool jpeg)
{
    if (bits == nullptr || width <= 0 || height <= 0)
        return false;
    ImageLib::Image file;
    file.mWidth = size > 0 ? size : width;
    file.mHeight = size > 0 ? size : height;
    file.mBits = new uint32_t[size_t(file.mWidth) * file.mHeight];
    for (int y = 0; y < file.mHeight; y++)
        for (int x = 0; x < file.mWidth; x++)
            file.mBits[size_t(y) * file.mWidth + x] =
                bits[size_t(y * height / file.mHeight) * width + x * width / file.mWidth];
    return jpeg ? ImageLib::WriteJPEGImage(fileName, &file) : ImageLib::WritePNGImage(fileName, &file);
}

// A copy of the picture's pixels as they stand (none when it has none). The 3-D screen refuses a
// lock: it is read while the display's drawing target is detached. Display lock held.
std::vector<uint32_t> CopyOfPixels(DDInterface* display, MemoryImage* image)
{
    auto* surfaceImage = SurfaceImageOf(image);
    const bool screen = surfaceImage != nullptr && surfaceImage->IsScreen();
    if (screen)
    {
        display->mD3DInterface->Flush();
        display->mIs3D = false;
    }
    std::vector<uint32_t> pixels;
    if (const uint32_t* bits = image->GetBits())
        pixels.assign(bits, bits + size_t(image->mWidth) * size_t(image->mHeight));
    if (screen)
    {
        // What was read back goes stale at the renderer's next draw.
        surfaceImage->DeleteCaches();
        display->mIs3D = true;
    }
    return pixels;
}
} // namespace

std::string LumoAppBase::TakeScreenshot()
{
    DDImage* screen = mDDInterface ? mDDInterface->GetDrawSurfaceImage() : nullptr;
    if (screen == nullptr)
        return "";
    const std::string folder = "_screenshots";
    MkDir(folder);
    // Past the largest number there is none left: nothing is written rather than one overwritten.
    const int highest = HighestScreenshotNumber(folder);
    if (highest == INT_MAX)
        return "";

    std::vector<uint32_t> pixels;
    {
        DisplayLock lock(mDDInterface);
        pixels = CopyOfPixels(mDDInterface, screen);
    }
    const std::string fileName = pixels.empty() ? "" : MakeScreenshotFile(folder, highest + 1);
    bool written =
        !fileName.empty() && WritePixels(fileName, pixels.data(), screen->mWidth, screen->mHeight, 0, false);
    ResetTimeAccumulator();
    return written ? fileName : "";
}

bool LumoAppBase::DumpImages()
{
    // Written whole in a folder of its own and then put in place of the last dump: another copy of
    // the program dumping meanwhile neither deletes nor writes over this dump's files.
    const std::string built = MakeDumpFolder(kDumpFolder);
    if (built.empty())
    {
        ResetTimeAccumulator();
        return false;
    }

    // The loading thread adds and drops pictures meanwhile: the set is walked, and every picture
    // in it written, under the display lock, so that none is removed or freed halfway.
    ImageBytes totals;
    std::string rows;
    int total = 0;
    {
        AutoCrit lock(DisplayLockOf(mDDInterface));
        std::vector<std::pair<int, MemoryImage*>> images;
        for (MemoryImage* image : mMemoryImageSet)
            images.emplace_back(ImageBytes(image).Total(), image);
        std::stable_sort(images.begin(), images.end(),
                         [](const auto& a, const auto& b) { return a.first > b.first; });

        for (size_t k = 0; k < images.size(); k++)
        {
            MemoryImage* image = images[k].second;
            ImageBytes bytes(image);
            std::string imageName = FormatString("img%04d.png", int(k));
            std::string thumbName = FormatString("thumb%04d.jpg", int(k));
            const std::vector<uint32_t> pixels = CopyOfPixels(mDDInterface, image);
            const uint32_t* bits = pixels.empty() ? nullptr : pixels.data();
            // The page links only the files there are.
            const bool written =
                WritePixels(built + "/" + imageName, bits, image->mWidth, image->mHeight, 0, false) &&
                WritePixels(built + "/" + thumbName, bits, image->mWidth, image->mHeight, 64, true);

            total += bytes.Total();
            totals.mBits += bytes.mBits;
            totals.mPalette += bytes.mPalette;
            totals.mSurface += bytes.mSurface;
            totals.mNativeAlpha += bytes.mNativeAlpha;
            totals.mRLAlpha += bytes.mRLAlpha;
            totals.mRLAdditive += bytes.mRLAdditive;
            totals.mTexture += bytes.mTexture;

            rows += "<TR>";
            rows += written ? "<TD><A HREF=" + imageName + "><IMG SRC=" + thumbName +
                                  " WIDTH=" + std::to_string(image->mWidth) +
                                  " HEIGHT=" + std::to_string(image->mHeight) + "></A></TD>"
                            : "<TD>&nbsp;</TD>";
            rows += "<TD ALIGN=RIGHT>" +
                    FormatString("%d x %d<BR>%s bytes", image->mWidth, image->mHeight,
                                 CommaSeparate(bytes.Total()).c_str()) +
                    "</TD>";
            rows += SizeCell("mBits", bytes.mBits);
            rows += SizeCell("Palletized", bytes.mPalette);
            rows += SizeCell("DDSurface", bytes.mSurface);
            rows += TextureCell(bytes);
            rows += FlagCell("Volatile", image->mIsVolatile);
            rows += FlagCell("Forced", image->mForcedMode);
            rows += FlagCell("HasAlpha", image->mHasAlpha);
            rows += FlagCell("HasTrans", image->mHasTrans);
            rows += SizeCell("NativeAlpha", bytes.mNativeAlpha);
            rows += SizeCell("RLAlpha", bytes.mRLAlpha);
            rows += SizeCell("RLAdditive", bytes.mRLAdditive);
            rows += "</TR>";
        }
    }

    std::string page = "<HTML><BODY BGCOLOR=EEEEFF><CENTER><FONT SIZE=+2><B>";
    page += "Total Image Allocation: " + CommaSeparate(total) + " bytes<BR>";
    page += "</B></FONT><BR>";
    page += "<TABLE BORDER=1 CELLSPACING=0 CELLPADDING=4>";
    page += rows;
    page += "<TR><TD>Totals</TD><TD ALIGN=RIGHT>" + CommaSeparate(total) + " bytes</TD>";
    page += SizeCell("mBits", totals.mBits) + SizeCell("Palletized", totals.mPalette) +
            SizeCell("DDSurface", totals.mSurface) + SizeCell("Texture", totals.mTexture);
    page += "<TD>&nbsp;</TD><TD>&nbsp;</TD><TD>&nbsp;</TD><TD>&nbsp;</TD>";
    page += SizeCell("NativeAlpha", totals.mNativeAlpha) + SizeCell("RLAlpha", totals.mRLAlpha) +
            SizeCell("RLAdditive", totals.mRLAdditive);
    page += "</TR>";
    page += "</TABLE></CENTER></BODY></HTML>";

    bool ok = false;
    if (FILE* file = std::fopen((built + "/imagelist.html").c_str(), "wb"))
    {
        ok = std::fwrite(page.data(), 1, page.size(), file) == page.size();
        ok = std::fclose(file) == 0 && ok;
    }
    ok = PutDumpInPlace(built, kDumpFolder) && ok;
    ResetTimeAccumulator();
    return ok;
}

void LumoAppBase::ShowVideoStats()
{
    DWORD total = 0;
    DWORD free = 0;
    if (mDDInterface && mDDInterface->mDD7)
    {
        DDSCAPS2 caps{};
        caps.dwCaps = DDSCAPS_VIDEOMEMORY;
        if (mDDInterface->mDD7->GetAvailableVidMem(&caps, &total, &free) < 0)
            total = free = 0;
    }
    const char* support = Is3DTestClean() ? "Recommended" : Is3DTestPassed() ? "Supported" : "Unsupported";
    std::string text = FormatString("3D-Mode is %s (3D is %s on this system)\r\n\r\n",
                                    Is3DEnabled() ? "On" : "Off", support);
    text += FormatString("Video Memory: %s/%s KB\r\n\r\n", CommaSeparate(int((total - free) / 1024)).c_str(),
                         CommaSeparate(int(total / 1024)).c_str());
    const int formats[4] = {A8R8G8B8, A4R4G4B4, R5G6B5, Palette8};
    int counts[4] = {}, bytes[4] = {}, textureBytes = 0;
    {
        AutoCrit lock(DisplayLockOf(mDDInterface));
        for (MemoryImage* image : mMemoryImageSet)
        {
            ImageBytes sizes(image);
            textureBytes += sizes.mTexture;
            for (int k = 0; k < 4; k++)
                if (sizes.mTexture > 0 && sizes.mTextureFormat == formats[k])
                {
                    counts[k]++;
                    bytes[k] += sizes.mTexture;
                }
        }
    }
    text += FormatString("Texture Memory: %s KB\r\n", CommaSeparate(textureBytes / 1024).c_str());
    for (int k = 0; k < 4; k++)
        text += FormatString("%s: %d - %s KB\r\n", PixelFormatName(formats[k]), counts[k],
                             CommaSeparate(bytes[k] / 1024).c_str());
    ShowMessageBox(text, "Video Stats", MB_OK);
    mLastAccumulateTime = timeGetTime();
}
} // namespace Lumo
