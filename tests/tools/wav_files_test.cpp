// WAV files on disk: what the file sink leaves behind when a write does not finish.
#include <windows.h>

#include <gtest/gtest.h>

#include "tools/wav/wav_file.h"

TEST(WavWriter, AnOutputPastRiffSizesIsRf64BeforeTheFirstSample)
{
    WavLayout layout;
    layout.format.encoding = SampleEncoding::Float;
    layout.format.channels = 2;
    layout.format.sampleRate = 48000;
    layout.format.bitsPerSample = 32;
    const uint64_t framesThatFit = (0xFFFFFFFFULL - 4096) / layout.format.BytesPerFrame();
    const uint64_t framesPastRiff = 0x100000000ULL / layout.format.BytesPerFrame();
    for (uint64_t frames : {framesThatFit, framesPastRiff}) {
        SCOPED_TRACE(frames);
        layout.frames = frames;
        const WavWriter writer("large.wav", layout);
        EXPECT_EQ(frames == framesThatFit ? WavContainer::Riff : WavContainer::Rf64, writer.Container());
    }
    // An unfinished writer leaves nothing behind, nor does one whose constructor fails: here the
    // chunks to copy before the audio come from a file that has gone.
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("large.wav.partial"));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("large.wav"));
    layout.chunkSource = "gone.wav";
    layout.chunks = {WavChunk{"LIST", 12, 4, false}};
    EXPECT_THROW(WavWriter("large.wav", layout), WavError);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("large.wav.partial"));
}
