// The receiving side of the clipboard reader, against a stand-in whose pipes the test writes:
// what arrives waits in the program's own mailbox and the doorbell carries nothing, a snapshot
// cut short or ended keeps what arrived, and the reader is started afresh once it has read enough.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <vector>

#include "hidden_window.h"
#include "history/clip_reader.h"
#include "history/little_endian.h"

namespace nimbara {
namespace {

// The reader's ends of the pipes of the newest reader started.
struct StandIn {
    UniqueKernelHandle requests, frames;
    int starts = 0;
    HelperProcess Launch() {
        HANDLE in_read, in_write, out_read, out_write;
        if (!::CreatePipe(&in_read, &in_write, nullptr, 0) ||
            !::CreatePipe(&out_read, &out_write, nullptr, 0))
            return {};
        requests.reset(in_read);
        frames.reset(out_write);
        ++starts;
        return HelperProcess::Adopt({}, UniqueKernelHandle(in_write), UniqueKernelHandle(out_read));
    }
    void Frame(FrameHead head, std::vector<std::uint8_t> bytes = {}) {
        const FrameHeadBytes h = EncodeFrameHead(head);
        bytes.insert(bytes.begin(), h.begin(), h.end());
        ASSERT_TRUE(WriteAll(frames.get(), bytes.data(), bytes.size()));
    }
    void Formats(const std::vector<std::uint16_t>& formats) {
        std::vector<std::uint8_t> bytes(formats.size() * 2);
        for (std::size_t i = 0; i < formats.size(); ++i)
            WriteLittleEndian(std::span<std::uint8_t>(bytes), i * 2, formats[i]);
        Frame({FrameKind::kFormats, 77, static_cast<std::uint32_t>(formats.size())}, bytes);
    }
    void Record(std::uint32_t position, std::uint16_t format, const char* text) {
        const RecordHeadBytes h =
            EncodeRecordHead({format, ClipEncoding::kGlobal, std::strlen(text) + 1});
        std::vector<std::uint8_t> bytes(h.begin(), h.end());
        bytes.insert(bytes.end(), text, text + std::strlen(text) + 1);
        Frame({FrameKind::kRecord, position}, bytes);
    }
};

// Waits for the doorbell, which carries nothing, and takes every news it rang for.
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
    const struct {
        const char* name;
        int after;  // 0: the snapshot ends; 1: the budget is spent; 2: the output ends;
                    // 3: a record of a format it was not asked for
        SnapshotNews::Kind kind;
        ReaderEnd end;
    } cases[] = {{"whole", 0, SnapshotNews::Kind::kTaken, ReaderEnd::kEnded},
                 {"budget spent", 1, SnapshotNews::Kind::kReaderEnded, ReaderEnd::kEnded},
                 {"ended from outside", 2, SnapshotNews::Kind::kReaderEnded, ReaderEnd::kEnded},
                 {"made to misbehave", 3, SnapshotNews::Kind::kReaderEnded, ReaderEnd::kCrashed}};
    const UniqueHwnd window = testing::HiddenWindow();
    StandIn stand_in;
    ClipReaderProcess reader{window.get(), [&] { return stand_in.Launch(); }};
    EXPECT_FALSE(reader.Take()) << "a doorbell before anything was asked for takes nothing";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(reader.Begin());
        stand_in.Formats({CF_UNICODETEXT, CF_TEXT, 0xC002});
        stand_in.Record(1, CF_TEXT, "read first");
        SnapshotResult arrived;
        if (c.after == 1) {
            // Counted once the record is in: "read first" and its NUL.
            for (int i = 0; i < 500 && reader.BytesArrived() < 11; ++i)
                ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_POSTMESSAGE);
            arrived = reader.Abandon();
            EXPECT_FALSE(reader.Take()) << "nothing comes of a snapshot given up";
        } else {
            if (c.after == 0) stand_in.Frame({FrameKind::kEnd, 77});
            if (c.after == 2) stand_in.frames.reset();
            if (c.after == 3) stand_in.Record(2, CF_TEXT, "not asked for");
            std::vector<SnapshotNews> news = Rung(window.get(), reader);
            ASSERT_EQ(news.size(), 1u);
            EXPECT_EQ(news[0].kind, c.kind);
            EXPECT_EQ(news[0].end, c.end);
            arrived = std::move(news[0].result);
        }
        EXPECT_EQ(arrived.whole, c.after == 0);
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
        ClipReaderProcess reader{window.get(), [&] { return stand_in.Launch(); }};
        ASSERT_TRUE(reader.Begin());
        for (std::uint32_t i = 0; i < snapshots; ++i)
            stand_in.Frame({FrameKind::kEnd, i, 0, grown_kb});
        std::size_t taken = 0;
        // Each ring takes one news at least.
        for (std::uint32_t i = 0; i <= snapshots && taken < snapshots; ++i)
            taken += Rung(window.get(), reader).size();
        EXPECT_EQ(stand_in.starts, static_cast<int>(starts)) << snapshots << " " << grown_kb;
    }
    // The growth is this process's own commit charge, which the system must answer.
    const std::uint32_t before = PrivateKbOfThisProcess();
    const std::vector<std::uint8_t> held(32u << 20, 1);
    EXPECT_GE(PrivateKbOfThisProcess() - before, kReaderGrowthBeforeRestartKb)
        << before << int(held[7]);
}

}  // namespace
}  // namespace nimbara
