// The receiving side of the clipboard reader, against a stand-in whose pipes the test writes.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "hidden_window.h"
#include "history/clip_reader.h"

namespace nimbara {
namespace {

// The reader's ends of the pipes of the newest reader started.
struct StandIn {
    UniqueKernelHandle requests, frames;
    HelperProcess Launch() {
        HANDLE in_read, in_write, out_read, out_write;
        if (!::CreatePipe(&in_read, &in_write, nullptr, 0) ||
            !::CreatePipe(&out_read, &out_write, nullptr, 0))
            return {};
        requests.reset(in_read);
        frames.reset(out_write);
        return HelperProcess::Adopt({}, UniqueKernelHandle(in_write), UniqueKernelHandle(out_read));
    }
    void Frame(FrameHead head, std::vector<std::uint8_t> bytes = {}) {
        const FrameHeadBytes h = EncodeFrameHead(head);
        bytes.insert(bytes.begin(), h.begin(), h.end());
        ASSERT_TRUE(WriteAll(frames.get(), bytes.data(), bytes.size()));
    }
    void Text(std::uint32_t position, const char* text) {  // a record of CF_TEXT
        const RecordHeadBytes h =
            EncodeRecordHead({CF_TEXT, ClipEncoding::kGlobal, std::strlen(text) + 1});
        std::vector<std::uint8_t> bytes(h.begin(), h.end());
        bytes.insert(bytes.end(), text, text + std::strlen(text) + 1);
        Frame({FrameKind::kRecord, position}, bytes);
    }
    void Formats() {  // CF_UNICODETEXT, CF_TEXT and a registered format, 0xC002
        Frame({FrameKind::kFormats, 77, 3}, {13, 0, 1, 0, 0x02, 0xC0});
    }
};

// Waits for the doorbell, which carries nothing, and takes every news from the mailbox.
std::vector<SnapshotNews> Rung(HWND window, ClipReaderProcess& reader) {
    std::vector<SnapshotNews> taken;
    MSG msg;
    for (int i = 0; i < 500 && taken.empty(); ++i) {
        if (!::PeekMessageW(&msg, window, kMsgSnapshotRead, kMsgSnapshotRead, PM_REMOVE)) {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_POSTMESSAGE);
            continue;
        }
        EXPECT_EQ(msg.wParam | static_cast<WPARAM>(msg.lParam), 0u);
        while (std::optional<SnapshotNews> news = reader.Take()) taken.push_back(std::move(*news));
    }
    return taken;
}

TEST(ClipReaderTest, WhatArrivedIsKeptWholeCutShortOrEndedAndNothingElseIsTaken) {
    const UniqueHwnd window = testing::HiddenWindow();
    StandIn stand_in;
    ClipReaderProcess reader{window.get(), [&] { return stand_in.Launch(); }, 0};
    EXPECT_FALSE(reader.Take()) << "a doorbell before anything was asked for takes nothing";
    // After the text: 0 the end frame; 1 the budget spent; 2 the output ended (from outside);
    // 3 a record where another format was asked for (a reader made to misbehave).
    for (int after = 0; after < 4; ++after) {
        SCOPED_TRACE(after);
        ASSERT_TRUE(reader.Begin());
        stand_in.Formats();
        stand_in.Text(1, "read first");
        SnapshotResult arrived;
        if (after == 1) {
            // Counted once the record is in: "read first" and its NUL.
            for (int i = 0; i < 500 && reader.BytesArrived() < 11; ++i)
                ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_POSTMESSAGE);
            arrived = reader.Abandon();
            EXPECT_FALSE(reader.Take()) << "nothing comes of a snapshot given up";
        } else {
            if (after == 0) stand_in.Frame({FrameKind::kEnd, 77});
            if (after == 2) stand_in.frames.reset();
            if (after == 3) stand_in.Text(2, "not asked for");
            std::vector<SnapshotNews> news = Rung(window.get(), reader);
            ASSERT_EQ(news.size(), 1u);
            EXPECT_EQ(news[0].kind,
                      after ? SnapshotNews::Kind::kReaderEnded : SnapshotNews::Kind::kTaken);
            EXPECT_EQ(news[0].end, after == 3 ? ReaderEnd::kCrashed : ReaderEnd::kEnded);
            arrived = std::move(news[0].result);
        }
        EXPECT_EQ(arrived.whole, after == 0);
        EXPECT_EQ(arrived.sequence, 77u);
        ASSERT_EQ(arrived.slot.size(), 3u);
        EXPECT_EQ(arrived.slot[0].encoding, ClipEncoding::kUnrestorable);
        EXPECT_STREQ(reinterpret_cast<const char*>(arrived.slot[1].data.data()), "read first");
        EXPECT_EQ(arrived.slot[2].encoding, ClipEncoding::kUnrestorable);
    }
}

TEST(ClipReaderTest, TheReaderIsStartedAfreshAfterItsSnapshotsOrItsGrowthAndGrowthIsMeasured) {
    const UniqueHwnd window = testing::HiddenWindow();
    const std::uint32_t rows[][3] = {{kReaderSnapshotsBeforeRestart - 1, 0, 1},
                                     {kReaderSnapshotsBeforeRestart, 0, 2},
                                     {1, kReaderGrowthBeforeRestartKb, 2}};
    for (const auto& [snapshots, grown_kb, starts] : rows) {
        StandIn stand_in;
        ClipReaderProcess reader{window.get(), [&] { return stand_in.Launch(); }, 0};
        ASSERT_TRUE(reader.Begin());
        for (std::uint32_t i = 0; i < snapshots; ++i)
            stand_in.Frame({FrameKind::kEnd, i, 0, grown_kb});
        std::size_t taken = 0;
        // Each ring takes one news at least.
        for (std::uint32_t i = 0; i <= snapshots && taken < snapshots; ++i)
            taken += Rung(window.get(), reader).size();
        EXPECT_EQ(reader.starts(), static_cast<int>(starts)) << snapshots << " " << grown_kb;
    }
    // The growth is this process's own commit charge, which the system must answer.
    const std::uint32_t before = PrivateKbOfThisProcess();
    const std::vector<std::uint8_t> held(32u << 20, 1);
    EXPECT_GE(PrivateKbOfThisProcess() - before, kReaderGrowthBeforeRestartKb)
        << before << int(held[7]);
}

// The real reader: this test program, started as the product starts itself, answers as the
// product does. Ended in the middle, its thread is joined before the next starts.
TEST(ClipReaderTest, TheRealReaderReadsTheClipboardAndItsEndBreaksThePipeItsThreadReads) {
    const UniqueHwnd window = testing::HiddenWindow();
    ASSERT_TRUE(::OpenClipboard(window.get()));
    ::EmptyClipboard();
    const char text[] = "read by the reader";
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, sizeof(text));
    std::memcpy(::GlobalLock(block), text, sizeof(text));
    ::GlobalUnlock(block);
    ASSERT_TRUE(::SetClipboardData(CF_TEXT, block));
    ::CloseClipboard();
    ClipReaderProcess reader{window.get()};
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(reader.Begin());
        std::vector<SnapshotNews> news = Rung(window.get(), reader);
        ASSERT_EQ(news.size(), 1u);
        ASSERT_EQ(news[0].kind, SnapshotNews::Kind::kTaken);
        const ClipSlot& slot = news[0].result.slot;
        const auto found = std::find_if(slot.begin(), slot.end(), [](const ClipFormatRecord& r) {
            return r.format == CF_TEXT;
        });
        ASSERT_NE(found, slot.end());
        EXPECT_STREQ(reinterpret_cast<const char*>(found->data.data()), text);
        // Ended from outside: the next snapshot needs a reader started afresh.
        (void)reader.Abandon();
    }
    EXPECT_EQ(reader.starts(), 2);
}

}  // namespace
}  // namespace nimbara
