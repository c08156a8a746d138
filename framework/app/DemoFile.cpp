#include "app/DemoFile.h"

#include "app/Buffer.h"
#include "core/atomic_file.h"
#include "core/file_read.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace Lumo
{
namespace
{
// Magic, version, seed and the longest product name a 16-bit length allows.
constexpr uint64_t kLongestHeader = 14 + 0xFFFF;
// With a marker block and an event stream of the most bytes a buffer counts (an int each).
constexpr uint64_t kLongestFile = kLongestHeader + 4 + uint64_t(INT_MAX) + 4 + uint64_t(INT_MAX);

// Little-endian reads that refuse to run past the end.
class ByteReader
{
public:
    ByteReader(const unsigned char* data, size_t size) : mData(data), mSize(size) {}

    size_t Left() const { return mSize - mPos; }
    bool U32(uint32_t& value)
    {
        if (Left() < 4)
            return false;
        value = (uint32_t)mData[mPos] | (uint32_t)mData[mPos + 1] << 8 | (uint32_t)mData[mPos + 2] << 16 |
                (uint32_t)mData[mPos + 3] << 24;
        mPos += 4;
        return true;
    }
    bool U16(uint32_t& value)
    {
        if (Left() < 2)
            return false;
        value = (uint32_t)mData[mPos] | (uint32_t)mData[mPos + 1] << 8;
        mPos += 2;
        return true;
    }
    const unsigned char* Take(size_t count)
    {
        if (Left() < count)
            return nullptr;
        const unsigned char* start = mData + mPos;
        mPos += count;
        return start;
    }

private:
    const unsigned char* mData;
    size_t mSize;
    size_t mPos = 0;
};

void PutU32(std::vector<unsigned char>& out, uint32_t value)
{
    for (int i = 0; i < 4; i++)
        out.push_back((unsigned char)(value >> (8 * i)));
}

bool ParseMarkers(const unsigned char* block, uint32_t size, std::vector<DemoMarker>& markers)
{
    Buffer buffer;
    buffer.WriteBytes(block, (int)size);
    buffer.SeekFront();
    auto bitsLeft = [&] { return buffer.mDataBitSize - buffer.mReadBitPos; };
    if (bitsLeft() < 32)
        return false;
    int count = buffer.ReadLong();
    // Each marker takes at least a name length and an update count: a count the block cannot
    // hold is refused before anything is made for it, and the list is made once at its size.
    if (count < 0 || uint64_t(count) * (16 + 32) > uint64_t(bitsLeft()))
        return false;
    markers.reserve(size_t(count));
    for (int i = 0; i < count; i++)
    {
        if (bitsLeft() < 16)
            return false;
        int64_t saved = buffer.mReadBitPos;
        int nameLength = buffer.ReadShort();
        buffer.mReadBitPos = saved;
        // Each marker must be whole: its name and its update count lie inside the block.
        if (nameLength < 0 || bitsLeft() < 16 + 8 * nameLength + 32)
            return false;
        DemoMarker marker;
        marker.mName = buffer.ReadString();
        marker.mUpdateCount = buffer.ReadLong();
        markers.push_back(marker);
    }
    return true;
}

// Magic, version, seed and product name: false, with the message, for a file that is not a demo
// or not one of this product.
bool ParseHeader(ByteReader& in, const std::string& productName, DemoFileContents& contents,
                 std::string& error)
{
    uint32_t magic = 0, version = 0, seed = 0, nameLength = 0;
    if (!in.U32(magic) || magic != DEMO_FILE_MAGIC || !in.U32(version) || !in.U32(seed) ||
        !in.U16(nameLength))
    {
        error = DEMO_FILE_INVALID;
        return false;
    }
    const unsigned char* name = in.Take(nameLength);
    if (name == nullptr)
    {
        error = DEMO_FILE_INVALID;
        return false;
    }
    contents.mVersion = (int)version;
    contents.mRandSeed = seed;
    contents.mProductName.assign(reinterpret_cast<const char*>(name), nameLength);
    if (contents.mProductName != productName)
    {
        error = "This demo file appears to be for '" + contents.mProductName + "'";
        return false;
    }
    return true;
}

// Closes the file however the read ends.
struct OpenedFile
{
    int fd;
    ~OpenedFile()
    {
        if (fd >= 0)
            close(fd);
    }
};

} // namespace

bool ParseDemoFile(const unsigned char* data, size_t size, const std::string& productName,
                   DemoFileContents& contents, std::string& error)
{
    contents = DemoFileContents();
    ByteReader in(data, size);
    if (!ParseHeader(in, productName, contents, error))
        return false;

    if (contents.mVersion >= 2)
    {
        // The block must leave room for the final update count behind it; its length is a
        // buffer's, an int.
        uint32_t blockSize = 0;
        if (!in.U32(blockSize) || blockSize > uint32_t(INT_MAX) || (uint64_t)blockSize + 4 > in.Left())
        {
            error = DEMO_FILE_INVALID;
            return false;
        }
        if (!ParseMarkers(in.Take(blockSize), blockSize, contents.mMarkers))
        {
            error = DEMO_FILE_INVALID;
            return false;
        }
    }

    uint32_t length = 0;
    if (!in.U32(length) || (int32_t)length < 0 || in.Left() == 0)
    {
        error = DEMO_FILE_INVALID;
        return false;
    }
    contents.mDemoLength = (int)length;
    size_t eventBytes = in.Left();
    // The stream's byte count is an int wherever it is handed on.
    if (eventBytes > size_t(INT_MAX))
    {
        error = DEMO_FILE_INVALID;
        return false;
    }
    const unsigned char* events = in.Take(eventBytes);
    contents.mEvents.assign(events, events + eventBytes);
    return true;
}

bool ReadDemoFile(const std::string& fileName, const std::string& productName, DemoFileContents& contents,
                  std::string& error)
{
    // Without waiting: a pipe named as the demo must not hold up the start.
    OpenedFile file{Platform::OpenToRead(fileName)};
    if (file.fd < 0)
    {
        error = "Demo file not found: " + fileName;
        return false;
    }
    // Only a file has an end to read to: a device or a pipe is no demo.
    struct stat info;
    std::vector<unsigned char> bytes;
    if (fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        !Platform::ReadMore(file.fd, kLongestHeader, bytes))
    {
        error = DEMO_FILE_INVALID;
        return false;
    }
    // The header first: a file that is not this product's demo is refused before the rest is read,
    // and the rest is never more than the format can hold.
    ByteReader header(bytes.data(), bytes.size());
    if (!ParseHeader(header, productName, contents, error))
        return false;
    if (uint64_t(info.st_size) > kLongestFile ||
        !Platform::ReadMore(file.fd, kLongestFile + 1 - bytes.size(), bytes) || bytes.size() > kLongestFile)
    {
        error = DEMO_FILE_INVALID;
        return false;
    }
    return ParseDemoFile(bytes.data(), bytes.size(), productName, contents, error);
}

std::vector<unsigned char> BuildDemoFile(const DemoFileContents& contents)
{
    std::vector<unsigned char> out;
    PutU32(out, DEMO_FILE_MAGIC);
    PutU32(out, DEMO_FILE_VERSION);
    PutU32(out, contents.mRandSeed);
    size_t nameLength = std::min<size_t>(contents.mProductName.size(), 0xFFFF);
    out.push_back((unsigned char)nameLength);
    out.push_back((unsigned char)(nameLength >> 8));
    out.insert(out.end(), contents.mProductName.begin(), contents.mProductName.begin() + nameLength);

    Buffer markers;
    markers.WriteLong((int)contents.mMarkers.size());
    for (const DemoMarker& marker : contents.mMarkers)
    {
        markers.WriteString(marker.mName);
        markers.WriteLong(marker.mUpdateCount);
    }
    PutU32(out, (uint32_t)markers.GetDataLen());
    out.insert(out.end(), markers.GetDataPtr(), markers.GetDataPtr() + markers.GetDataLen());
    PutU32(out, (uint32_t)contents.mDemoLength);
    out.insert(out.end(), contents.mEvents.begin(), contents.mEvents.end());
    return out;
}

bool WriteDemoFile(const std::string& fileName, const DemoFileContents& contents, std::string& error,
                   bool* taken)
{
    std::vector<unsigned char> bytes = BuildDemoFile(contents);
    return Platform::WriteFileAtomically(fileName, bytes.data(), bytes.size(), error, taken);
}

std::string NumberedDemoFileName(const std::string& prefix, int number)
{
    return prefix + std::to_string(number) + ".dmo";
}

int DemoFileNumbering(const std::string& folder, const std::string& prefix, int keep, bool deleteOldest)
{
    namespace fs = std::filesystem;
    std::set<int> numbers;
    std::error_code ec;
    for (fs::directory_iterator it(folder.empty() ? "." : folder, ec), end; !ec && it != end;
         it.increment(ec))
    {
        std::string name = it->path().filename().string();
        const std::string suffix = ".dmo";
        if (name.size() <= prefix.size() + suffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
            continue;
        std::string digits = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
        if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos)
            continue;
        numbers.insert(std::stoi(digits));
    }
    if (numbers.empty())
        return 0;
    if ((int)numbers.size() > keep - 1 && deleteOldest)
    {
        fs::path oldest =
            fs::path(folder.empty() ? "." : folder) / NumberedDemoFileName(prefix, *numbers.begin());
        fs::remove(oldest, ec);
    }
    return *numbers.rbegin();
}
} // namespace Lumo
