#include <gtest/gtest.h>

#include <cstring>

#include "dsp/band_reject_node.h"
#include "dsp/chain.h"
#include "dsp/gain_node.h"
#include "dsp/sample_buffers.h"
#include "tests/unit/dsp_test_support.h"

namespace {

class RecordingNode : public ProcessingNode {
public:
    RecordingNode(std::vector<int>& order, int id, int result) : order_(order), id_(id), result_(result) {}
    int DoProcess(const SampleBlock&) override
    {
        order_.push_back(id_);
        return result_;
    }

private:
    std::vector<int>& order_;
    int id_;
    int result_;
};

TEST(ProcessingNodeTest, TheRestOfTheChainRunsBeforeTheNodeItself)
{
    std::vector<int> order;
    RecordingNode head(order, 1, 1), middle(order, 2, 0), tail(order, 3, 1);
    head.SetNext(&middle);
    middle.SetNext(&tail);
    EXPECT_EQ(1, head.Process(SampleBlock{}));
    EXPECT_EQ((std::vector<int>{3, 2, 1}), order);
    EXPECT_EQ(0, middle.Process(SampleBlock{}));
}

TEST(ProcessingNodeTest, SetFormatTakesOnlyChannelsAndRate)
{
    AudioFormat format{};
    std::memset(&format, 0xbd, sizeof format);
    format.nChannels = 2;
    format.nSamplesPerSec = 44100;
    ProcessingNode node;
    node.SetFormat(&format);
    EXPECT_EQ(2, node.ChannelCount());
    EXPECT_EQ(44100, node.SampleRate());
}

EffectSettings Record(double dryOut, uint32_t centre, uint32_t bandwidth)
{
    EffectSettings record{};
    record.dryOut = dryOut;
    record.cutOffFreq = centre;
    record.bandWidth = bandwidth;
    return record;
}

void Prepare(EffectSettings& record, uint32_t sampleRate, uint16_t channels)
{
    ASSERT_TRUE(BuildChain(&record));
    const AudioFormat format = MakeFormat(sampleRate, channels);
    record.headNode->SetFormat(&format);
    record.filterNode->SetFormat(&format);
}

TEST(ChainTest, BuildChainLinksGainToFilterWithTheRecordsValues)
{
    EffectSettings record = Record(0.25, 1234, 321);
    ASSERT_TRUE(BuildChain(&record));
    ASSERT_NE(nullptr, record.headNode);
    EXPECT_EQ(record.filterNode, record.headNode->Next());
    EXPECT_EQ(nullptr, record.filterNode->Next());
    EXPECT_EQ(0.25, HeadGain(&record)->gain);
    EXPECT_EQ(1234, record.filterNode->cutOffFreq);
    EXPECT_EQ(321, record.filterNode->bandWidth);
    ReleaseChain(&record);
    EXPECT_EQ(nullptr, record.headNode);
    EXPECT_EQ(nullptr, record.filterNode);
}

TEST(ChainTest, OutputIsTheGainTimesTheFilteredSampleRoundedToFloatFirst)
{
    for (double level : {0.5, 1.000015259254738}) {
        SCOPED_TRACE(level);
        EffectSettings record = Record(level, 1000, 400);
        Prepare(record, 44100, 2);
        TestBuffers buffers(2, 500);
        buffers.FillNoise(21);
        TestBuffers expected = buffers;

        BandRejectNode reference;
        const AudioFormat format = MakeFormat(44100, 2);
        reference.SetFormat(&format);
        reference.DoProcess(expected.All());
        for (int k = 0; k < 2; ++k)
            for (float& sample : expected[k])
                sample = static_cast<float>(static_cast<double>(sample) * level);

        EXPECT_EQ(1, record.headNode->Process(buffers.All()));
        for (int k = 0; k < 2; ++k)
            EXPECT_EQ(expected[k], buffers[k]);
        ReleaseChain(&record);
    }
}

TEST(ChainTest, AnOutOfRangeCentreStillGetsTheGain)
{
    EffectSettings record = Record(0.5, 20000, 400);
    Prepare(record, 22050, 1);
    TestBuffers buffers(1, 3);
    buffers[0] = {1.0f, -0.5f, 0.3f};
    record.headNode->Process(buffers.All());
    EXPECT_EQ((std::vector<float>{0.5f, -0.25f, static_cast<float>(0.3f * 0.5)}), buffers[0]);
    ReleaseChain(&record);
}

TEST(ChainTest, RebuildingGivesAFreshFilterHistory)
{
    EffectSettings record = Record(1.0, 1000, 400);
    Prepare(record, 44100, 1);
    TestBuffers noise(1, 100);
    noise.FillNoise(5);
    record.headNode->Process(noise.All());
    ReleaseChain(&record);

    Prepare(record, 44100, 1);
    TestBuffers impulse(1, 1);
    impulse[0][0] = 1.0f;
    record.headNode->Process(impulse.All());
    EXPECT_EQ(static_cast<float>(record.filterNode->Coeffs().a0), impulse[0][0]);
    ReleaseChain(&record);
}

TEST(SampleBuffersTest, AllocateReplacesTheBuffersAndReleaseEmptiesTheBlock)
{
    SampleBuffers buffers;
    buffers.AllocateBuffers(3, 10);
    EXPECT_EQ(3, ChannelsIn(buffers.Block()));
    buffers.AllocateBuffers(1, 4000);
    EXPECT_EQ(1, ChannelsIn(buffers.Block()));
    EXPECT_EQ(4000, buffers.Block().sampleCount);
    EXPECT_EQ(0, buffers.Block().processedCount);
    buffers.Channel(0)[3999] = 1.0f;

    buffers.ReleaseBuffers();
    EXPECT_EQ(0, ChannelsIn(buffers.Block()));
    EXPECT_EQ(0, buffers.Block().sampleCount);

    buffers.AllocateBuffers(0, 25);
    EXPECT_EQ(0, ChannelsIn(buffers.Block()));
    EXPECT_EQ(25, buffers.Block().sampleCount);
}

}  // namespace
