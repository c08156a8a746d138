#include "app/SettingValues.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

using namespace Lumo;

TEST(VolumeSetting, SurvivesSaveAndLoad)
{
    EXPECT_EQ(VolumeToSetting(0.85), 85);
    EXPECT_EQ(VolumeToSetting(0.857), 85);
    EXPECT_EQ(VolumeToSetting(0.29), 29); // 0.29 * 100 is 28.999...
    EXPECT_EQ(VolumeToSetting(0.0), 0);
    EXPECT_EQ(VolumeToSetting(1.0), 100);
    for (int i = 0; i <= 100; i++)
        EXPECT_EQ(VolumeToSetting(VolumeFromSetting(i)), i) << i;
    EXPECT_DOUBLE_EQ(VolumeFromSetting(85), 0.85);
}

TEST(VolumeSetting, ClampsOutOfRangeValues)
{
    EXPECT_EQ(VolumeToSetting(-0.5), 0);
    EXPECT_EQ(VolumeToSetting(7.0), 100);
    EXPECT_EQ(VolumeToSetting(std::nan("")), 0);
    EXPECT_EQ(VolumeFromSetting(-20), 0.0);
    EXPECT_EQ(VolumeFromSetting(250), 1.0);
    EXPECT_EQ(VolumeFromSetting(INT32_MIN), 0.0);
}

TEST(WindowPlacement, CentredAtGoldenSectionOfFreeHeight)
{
    RECT work{0, 0, 1024, 740};
    POINT p = MainWindowPosition(work, 806, 625, -1, -1);
    EXPECT_EQ(p.x, 109);                // (1024 - 806) / 2
    EXPECT_EQ(p.y, (int)(0.382 * 115)); // 43
    RECT offset{100, 30, 1124, 770};
    p = MainWindowPosition(offset, 806, 625, -1, -1);
    EXPECT_EQ(p.x, 209);
    EXPECT_EQ(p.y, 73);
}

TEST(WindowPlacement, SavedPositionPulledInsideByFourPixels)
{
    RECT work{0, 0, 1024, 740};
    POINT p = MainWindowPosition(work, 806, 625, 50, 60);
    EXPECT_EQ(p.x, 50);
    EXPECT_EQ(p.y, 60);
    p = MainWindowPosition(work, 806, 625, -300, -2);
    EXPECT_EQ(p.x, 4);
    EXPECT_EQ(p.y, 4);
    p = MainWindowPosition(work, 806, 625, 900, 700);
    EXPECT_EQ(p.x, 1024 - 4 - 806);
    EXPECT_EQ(p.y, 740 - 4 - 625);
    // Damaged settings never put the window off the screen.
    p = MainWindowPosition(work, 806, 625, INT_MAX, INT_MAX - 100);
    EXPECT_EQ(p.x, 1024 - 4 - 806);
    EXPECT_EQ(p.y, 740 - 4 - 625);
    p = MainWindowPosition(work, 806, 625, INT_MIN, INT_MIN);
    EXPECT_EQ(p.x, 4);
    EXPECT_EQ(p.y, 4);
}
