// The receiving side of the clipboard reader, against a stand-in reader whose pipes the test
// writes: what arrives waits in the program's own mailbox, the doorbell carries nothing, a
// snapshot cut short keeps what arrived, an end of the reader is told with how it ended, and
// the reader is started afresh between snapshots once it has read enough.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <vector>

#include "hidden_window.h"
#include "history/clip_reader.h"
#include "history/little_endian.h"

namespace nimbara {
namespace {

using Kind = SnapshotNews::Kind;

// The reader's ends of the pipes of every reader started, newest last.
struct StandIn {
    std::vector<UniqueKernelHandle> requests, frames;
    HelperProcess Launch() {
        HANDLE in_read, in_write, out_read, out_write;
        if (!::CreatePipe(&in_read, &in_write, nullptr, 0)) return {};
        if (!::CreatePipe(&out_read, &out_write, nullptr, 0)) return {};
        requests.emplace_back(in_read);
        frames.emplace_back(out_write);
        return HelperProcess::Adopt({}, UniqueKernelHandle(in_write), UniqueKernelHandle(out_read));
    }
    void Write(const void* bytes, std::size_t size) {
        ASSERT_TRUE(WriteAll(frames.back().get(), bytes, size));
    }
    void Frame(FrameHead head) {
        const FrameHeadBytes bytes = EncodeFrameHead(head);
        Write(bytes.data(), bytes.size());
    }
    void Formats(std::vector<std::uint16_t> formats) {
        Frame({FrameKind::kFormats, 77, static_cast<std::uint32_t>(formats.size())});
        std::vector<std::uint8_t> bytes(formats.size() * 2);
        for (std::size_t i = 0; i < formats.size(); ++i)
            WriteLittleEndian(std::span<std::uint8_t>(bytes), i * 2, formats[i]);
        Write(bytes.data(), bytes.size());
    }
    void Record(std::uint32_t position, std::uint16_t format, const char* text) {
        Frame({FrameKind::kRecord, position});
        const RecordHeadBytes head =
            EncodeRecordHead({format, ClipEncoding::kGlobal, std::strlen(text) + 1});
        Write(head.data(), head.size());
        Write(text, std::strlen(text) + 1);
    }
};

class ClipReaderTest : public ::testing::Test {
protected:
    // Waits for the doorbell, then takes the news it rang for.
    std::optional<SnapshotNews> Next() {
        MSG msg;
        for (int i = 0; i < 500; ++i) {
            if (::PeekMessageW(&msg, window_.get(), kMsgSnapshotRead, kMsgSnapshotRead,
                               PM_REMOVE)) {
                EXPECT_EQ(msg.wParam, 0u);
                EXPECT_EQ(msg.lParam, 0);
                return reader_.Take();
            }
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_POSTMESSAGE);
        }
        ADD_FAILURE() << "no doorbell";
        return std::nullopt;
    }

    UniqueHwnd window_ = testing::HiddenWindow();
    StandIn stand_in_;
    ClipReaderProcess reader_{window_.get(), [this] { return stand_in_.Launch(); }};
};

TEST_F(ClipReaderTest, ASnapshotArrivesWholeInTheMailboxAndADoorbellFromOutsideTakesNothing) {
    EXPECT_FALSE(reader_.Take()) << "nothing asked for yet";
    ASSERT_TRUE(reader_.Begin());
    stand_in_.Formats({CF_TEXT, 0xC001});
    stand_in_.Record(0, CF_TEXT, "whole");
    stand_in_.Record(1, 0xC001, "own");
    stand_in_.Frame({FrameKind::kEnd, 78, 1});
    const std::optional<SnapshotNews> news = Next();
    ASSERT_TRUE(news);
    EXPECT_EQ(news->kind, Kind::kTaken);
    EXPECT_TRUE(news->result.whole);
    EXPECT_EQ(news->result.sequence, 78u);
    EXPECT_EQ(news->result.unreadable, 1);
    ASSERT_EQ(news->result.slot.size(), 2u);
    EXPECT_STREQ(reinterpret_cast<const char*>(news->result.slot[1].data.data()), "own");
    EXPECT_FALSE(reader_.Take());
}

TEST_F(ClipReaderTest, WhatArrivedIsKeptWhenTheSnapshotIsCutShortOrTheReaderEnds) {
    const struct {
        const char* name;
        bool abandon;         // the budget is spent; otherwise the reader's output ends
        bool foreign_record;  // it sends a record of a format it was not asked for
        ReaderEnd end;
    } cases[] = {{"budget spent", true, false, ReaderEnd::kEnded},
                 {"ended from outside", false, false, ReaderEnd::kEnded},
                 {"made to misbehave", false, true, ReaderEnd::kCrashed}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(reader_.Begin());
        stand_in_.Formats({CF_UNICODETEXT, CF_TEXT, 0xC002});
        stand_in_.Record(1, CF_TEXT, "read first");
        if (c.foreign_record) stand_in_.Record(2, CF_TEXT, "not asked for");
        SnapshotResult arrived;
        if (c.abandon) {
            // Counted once the record is in: "read first" and its NUL.
            for (int i = 0; i < 500 && reader_.BytesArrived() < 11; ++i)
                ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_POSTMESSAGE);
            arrived = reader_.Abandon();
            EXPECT_FALSE(reader_.Take()) << "nothing comes of a snapshot given up";
        } else {
            if (!c.foreign_record) stand_in_.frames.back().reset();
            std::optional<SnapshotNews> news = Next();
            ASSERT_TRUE(news);
            EXPECT_EQ(news->kind, Kind::kReaderEnded);
            EXPECT_EQ(news->end, c.end);
            arrived = std::move(news->result);
        }
        EXPECT_FALSE(arrived.whole);
        EXPECT_EQ(arrived.sequence, 77u);
        ASSERT_EQ(arrived.slot.size(), 3u);
        EXPECT_EQ(arrived.slot[0].encoding, ClipEncoding::kUnrestorable);
        EXPECT_STREQ(reinterpret_cast<const char*>(arrived.slot[1].data.data()), "read first");
        EXPECT_EQ(arrived.slot[2].encoding, ClipEncoding::kUnrestorable);
        (void)reader_.Abandon();
    }
}

TEST_F(ClipReaderTest, TheReaderIsStartedAfreshAfterItsSnapshotsOrItsGrowth) {
    const struct {
        std::uint32_t snapshots, grown_kb;
        int starts;
    } rows[] = {{kReaderSnapshotsBeforeRestart - 1, 0, 1},
                {kReaderSnapshotsBeforeRestart, 0, 2},
                {1, kReaderGrowthBeforeRestartKb - 1, 1},
                {1, kReaderGrowthBeforeRestartKb, 2}};
    for (const auto& r : rows) {
        ClipReaderProcess reader{window_.get(), [this] { return stand_in_.Launch(); }};
        ASSERT_TRUE(reader.Begin());
        for (std::uint32_t i = 0; i < r.snapshots; ++i)
            stand_in_.Frame({FrameKind::kEnd, i, 0, r.grown_kb});
        std::uint32_t taken = 0;
        MSG msg;
        for (int i = 0; i < 500 && taken < r.snapshots; ++i) {
            if (::PeekMessageW(&msg, window_.get(), kMsgSnapshotRead, kMsgSnapshotRead, PM_REMOVE))
                while (reader.Take()) ++taken;
            else
                ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_POSTMESSAGE);
        }
        EXPECT_EQ(taken, r.snapshots);
        EXPECT_EQ(reader.starts(), r.starts) << r.snapshots << " " << r.grown_kb;
    }
}

}  // namespace
}  // namespace nimbara

namespace nimbara {
namespace {

// The reader's growth is told by its own private bytes, which the system must answer.
TEST(ReaderMemoryTest, PrivateBytesOfThisProcessGrowWithWhatItHolds) {
    const std::uint32_t before = PrivateKbOfThisProcess();
    std::vector<std::uint8_t> held(16u << 20, 1);
    const std::uint32_t after = PrivateKbOfThisProcess();
    EXPECT_GT(before, 0u);
    EXPECT_GE(after - before, 15u * 1024) << before << " " << after << " " << int(held[7]);
}

}  // namespace
}  // namespace nimbara
