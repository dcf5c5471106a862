// The validator's campaign runner and the helpers that plant its files, linked in: a group that
// throws is one failure and the next group still runs; nothing is planted unchecked.
#include <windows.h>

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "tools/shared/plugin_library.h"
#include "tools/validator/campaign.h"
#include "tools/validator/guarded_stream.h"
#include "tools/validator/scratch_space.h"

namespace {

TEST(CampaignGroups, AGroupThatThrowsIsOneFailureAndTheNextGroupRuns)
{
    const PluginLibrary plugin;
    Campaign campaign(plugin, 1, true);
    const CheckGroup throwing{"throwing",
                              [](Campaign& c) {
                                  c.Check("before the throw", true);
                                  throw HostError("planted error");
                              },
                              false, GroupCost::Quick};
    const CheckGroup next{"next", [](Campaign& c) { c.Check("after the throw", true); }, false, GroupCost::Quick};

    testing::internal::CaptureStdout();
    RunGroup(campaign, throwing, false);
    RunGroup(campaign, next, false);
    const std::string output = testing::internal::GetCapturedStdout();

    EXPECT_EQ(2, campaign.Passed()) << output;
    EXPECT_EQ(1, campaign.Failed()) << output;
    EXPECT_NE(std::string::npos, output.find("FAIL: throwing: the group ran to its end -- planted error")) << output;
    EXPECT_NE(std::string::npos, output.find("pass: after the throw")) << output;
}

// What the host's callback throws stops at the plug-in's boundary and comes back after
// ProcessStream returns; the stream goes on afterwards.
TEST(GuardedStreamCallback, AThrowingDeliveryIsThrownAfterProcessStreamReturns)
{
    const PluginLibrary plugin;
    std::mt19937 random(1);
    GuardedStream stream(plugin, {}, 44100, 2, 40000);
    stream.Source().signal = Noise(random, 2, 80000);
    stream.Source().deliver = [](uint32_t asked, size_t call) -> uint32_t {
        if (call == 1)
            throw HostError("delivery failed");
        return asked;
    };
    EXPECT_THROW(stream.Process(40000), HostError);
    EXPECT_EQ(2u, stream.Source().calls);
    stream.Source().deliver = nullptr;
    EXPECT_EQ(1000u, stream.Process(1000));
    EXPECT_TRUE(stream.CanariesIntact());
}

TEST(PlantedFiles, WhatCannotBeWrittenThrows)
{
    const std::string folder = ScratchFolder("planted");
    EXPECT_THROW(WriteBytes(folder + "no-such-folder\\file.bin", "bytes"), HostError);
    MakeFolder(folder + "taken");
    EXPECT_THROW(WriteBytes(folder + "taken", "bytes"), HostError);
    EXPECT_THROW(CopyWholeFile(folder + "missing.bin", folder + "copy.bin"), HostError);
    EXPECT_THROW(MakeFolder(folder + "no-such-folder\\sub"), HostError);

    const std::string bytes("first\0bytes", 11);
    WriteBytes(folder + "file.bin", bytes);
    EXPECT_EQ(bytes, ReadBytes(folder + "file.bin"));
    RemoveScratchFolders();
}

}  // namespace
