// Settings store against the real registry of the test prefix.
#include "settings/settings.h"
#include "tests/support/support.h"
#include <gtest/gtest.h>

TEST(SettingsLoad, ComputesDefaultsFrom511Megabytes)
{
    UseFakeMemory(511u << 20, 100u << 20);
    LoadSettings();
    EXPECT_EQ(26214400u, Settings.MinLimit);
    EXPECT_EQ(53477376u, Settings.FreeTo);
    EXPECT_EQ(10485760u, Settings.ManualFree);
}
