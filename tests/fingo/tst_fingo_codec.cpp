// The frame format and the reassembly of frames from received chunks.
#include "FrameReassembler.h"
#include "TCPFrame.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using Fingo::FrameReassembler;
using Fingo::TCPFrame;

namespace {

std::string bytes(std::initializer_list<int> values) {
    std::string text;
    for (int value : values)
        text.push_back(static_cast<char>(value));
    return text;
}

void feed(FrameReassembler& frames, const std::string& chunk) {
    ASSERT_LE(chunk.size(), frames.freeSize());
    std::memcpy(frames.freeSpace(), chunk.data(), chunk.size());
    frames.commit(chunk.size());
}

std::vector<std::string> cutAll(FrameReassembler& frames) {
    std::vector<std::string> texts;
    for (std::string text; frames.cutFrame(text);)
        texts.push_back(text);
    return texts;
}

} // namespace

TEST(TCPFrame, EscapesTheMarkerBytesOnTheWay) {
    EXPECT_EQ(TCPFrame::encode(bytes({0x41, 0x7D, 0x7E, 0x7F, 0x42})),
              bytes({0x7E, 0x41, 0x7D, 0x5D, 0x7D, 0x5E, 0x7D, 0x5F, 0x42, 0x7F}));
    EXPECT_EQ(TCPFrame::encode(""), bytes({0x7E, 0x7F}));
}

TEST(TCPFrame, DecodingUndoesEveryEscape) {
    std::string payload;
    for (int value = 0; value < 256; ++value)
        payload.push_back(static_cast<char>(value));
    const std::string frame = TCPFrame::encode(payload);
    EXPECT_LE(frame.size(), 2 * payload.size() + 2);
    EXPECT_EQ(TCPFrame::decode(frame.data() + 1, frame.size() - 2), payload);
}

TEST(TCPFrame, KeepsAnEscapeByteFollowedByAnotherByte) {
    EXPECT_EQ(TCPFrame::decode("\x7D\x41", 2), bytes({0x7D, 0x41}));
    // The byte after a lone escape is read normally: here it starts an escape.
    EXPECT_EQ(TCPFrame::decode("\x7D\x7D\x5E", 3), bytes({0x7D, 0x7E}));
    EXPECT_EQ(TCPFrame::decode("\x41\x7D", 2), bytes({0x41, 0x7D}));
}

TEST(FrameReassembler, CutsTwoFramesReceivedTogether) {
    FrameReassembler frames;
    feed(frames, TCPFrame::encode(std::string("{\"a\":1}\0", 8)) +
                     TCPFrame::encode(std::string("{\"b\":2}\0", 8)));
    EXPECT_EQ(cutAll(frames), (std::vector<std::string>{"{\"a\":1}", "{\"b\":2}"}));
    EXPECT_EQ(frames.size(), 0u);
}

TEST(FrameReassembler, JoinsAFrameSplitOverReceives) {
    FrameReassembler frames;
    const std::string frame = TCPFrame::encode("{\"x\":\"}~\"}");
    std::vector<std::string> texts;
    for (char byte : frame) {
        feed(frames, std::string(1, byte));
        for (const std::string& text : cutAll(frames))
            texts.push_back(text);
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"{\"x\":\"}~\"}"}));
}

TEST(FrameReassembler, ReadsThePayloadOnlyUpToItsFirstNul) {
    FrameReassembler frames;
    feed(frames, TCPFrame::encode(std::string("{}\0garbage", 10)) + TCPFrame::encode("{}"));
    EXPECT_EQ(cutAll(frames), (std::vector<std::string>{"{}", "{}"}));
}

TEST(FrameReassembler, DropsBytesBeforeTheStartMarkerWithTheFrame) {
    FrameReassembler frames;
    feed(frames, "noise\x7F more" + TCPFrame::encode("{}") + "tail");
    EXPECT_EQ(cutAll(frames), (std::vector<std::string>{"{}"}));
    EXPECT_EQ(frames.size(), 4u); // the tail waits for a start marker
}

TEST(FrameReassembler, ShiftsALateStartMarkerToTheFront) {
    FrameReassembler frames;
    feed(frames, std::string(2047, 'n') + "\x7E{");
    std::string text;
    EXPECT_FALSE(frames.cutFrame(text));
    EXPECT_EQ(frames.size(), 2049u) << "a marker below 2048 stays where it is";

    FrameReassembler late;
    feed(late, std::string(2048, 'n') + "\x7E{");
    EXPECT_FALSE(late.cutFrame(text));
    ASSERT_EQ(late.size(), 2u);
    feed(late, "}\x7F");
    EXPECT_EQ(cutAll(late), (std::vector<std::string>{"{}"}));
}

TEST(FrameReassembler, ReportsFullWhenNoFrameFits) {
    FrameReassembler frames;
    feed(frames, "\x7E" + std::string(FrameReassembler::kCapacity - 1, 'x'));
    std::string text;
    EXPECT_FALSE(frames.cutFrame(text));
    EXPECT_TRUE(frames.isFull());
    EXPECT_EQ(frames.freeSize(), 0u);
}
