#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "link/Comm200Cy.h"
#include "link/DefinCyX4.h"
#include "link/ParsRxPktRT.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Frames = std::vector<Bytes>;

// Feeds the chunks through the channel's receive path and returns the frames found.
Frames Feed(TChannelState& ch, const std::vector<Bytes>& chunks)
{
    Frames frames;
    for (const auto& chunk : chunks) {
        ReceiveRxChunk(ch, chunk.data(), chunk.size(), [&](std::uint16_t len) {
            frames.emplace_back(ch.RxFrameBuf, ch.RxFrameBuf + len);
        });
        EXPECT_LE(ch.RxLen, kRxMaxPartialFrame);
    }
    return frames;
}

// A frame as a programmer sends it: delimiters and the escaped packet, no trailer.
Bytes ReplyFrame(const Bytes& packet)
{
    Bytes frame(MaxEncodedFrameLen(packet.size()));
    const auto len = EncodeFrame(packet.data(), frame.data(), static_cast<std::uint16_t>(packet.size()));
    frame.resize(len - kFrameTrailerCount);
    return frame;
}

TEST(ExtractFrame, PositionsFollowTheFrames)
{
    ResetSharedStateForTest();
    TChannelState& ch = Channels[1];
    const Bytes stream = {0x55, 0xC0, 0x01, 0x02, 0xC0, 0xC0, 0x03, 0xC0};
    std::copy(stream.begin(), stream.end(), ch.RxRawBuf);
    ch.RxLen = static_cast<std::uint16_t>(stream.size());
    std::uint16_t pos = 0, len = 0;
    ASSERT_TRUE(ExtractFrame(ch, pos, len));
    EXPECT_EQ(pos, 5);
    EXPECT_EQ(Bytes(ch.RxFrameBuf, ch.RxFrameBuf + len), (Bytes{0xC0, 0x01, 0x02, 0xC0}));
    ASSERT_TRUE(ExtractFrame(ch, pos, len));
    EXPECT_EQ(pos, 8);
    EXPECT_EQ(Bytes(ch.RxFrameBuf, ch.RxFrameBuf + len), (Bytes{0xC0, 0x03, 0xC0}));
    EXPECT_FALSE(ExtractFrame(ch, pos, len));
    EXPECT_EQ(pos, 8);
}

struct StreamCase {
    const char* name;
    std::vector<Bytes> chunks;
    Frames frames;
};

TEST(ExtractFrame, StreamCasesOnEveryChannel)
{
    const StreamCase cases[] = {
        {"closing is not reused as opening", {{0x55, 0xC0, 0x01, 0x02, 0xC0, 0xC0, 0x03, 0xC0}},
         {{0xC0, 0x01, 0x02, 0xC0}, {0xC0, 0x03, 0xC0}}},
        {"run of openings", {{0xC0, 0xC0, 0xC0, 0x01, 0xC0}}, {{0xC0, 0x01, 0xC0}}},
        {"partial frame completed later", {{0xC0, 0x01, 0x02}, {0x03, 0xC0}}, {{0xC0, 0x01, 0x02, 0x03, 0xC0}}},
        {"chunk without delimiter", {{0x11, 0x22, 0x33}, {0xC0, 0x44, 0xC0}}, {{0xC0, 0x44, 0xC0}}},
        {"noise then partial", {{0x11, 0xC0, 0x22}, {0x33, 0xC0}}, {{0xC0, 0x22, 0x33, 0xC0}}},
        {"delimiter as last byte", {{0xC0}, {0x05, 0xC0}}, {{0xC0, 0x05, 0xC0}}},
        {"delimiter run split", {{0x01, 0xC0}, {0xC0, 0x05}, {0xC0}}, {{0xC0, 0x05, 0xC0}}},
        {"two frames in one chunk", {{0xC0, 0x01, 0xC0, 0xC0, 0x02, 0xC0, 0xFF, 0xFF}},
         {{0xC0, 0x01, 0xC0}, {0xC0, 0x02, 0xC0}}},
        {"trailer bytes before next frame", {{0xC0, 0x01, 0xC0, 0xFF, 0xFF, 0xFF}, {0xFF, 0xFF, 0xC0, 0x02, 0xC0}},
         {{0xC0, 0x01, 0xC0}, {0xC0, 0x02, 0xC0}}},
    };
    for (int c = 0; c < kChannelCount; ++c) {
        for (const auto& sc : cases) {
            ResetSharedStateForTest();
            EXPECT_EQ(Feed(Channels[c], sc.chunks), sc.frames) << sc.name << " channel " << c;
        }
    }
}

TEST(ExtractFrame, RandomSplitsFindEveryFrameOnceInOrder)
{
    std::mt19937 rng(2026);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 40; ++round) {
        ResetSharedStateForTest();
        std::vector<Bytes> packets;
        Bytes stream;
        for (int i = 0; i < 12; ++i) {
            Bytes packet(static_cast<std::size_t>(8 + byte(rng) * 16));
            for (auto& b : packet) b = static_cast<std::uint8_t>(byte(rng) < 40 ? 0xC0 : byte(rng));
            if (i == 5) packet.assign(4106, 0xC0);  // a fully escaped 4 KB read-back reply
            packets.push_back(packet);
            if (byte(rng) < 64) stream.push_back(0xC0);  // an extra opening
            const Bytes frame = ReplyFrame(packet);
            stream.insert(stream.end(), frame.begin(), frame.end());
        }
        std::vector<Bytes> chunks;
        for (std::size_t pos = 0; pos < stream.size();) {
            const std::size_t len =
                std::min<std::size_t>(stream.size() - pos, 1 + static_cast<std::size_t>(byte(rng)) * 8);
            chunks.emplace_back(stream.begin() + static_cast<long>(pos), stream.begin() + static_cast<long>(pos + len));
            pos += len;
        }
        const Frames frames = Feed(Channels[round % kChannelCount], chunks);
        ASSERT_EQ(frames.size(), packets.size()) << round;
        for (std::size_t i = 0; i < frames.size(); ++i) {
            static std::uint8_t packet[kPktBufSize];
            std::uint16_t len = 0;
            ASSERT_EQ(UnpackFrame(frames[i].data(), packet, len, static_cast<std::uint16_t>(frames[i].size())),
                      kResultOk);
            EXPECT_EQ(Bytes(packet, packet + len), packets[i]) << round << " frame " << i;
        }
    }
}

TEST(ExtractFrame, OversizedFrameIsDroppedAndTheStreamResynchronises)
{
    ResetSharedStateForTest();
    TChannelState& ch = Channels[0];
    Bytes big = {0xC0};
    big.insert(big.end(), kMaxFrameLen - 1, 0x11);  // one byte too long once closed
    big.push_back(0xC0);
    const Bytes good = {0xC0, 0x07, 0xC0};
    big.insert(big.end(), good.begin(), good.end());
    std::vector<Bytes> chunks;
    for (std::size_t pos = 0; pos < big.size(); pos += 2048)
        chunks.emplace_back(big.begin() + static_cast<long>(pos),
                            big.begin() + static_cast<long>(std::min(big.size(), pos + 2048)));
    EXPECT_EQ(Feed(ch, chunks), (Frames{{0xC0, 0x07, 0xC0}}));

    // The largest legal frame still passes.
    ResetSharedStateForTest();
    Bytes largest = {0xC0};
    largest.insert(largest.end(), kMaxFrameLen - 2, 0x22);
    largest.push_back(0xC0);
    const Frames frames = Feed(ch, {largest});
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].size(), kMaxFrameLen);
}

TEST(ExtractFrame, GarbageNeverOverrunsTheBuffers)
{
    ResetSharedStateForTest();
    TChannelState& ch = Channels[3];
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> byte(0, 255);
    // Long noise without any delimiter, in normal chunks and in one huge chunk.
    std::vector<Bytes> chunks(60, Bytes(2048, 0x5A));
    chunks.push_back(Bytes(50000, 0x33));
    // Random bytes with rare delimiters: long stretches between them.
    for (int i = 0; i < 60; ++i) {
        Bytes chunk(2048);
        for (auto& b : chunk) b = static_cast<std::uint8_t>(byte(rng) == 0 && byte(rng) < 8 ? 0xC0 : byte(rng) | 1);
        chunks.push_back(chunk);
    }
    Feed(ch, chunks);
    // Afterwards a valid frame is still found, even inside one huge chunk.
    Bytes tail(30000, 0x44);
    const Bytes frame = {0xC0, 0x09, 0x0A, 0xC0};
    tail.insert(tail.end(), frame.begin(), frame.end());
    const Frames frames = Feed(ch, {tail});
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames.back(), frame);
}

} // namespace
