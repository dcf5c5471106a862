#include <gtest/gtest.h>

#include <cstring>

#include "tools/shared/plugin_library.h"

namespace {

class StreamExports : public testing::Test {
protected:
    PluginLibrary plugin;
};

EffectSettings HostRecord(double level, uint32_t centre, uint32_t bandwidth)
{
    EffectSettings record{};
    record.dryOut = record.volume2 = level;
    record.cutOffFreq = centre;
    record.bandWidth = bandwidth;
    return record;
}

uint32_t __cdecl NoSamples(uint32_t, SampleBlock*) { return 0; }

TEST_F(StreamExports, PlugInInfoFillsOnlyA24ByteRecord)
{
    for (uint32_t size : {0u, 20u, 28u}) {
        SCOPED_TRACE(size);
        EffectInfo info;
        std::memset(&info, 0xbd, sizeof info);
        info.structSize = size;
        EffectInfo before = info;
        EXPECT_EQ(0u, plugin.PlugInInfo(&info));
        EXPECT_EQ(0, std::memcmp(&before, &info, sizeof info));
    }
    EffectInfo info;
    std::memset(&info, 0xbd, sizeof info);
    info.structSize = 24;
    ASSERT_EQ(1u, plugin.PlugInInfo(&info));
    EXPECT_EQ(24u, info.structSize);
    EXPECT_EQ(0u, info.reserved);
    EXPECT_STREQ("Band Reject Filter", info.effectName);
    EXPECT_STREQ("Tesmor Ltd (CY)", info.vendorName);
    EXPECT_EQ(0x00040000u, info.code1);
    EXPECT_EQ(2u, info.code2);
}

TEST_F(StreamExports, CopyOfAnOpenStreamSharesNoNodesButKeepsTheCallback)
{
    EffectSettings host = HostRecord(0.5, 1000, 400);
    EffectSettings* stream = nullptr;
    ASSERT_EQ(1u, plugin.CopySettings(&stream, &host));
    EXPECT_EQ(0, std::memcmp(&host, stream, sizeof host));  // NOLINT(bugprone-suspicious-memory-comparison): the bit patterns must match
    ASSERT_EQ(1u, plugin.SetStreamCallBack(NoSamples, 0xC0FFEE, stream));
    WAVEFORMATEX format{WAVE_FORMAT_IEEE_FLOAT, 2, 44100, 44100 * 8, 8, 32, 0};
    EXPECT_EQ(0u, plugin.OpenStream(stream, &format));
    ASSERT_NE(nullptr, stream->headNode);
    ASSERT_NE(nullptr, stream->filterNode);

    EffectSettings* copy = nullptr;
    ASSERT_EQ(1u, plugin.CopySettings(&copy, stream));
    EXPECT_EQ(nullptr, copy->headNode);
    EXPECT_EQ(nullptr, copy->filterNode);
    EXPECT_EQ(stream->callBack, copy->callBack);
    EXPECT_EQ(0xC0FFEEu, copy->callBackContext);
    EXPECT_EQ(0.5, copy->dryOut);

    EXPECT_EQ(1u, plugin.CloseStream(stream));
    EXPECT_EQ(nullptr, stream->headNode);
    EXPECT_EQ(nullptr, stream->filterNode);
    EXPECT_EQ(1u, plugin.CloseStream(stream));
    EXPECT_EQ(NoSamples, stream->callBack);
    plugin.Free(stream);

    EXPECT_EQ(0u, plugin.OpenStream(copy, &format));
    EXPECT_NE(nullptr, copy->headNode);
    plugin.Free(copy);
}

TEST_F(StreamExports, ProcessWithoutAnOpenStreamOrCallbackTouchesNothing)
{
    EffectSettings host = HostRecord(1.0, 1000, 400);
    EffectSettings* stream = nullptr;
    ASSERT_EQ(1u, plugin.CopySettings(&stream, &host));
    float samples[4] = {1, 2, 3, 4};
    float* channels[1] = {samples};
    SampleBlock block{0, channels, channels + 1, channels + 1, 4, 12345, 0};

    EXPECT_EQ(0u, plugin.ProcessStream(&block, stream));
    plugin.SetStreamCallBack(NoSamples, 0, stream);
    EXPECT_EQ(0u, plugin.ProcessStream(&block, stream));
    WAVEFORMATEX format{WAVE_FORMAT_IEEE_FLOAT, 1, 44100, 44100 * 4, 4, 32, 0};
    plugin.OpenStream(stream, &format);
    plugin.SetStreamCallBack(nullptr, 0, stream);
    EXPECT_EQ(0u, plugin.ProcessStream(&block, stream));

    EXPECT_EQ(12345, block.processedCount);
    EXPECT_EQ(1.0f, samples[0]);
    EXPECT_EQ(4.0f, samples[3]);
    plugin.Free(stream);
}

}  // namespace
