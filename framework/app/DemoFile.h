// Demo files: a header (magic, version, random seed, product name, markers, final
// update count) followed by the bytes of the event stream.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Lumo
{
constexpr uint32_t DEMO_FILE_MAGIC = 0x42BEEF78;
constexpr int DEMO_FILE_VERSION = 2;
// The message for a file that is no demo, or a damaged one.
inline constexpr char DEMO_FILE_INVALID[] = "Invalid demo file.";

struct DemoMarker
{
    std::string mName;
    int mUpdateCount = 0;
};

struct DemoFileContents
{
    int mVersion = DEMO_FILE_VERSION;
    uint32_t mRandSeed = 0;
    std::string mProductName;
    std::vector<DemoMarker> mMarkers;
    int mDemoLength = 0; // the final update count
    std::vector<unsigned char> mEvents;
};

// Parses the bytes of a demo file made for productName; on failure error holds the message to show.
bool ParseDemoFile(const unsigned char* data, size_t size, const std::string& productName,
                   DemoFileContents& contents, std::string& error);
bool ReadDemoFile(const std::string& fileName, const std::string& productName, DemoFileContents& contents,
                  std::string& error);
// The bytes of a version 2 file.
std::vector<unsigned char> BuildDemoFile(const DemoFileContents& contents);
// Writes the file whole or not at all; false, with the reason in error, when it cannot. With `taken`,
// a file already there is kept, and *taken tells that this was why.
bool WriteDemoFile(const std::string& fileName, const DemoFileContents& contents, std::string& error,
                   bool* taken = nullptr);

// Numbered demos prefix + N + ".dmo" in folder: with deleteOldest, removes the lowest number once
// `keep` or more exist. Returns the highest number found (0 for none; a deleted one still counts).
int DemoFileNumbering(const std::string& folder, const std::string& prefix, int keep, bool deleteOldest);
std::string NumberedDemoFileName(const std::string& prefix, int number);
} // namespace Lumo
