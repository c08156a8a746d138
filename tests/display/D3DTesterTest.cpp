// The 3-D self test's stored record, its memory limits and its card lists.
#include "display/D3DTester.h"

#include "core/desktop.h"
#include "core/faults.h"
#include "test/direct3d.h"
#include "tests/app/AppTestSupport.h"
#include "../BigClaims.h"

#include <fstream>

using namespace Lumo;

namespace
{
class TesterHost : public LumoAppBase
{
public:
    TesterHost()
    {
        mRegistryKey = "Crustavia";
        mCommandLineParsed = true;
    }
};

class SelfTest : public AppTest::AppFixture
{
protected:
    TesterHost mApp;

    void SetUp() override
    {
        AppFixture::SetUp();
        // 640 x 480 at 32 bits shows 1.2 MB; with 16 MB of video memory the test sees 17 MB.
        Desktop(16);
    }
    void TearDown() override
    {
        PlatformTest::ResetDesktop();
        AppFixture::TearDown();
    }
    static void Desktop(int videoMegabytes)
    {
        PlatformTest::SetDesktop(Platform::DesktopInfo{640, 480, 32, 60, uint64_t(videoMegabytes) << 20});
    }
    std::unique_ptr<D3DTester> Run(int minimum = 6, int recommended = 14)
    {
        auto tester = std::make_unique<D3DTester>(&mApp);
        tester->SetVidMemoryConstraints(minimum, recommended);
        tester->Test(nullptr, nullptr);
        return tester;
    }
    int Stored(const char* name)
    {
        int value = -1;
        mApp.RegistryReadInteger(std::string("Test3D\\") + name, &value);
        return value;
    }
    std::string StoredText(const char* name)
    {
        char text[256] = {};
        DWORD type = 0, size = sizeof(text);
        if (!mApp.RegistryRead(std::string("Test3D\\") + name, &type, text, &size))
            return "<none>";
        return text;
    }
    static void WriteFile(const char* name, const std::string& text) { std::ofstream(name) << text; }
};
} // namespace

TEST_F(SelfTest, TooLittleVideoMemoryFailsBeforeAnyDrawing)
{
    Desktop(4); // 1.2 + 4 MB: 5 MB found, 6 needed
    // Had the test gone on, the missing Direct3D would have given the failure instead.
    PlatformTest::FailCall("Direct3D7");
    auto tester = Run();
    PlatformTest::ClearFailures();
    EXPECT_EQ(tester->mFailureReason, "Not enough video memory.");
    EXPECT_TRUE(tester->mNewResult);
    // The verdict is stored with what it was measured against.
    EXPECT_EQ(Stored("Version"), 2);
    EXPECT_EQ(Stored("MinVidMemory"), 6);
    EXPECT_EQ(Stored("RecVidMemory"), 14);
    EXPECT_EQ(StoredText("FailureReason"), "Not enough video memory.");
    EXPECT_EQ(StoredText("Warning"), "");
    // A second start reads it back without testing again.
    auto again = Run();
    EXPECT_EQ(again->mFailureReason, "Not enough video memory.");
    EXPECT_FALSE(again->mNewResult);
}

TEST_F(SelfTest, AStoredRecordStandsUntilWhatItWasMeasuredForChanges)
{
    auto first = Run();
    ASSERT_EQ(Stored("Version"), 2);
    // Make the stored verdict recognisable: a reused record gives it back word for word.
    mApp.RegistryWriteString("Test3D\\Warning", std::string("stored warning", 15));
    mApp.RegistryWriteString("Test3D\\FailureReason", std::string("", 1));
    auto reused = Run();
    EXPECT_FALSE(reused->mNewResult);
    EXPECT_EQ(reused->mWarning, "stored warning");
    EXPECT_EQ(reused->mFailureReason, "");

    // A recommended memory of 16 MB instead of 14 forces a new test, and the record follows.
    auto remeasured = Run(6, 16);
    EXPECT_TRUE(remeasured->mNewResult);
    EXPECT_NE(remeasured->mWarning, "stored warning");
    EXPECT_EQ(Stored("RecVidMemory"), 16);

    // A record of the first version is ignored and overwritten.
    mApp.RegistryWriteString("Test3D\\Warning", std::string("stored warning", 15));
    mApp.RegistryWriteInteger("Test3D\\Version", 1);
    auto old = Run(6, 16);
    EXPECT_TRUE(old->mNewResult);
    EXPECT_NE(old->mWarning, "stored warning");
    EXPECT_EQ(Stored("Version"), 2);
}

TEST_F(SelfTest, CardListsAndTheDriverYear)
{
    D3DTester tester(&mApp);
    auto supported = [&](const std::string& description, int year)
    {
        tester.mDescription = description;
        tester.mDriverYear = year;
        return tester.IsSupportedCard();
    };
    // No lists: a driver from 2002 on passes; before that the makers' names decide, in any case.
    EXPECT_TRUE(supported("Some Card", 2002));
    EXPECT_FALSE(supported("Some Card", 2001));
    EXPECT_TRUE(supported("ATI RADEON 9700", 2001));
    EXPECT_TRUE(supported("ati radeon", 0));
    EXPECT_TRUE(supported("NVIDIA GeForce", 0));
    EXPECT_FALSE(supported("Rage Pro", 0));

    // The admitted list alone decides once it exists; a blank line admits nothing.
    WriteFile("vhw.dat", "  geforce  \n\n   \nVoodoo\n");
    EXPECT_TRUE(supported("NVIDIA GeForce2", 0));
    EXPECT_TRUE(supported("3dfx voodoo3", 0));
    EXPECT_FALSE(supported("Some Card", 2010));
    // The refused list wins over the admitted one.
    WriteFile("vhwb.dat", "\nGEFORCE2 MX\n");
    EXPECT_FALSE(supported("NVIDIA GeForce2 MX", 0));
    EXPECT_TRUE(supported("NVIDIA GeForce4", 0));
    std::remove("vhw.dat");
    EXPECT_TRUE(supported("Some Card", 2002));
    EXPECT_FALSE(supported("nvidia geforce2 mx/agp", 2005));
    // A line with a NUL byte matches no card, in either list.
    WriteFile("vhwb.dat", std::string("\0xyz\ngef\0orce\n", 14));
    EXPECT_TRUE(supported("Some Card", 2002));
    EXPECT_TRUE(supported("NVIDIA GeForce4", 2002));
    WriteFile("vhw.dat", std::string("\0xyz\n", 5));
    EXPECT_FALSE(supported("Some Card", 2002));

    // A list of half a million short lines (1.5 MB) is read a line at a time: kept whole, it took
    // 20 times its size.
    std::string many;
    for (int i = 0; i < 500000; i++)
        many += "zq\n";
    WriteFile("vhw.dat", many + "some\n");
    many = std::string();
    PeakMemory peak;
    EXPECT_TRUE(supported("Some Card", 0));
    EXPECT_LT(peak.RiseKb(), 8 * 1024);
}

TEST_F(SelfTest, AnUnsupportedCardIsWarnedAbout)
{
    WriteFile("vhwb.dat", "\n");
    WriteFile("vhw.dat", "no such card\n");
    auto tester = Run();
    EXPECT_EQ(tester->mWarning.rfind("Unsupported video card: ", 0), 0u) << tester->mWarning;
    EXPECT_EQ(tester->mWarning, "Unsupported video card: " + tester->mDescription);
}

TEST_F(SelfTest, TheDisplaysDirectDrawObjectIsLeftAsItWas)
{
    IDirectDraw7* dd = nullptr;
    ASSERT_EQ(DirectDrawCreateEx(nullptr, (void**)&dd, IID_IDirectDraw7, nullptr), DD_OK);
    D3DTester tester(&mApp);
    tester.SetVidMemoryConstraints(6, 14);
    tester.Test(nullptr, dd);
    EXPECT_EQ(tester.mDD, nullptr); // let go of again
    // The tester held a reference of its own while it used the object: the caller's is still the only one.
    EXPECT_EQ(dd->Release(), 0u);
}

TEST_F(SelfTest, LessThanTheRecommendedMemoryWarns)
{
    PlatformTest::Direct3DAdapter card;
    card.description = "Test Card 3000";
    card.driver = "no-such-driver.so";
    PlatformTest::SetDirect3DAdapter(card);
    WriteFile("vhw.dat", "test card\n");
    Desktop(8); // 9 MB of the recommended 14
    auto tester = Run();
    PlatformTest::ResetDirect3D();
    EXPECT_EQ(tester->mDescription, "Test Card 3000");
    EXPECT_EQ(tester->mDriverYear, 0); // no such file
    EXPECT_EQ(tester->mWarning, "Low video memory.");
}
