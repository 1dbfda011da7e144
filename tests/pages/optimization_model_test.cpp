// The Optimization page's logic on its own: coupling of the limits, texts and hot-key flags.
#include "pages/optimization_model.h"
#include "tests/support/support.h"
#include <commctrl.h>
#include <gtest/gtest.h>
#include <string>

const DWORD OneGiB = 1024 * 1048576;

TEST(OptimizationModel, MovedSliderYieldsAndTheOtherKeepsItsPlace)
{
    LimitOutcome lower = LowerLimitMoved(900, 800, OneGiB);
    EXPECT_TRUE(lower.Yielded);
    EXPECT_EQ(lower.Position, 800u);
    EXPECT_EQ(lower.Bytes, 800u << 16);

    LimitOutcome freeTo = FreeToMoved(800, 700, OneGiB);
    EXPECT_TRUE(freeTo.Yielded);
    EXPECT_EQ(freeTo.Position, 800u);

    // Equal positions are allowed, in both directions.
    EXPECT_FALSE(LowerLimitMoved(800, 800, OneGiB).Yielded);
    EXPECT_FALSE(FreeToMoved(800, 800, OneGiB).Yielded);
    EXPECT_EQ(LowerLimitMoved(100, 800, OneGiB).Position, 100u);
    EXPECT_EQ(FreeToMoved(100, 800, OneGiB).Position, 800u);
}

TEST(OptimizationModel, AmountsAndSharesOfInstalledMemory)
{
    LimitOutcome zero = LowerLimitMoved(0, 0, OneGiB);
    EXPECT_EQ(Narrow(zero.Amount), "0.00 MB");
    EXPECT_EQ(Narrow(zero.Share), "(0%)");

    LimitOutcome tenth = FreeToMoved(0, 1640, OneGiB);
    EXPECT_EQ(Narrow(tenth.Amount), "102.50 MB");
    EXPECT_EQ(Narrow(tenth.Share), "(10%)");

    // The top of the range: installed memory in whole 64 KiB units, shown as all of it, on
    // machines below and far above 4 GiB.
    struct Top {
        ByteCount Installed;
        DWORD Units;
        ByteCount Bytes;
    } tops[] = {
        {5000000, 76, 4980736},
        {OneGiB + 12345ull, 16384, OneGiB},
        {0x80000000ull, 32768, 0x80000000ull},
        {0xFFFFFFFFull, 65535, 0xFFFF0000ull},
        {64ull << 30, 1048576, 64ull << 30},
        {1ull << 40, 16777216, 1ull << 40},
    };
    for (const Top &t : tops) {
        SCOPED_TRACE(t.Installed);
        EXPECT_EQ(UnitsOf(t.Installed), t.Units);
        LimitOutcome top = FreeToMoved(0, t.Units, t.Installed);
        EXPECT_EQ(top.Bytes, t.Bytes);
        EXPECT_EQ(Narrow(top.Share), "(100%)");
    }
    EXPECT_EQ(Narrow(FreeToMoved(0, UnitsOf(0xFFFFFFFFu), 0xFFFFFFFFu).Amount), "4,095.94 MB");
    EXPECT_EQ(Narrow(FreeToMoved(0, UnitsOf(16ull << 30), 16ull << 30).Amount), "16,384.00 MB");
}

TEST(OptimizationModel, FreeUpOfferUsesTheChosenAmountAndNeverWraps)
{
    FreeUpOutcome offer = AmountMoved(512, 100 * 1048576);
    EXPECT_EQ(offer.Bytes, 32u * 1048576);
    EXPECT_EQ(Narrow(offer.Text), "Free up 32.00 MB\n(target free: 132.00 MB)");

    // 1 GiB more on top of 3.5 GiB free is 4.5 GiB, not half a gigabyte.
    FreeUpOutcome past = AmountMoved(16384, 0xE0000000u);
    EXPECT_EQ(Narrow(past.Text), "Free up 1,024.00 MB\n(target free: 4,608.00 MB)");
}

TEST(OptimizationModel, HotkeyFlagsBecomeRegisterHotKeyModifiers)
{
    EXPECT_EQ(HotkeyModifiers(MAKEWORD('F', HOTKEYF_CONTROL)), static_cast<UINT>(MOD_CONTROL));
    EXPECT_EQ(HotkeyModifiers(MAKEWORD('F', HOTKEYF_SHIFT)), static_cast<UINT>(MOD_SHIFT));
    EXPECT_EQ(HotkeyModifiers(MAKEWORD('F', HOTKEYF_ALT)), static_cast<UINT>(MOD_ALT));
    EXPECT_EQ(HotkeyModifiers(MAKEWORD(VK_HOME, HOTKEYF_CONTROL | HOTKEYF_EXT)), static_cast<UINT>(MOD_CONTROL));
    EXPECT_EQ(HotkeyModifiers(MAKEWORD('F', HOTKEYF_SHIFT | HOTKEYF_CONTROL | HOTKEYF_ALT)),
              static_cast<UINT>(MOD_SHIFT | MOD_CONTROL | MOD_ALT));
    EXPECT_EQ(HotkeyKey(0x12340246), static_cast<UINT>('F'));
    EXPECT_EQ(HotkeyModifiers(0x12340246), static_cast<UINT>(MOD_CONTROL));
}
