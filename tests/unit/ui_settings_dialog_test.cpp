// The settings dialog's conversions and texts, the strict number reading of its data exchange,
// and CreateSettingsWindow's clean-up when no window results or memory runs out.
#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "host/plugin_api.h"
#include "platform/dialog.h"
#include "platform/number_text.h"
#include "platform/resource_chain.h"
#include "platform/this_module.h"
#include "tests/support/host_fp_states.h"
#include "tools/shared/comma_locale.h"
#include "ui/settings_dialog.h"

namespace {
// Live allocations of this program, to see that a failed creation frees what it made.
long liveAllocations = 0;
// Allocations still granted before one fails; negative: none fails.
long allocationsBeforeFailure = -1;
}  // namespace

void* operator new(size_t size)
{
    if (allocationsBeforeFailure == 0) {
        allocationsBeforeFailure = -1;
        throw std::bad_alloc();
    }
    if (allocationsBeforeFailure > 0)
        --allocationsBeforeFailure;
    void* memory = std::malloc(size ? size : 1);
    if (!memory)
        throw std::bad_alloc();
    ++liveAllocations;
    return memory;
}
void operator delete(void* memory) noexcept
{
    if (memory)
        --liveAllocations;
    std::free(memory);
}
void operator delete(void* memory, size_t) noexcept { operator delete(memory); }

namespace {
TEST(LevelLabel, ShowsPercentOverRoundedDecibels)
{
    const struct {
        int percent;
        const char* text;
    } rows[] = {
        {100, "100%\n(0 dB)"}, {99, "99%\n(-0.1 dB)"}, {70, "70%\n(-3.1 dB)"}, {50, "50%\n(-6 dB)"},
        {26, "26%\n(-11.7 dB)"}, {1, "1%\n(-40 dB)"},  {0, "0%\n(-Inf dB)"},   {200, "200%\n(6 dB)"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.percent);
        EXPECT_EQ(row.text, LevelLabelText(row.percent));
    }
}

TEST(LevelLabel, ReadsTheSameUnderACommaDecimalLocale)
{
    CommaLocale comma;
    ASSERT_TRUE(comma.Active()) << "this platform has no German locale";
    EXPECT_EQ("99%\n(-0.1 dB)", LevelLabelText(99));
    EXPECT_EQ("0%\n(-Inf dB)", LevelLabelText(0));
}

TEST(PercentToDb, StandsInTheLowestFloatBelowTwoToTheMinus23)
{
    EXPECT_EQ(-3.4028234663852886e+38, PercentToDb(0.0));
    EXPECT_EQ(-3.4028234663852886e+38, PercentToDb(1.1920928955078125e-07 / 2));
    EXPECT_GT(PercentToDb(1.1920928955078125e-07), -3.4028234663852886e+38);
    EXPECT_DOUBLE_EQ(PercentToDb(50.0), PercentToDb(-50.0));
    EXPECT_NEAR(-6.0206, PercentToDb(50.0), 1e-4);
}

TEST(RoundToDecimals, RoundsHalvesAwayFromZero)
{
    EXPECT_DOUBLE_EQ(0.3, RoundToDecimals(0.25, 1));
    EXPECT_DOUBLE_EQ(-0.3, RoundToDecimals(-0.25, 1));
    EXPECT_DOUBLE_EQ(-6.0, RoundToDecimals(-6.0206, 1));
    EXPECT_EQ(0.0, RoundToDecimals(0.0, 1));
    EXPECT_DOUBLE_EQ(3.0, RoundToDecimals(2.5, 0));
    EXPECT_DOUBLE_EQ(1.23, RoundToDecimals(1.2345, 2));
}

TEST(SliderMapping, ValuesAreMirroredPositions)
{
    EXPECT_EQ(74, LevelToPosition(0.257));
    EXPECT_EQ(0, LevelToPosition(1.000015259254738));
    EXPECT_EQ(100, LevelToPosition(0.0));
    EXPECT_DOUBLE_EQ(0.26, PositionToLevel(74));
    EXPECT_EQ(1.0, PositionToLevel(0));
    EXPECT_EQ(0.0, PositionToLevel(100));
    // A garbage level stays a finite position instead of overflowing the conversion; one that
    // is not a number is silence, the bottom, and commits as level 0.
    EXPECT_EQ(100, LevelToPosition(std::nan("")));
    EXPECT_EQ(0.0, PositionToLevel(LevelToPosition(-std::nan(""))));
    EXPECT_EQ(100 - 1000000, LevelToPosition(1e300));
    EXPECT_EQ(100 + 1000000, LevelToPosition(-1e300));

    EXPECT_EQ(19030, kCentreRange.ToPosition(1000));
    EXPECT_EQ(20000u, kCentreRange.FromPosition(30));
    EXPECT_EQ(30u, kCentreRange.FromPosition(20000));
    EXPECT_EQ(4601, kBandwidthRange.ToPosition(400));
    EXPECT_EQ(5000u, kBandwidthRange.FromPosition(1));
    EXPECT_EQ(1u, kBandwidthRange.FromPosition(5000));
    for (uint32_t hz : {30u, 1000u, 20000u})
        EXPECT_EQ(hz, kCentreRange.FromPosition(kCentreRange.ToPosition(hz)));
}

TEST(SliderMapping, LabelsAndLevelsAreThoseOfTheUsualStateWhateverTheHostLeft)
{
    std::vector<std::string> labels;
    std::vector<double> levels;
    std::vector<int> positions;
    const double storedLevels[] = {1.000015259254738, 0.49999999999999994, 0.5, 0.257, 0.125, 0.005, 1.9};
    for (int percent = 0; percent <= 200; ++percent) {
        labels.push_back(LevelLabelText(percent));
        levels.push_back(PositionToLevel(kLevelMaxPos - percent));
    }
    for (double level : storedLevels)
        positions.push_back(LevelToPosition(level));

    for (const HostState& state : kHostStates) {
        SCOPED_TRACE(state.name);
        const HostStateScope host(state);
        for (int percent = 0; percent <= 200; ++percent) {
            EXPECT_EQ(labels[percent], LevelLabelText(percent));
            EXPECT_EQ(levels[percent], PositionToLevel(kLevelMaxPos - percent)) << percent << "%";
        }
        for (size_t i = 0; i < positions.size(); ++i)
            EXPECT_EQ(positions[i], LevelToPosition(storedLevels[i])) << storedLevels[i];
    }
}

TEST(ParseUnsigned, AcceptsPlainDecimalDigitsOnly)
{
    const struct {
        const char* text;
        bool ok;
        uint32_t value;
    } rows[] = {
        {"0100", true, 100},     {" 7 ", true, 7},        {"4294967295", true, 4294967295u},
        {"4294967296", false, 0}, {"", false, 0},          {"  ", false, 0},
        {"-5", false, 0},         {"+1", false, 0},        {"42A", false, 0},
        {"1 2", false, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string("'") + row.text + "'");
        uint32_t value = 0xdeadbeef;
        EXPECT_EQ(row.ok, ParseUnsigned(row.text, value));
        EXPECT_EQ(row.ok ? row.value : 0xdeadbeef, value);
    }
}

class FailedCreation : public ::testing::Test {
protected:
    void SetUp() override { settings.cutOffFreq = 1000, settings.bandWidth = 400, settings.dryOut = 1.0; }
    void TearDown() override { ResourceChain::SetOwnModule(ThisModule()); }
    EffectSettings settings{};
};

TEST_F(FailedCreation, WithoutAParentLeavesNothingAllocated)
{
    // A window made and destroyed first, so that what is made once per process is not counted.
    DestroyWindow(CreateSettingsWindow(GetDesktopWindow(), &settings));
    const long before = liveAllocations;
    EXPECT_TRUE(CreateSettingsWindow(nullptr, &settings) == nullptr);
    EXPECT_EQ(before, liveAllocations);
    EXPECT_EQ(1000u, settings.cutOffFreq);
}

TEST_F(FailedCreation, WithoutATemplateLeavesNothingAllocated)
{
    ResourceChain::SetOwnModule(nullptr);
    const long before = liveAllocations;
    EXPECT_TRUE(CreateSettingsWindow(GetDesktopWindow(), &settings) == nullptr);
    EXPECT_EQ(before, liveAllocations);
}
TEST_F(FailedCreation, OutOfMemoryAtAnyAllocationLeavesNothingBehind)
{
    const HWND parent = CreateWindowExA(0, "STATIC", "host", WS_POPUP, 0, 0, 640, 400, nullptr, nullptr,
                                        GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(parent != nullptr);
    DestroyWindow(CreateSettingsWindow(parent, &settings));
    // Each allocation of a creation fails in turn, until one creation needs fewer. A failure
    // may be absorbed (the preview chain is optional) or give no window; either way nothing
    // stays behind once the window, if any, is gone.
    long failing = 0;
    for (;; ++failing) {
        SCOPED_TRACE(testing::Message() << "allocation " << failing << " fails");
        const long before = liveAllocations;
        allocationsBeforeFailure = failing;
        const HWND window = CreateSettingsWindow(parent, &settings);
        const bool failed = allocationsBeforeFailure < 0;
        allocationsBeforeFailure = -1;
        if (window)
            DestroyWindow(window);
        EXPECT_TRUE(GetWindow(parent, GW_CHILD) == nullptr);
        EXPECT_EQ(before, liveAllocations);
        EXPECT_EQ(1000u, settings.cutOffFreq);
        if (!failed) {
            EXPECT_TRUE(window != nullptr);
            break;
        }
    }
    EXPECT_GT(failing, 1) << "the creation allocates";
    DestroyWindow(parent);
}
}  // namespace
