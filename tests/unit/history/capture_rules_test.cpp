// The capture's rules: the snapshot budget across the clock's wrap, which picture formats
// are read off the clipboard, which snapshots earn a slot, and what follows a reader's end.
#include "history/capture_rules.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace nimbara {
namespace {

TEST(CaptureRules, BudgetLeftCountsFromTheStartAcrossTheClockWrap) {
    const struct {
        std::uint32_t started, now, left;
    } cases[] = {{0, 0, 30000},           {0, 1, 29999}, {0, 29999, 1},
                 {0, 30000, 0},           {0, 90000, 0}, {0xFFFFFF00u, 0x100, 29488},
                 {0xFFFFFF00u, 29744, 0}, {100, 99, 0} /* a clock gone back: all spent */};
    for (const auto& c : cases) EXPECT_EQ(BudgetLeftMs(c.started, c.now), c.left) << c.now;
    // Copying is not hanging: 1 s more for every 8 MB copied, without overflowing the budget.
    const std::uint32_t copied[][2] = {{0, 0}, {8, 1000}, {80, 10000}, {0xFFFFFFFFu, 0}};
    for (const auto& [mb, ms] : copied) {
        if (ms) EXPECT_EQ(CopyAllowanceMs(mb), ms) << mb;
        EXPECT_GE(CopyAllowanceMs(mb) + kSnapshotBudgetMs, kSnapshotBudgetMs) << mb;
    }
}

TEST(CaptureRules, PictureFormatsMadeFromADibAreMadeFromTheCheckedOneOrReadOnceItIsRechecked) {
    constexpr auto R = FormatSource::kClipboard, A = FormatSource::kAfterDibRecheck,
                   D = FormatSource::kCheckedDib, N = FormatSource::kNumberOnly;
    const struct {
        const char* name;
        std::vector<std::uint16_t> formats;
        bool dib_sound;
        std::vector<FormatSource> want;
    } cases[] = {
        {"DIB put, the rest made by the system", {1, 8, 2, 9, 17}, true, {R, R, D, N, A}},
        {"lying DIB", {8, 2, 9, 17}, false, {R, N, N, N}},
        {"bitmap put", {2, 9, 8, 17}, true, {R, N, R, A}},
        {"palette before its bitmap", {9, 2, 8}, false, {R, R, R}},
        {"DIBV5 put", {17, 8, 2}, true, {R, A, D}},
        {"no picture", {1, 13, 15, 0xC001}, false, {R, R, R, R}},
    };
    for (const auto& c : cases) {
        PictureFormats pictures;
        std::vector<FormatSource> got;
        for (std::uint16_t format : c.formats) {
            got.push_back(pictures.SourceOf(format));
            if (format == 8 || format == 17) pictures.DibChecked(c.dib_sound);
        }
        EXPECT_EQ(got, c.want) << c.name;
    }
}

TEST(CaptureRules, ASnapshotEarnsASlotOnlyWithSomethingToWriteBackAndAFailedReadIsNothing) {
    constexpr auto G = ClipEncoding::kGlobal, B = ClipEncoding::kBitmap,
                   E = ClipEncoding::kEnhMetaFile, U = ClipEncoding::kUnrestorable;
    const ClipEncoding failed = KeptEncoding(G, false);
    const struct {
        const char* name;
        std::vector<std::pair<ClipEncoding, bool>> records;  // encoding, has bytes
        bool earns;
    } cases[] = {{"no records", {}, false},
                 {"refused and an unreadable picture", {{U, false}, {B, false}}, false},
                 {"an empty block is a format too", {{U, false}, {G, false}}, true},
                 {"a picture", {{E, true}}, true},
                 {"a failed read, whatever bytes came", {{failed, true}}, false}};
    const std::uint8_t byte = 7;
    for (const auto& c : cases) {
        ClipSlot slot;
        for (const auto& [encoding, data] : c.records) {
            ClipFormatRecord& r = slot.emplace_back();
            r.encoding = encoding;
            if (data) r.data = ByteBuffer::CopyOf({&byte, 1});
        }
        EXPECT_EQ(HasRestorable(slot), c.earns) << c.name;
    }
}

TEST(CaptureRules, WhatAUserPastesIsReadFirstEachGroupInTheClipboardsOrder) {
    const struct {
        std::vector<std::uint16_t> formats;
        std::vector<std::size_t> order;
    } cases[] = {{{}, {}},
                 {{0xC001, 13, 0xC002, 1, 16, 7}, {1, 3, 4, 5, 0, 2}},
                 {{11, 15, 8, 2, 9, 17, 14, 3}, {1, 2, 3, 4, 5, 6, 7, 0}},
                 {{0xC001, 12}, {0, 1}}};
    for (const auto& c : cases) EXPECT_EQ(ReadOrder(c.formats), c.order) << c.formats.size();
}

// A snapshot cut short: what arrived in its own place, the rest as numbers (NumbersOnly).
TEST(CaptureRules, ARecordIsTakenOnlyIntoItsOwnPlaceOnce) {
    ClipSlot slot = NumbersOnly({1, 0xC001, 13});
    const std::uint8_t byte = 7;
    const struct {
        std::size_t position;
        std::uint16_t format;
        bool taken;
    } cases[] = {{1, 0xC001, true},
                 {1, 0xC001, false},  // twice
                 {0, 13, false},      // another format's place
                 {3, 13, false},
                 {static_cast<std::size_t>(-1), 1, false}};
    for (const auto& c : cases) {
        ClipFormatRecord record{c.format, ClipEncoding::kGlobal, ByteBuffer::CopyOf({&byte, 1})};
        EXPECT_EQ(TakeRecord(slot, c.position, std::move(record)), c.taken) << c.position;
    }
    EXPECT_TRUE(HasRestorable(slot) && slot[1].encoding == ClipEncoding::kGlobal);
    EXPECT_FALSE(HasRestorable(NumbersOnly({1, 13})));
}

TEST(CaptureRules, OnlyACrashOnTheContentOrEndsPastTheirNumberGiveItUp) {
    const struct {
        std::optional<std::uint32_t> exit_code;
        ReaderEnd end;
    } exits[] = {{std::nullopt, ReaderEnd::kEnded},  // still ending, or no process known
                 {0, ReaderEnd::kEnded},             // its input broke
                 {1, ReaderEnd::kEnded},             // ended from outside (Task Manager)
                 {3, ReaderEnd::kCrashed},           // the C runtime's abort
                 {kReaderCrashExitCode, ReaderEnd::kCrashed},
                 {0xC0000005u, ReaderEnd::kCrashed},
                 {0xC00000FDu, ReaderEnd::kCrashed},
                 {0xBFFFFFFFu, ReaderEnd::kEnded}};
    for (const auto& e : exits)
        EXPECT_EQ(ClassifyReaderExit(e.exit_code), e.end) << e.exit_code.value_or(0);
    using A = AfterReaderEnd;
    const struct {
        ReaderEnd end;
        int ends;
        bool began;
        A after;
    } ends[] = {{ReaderEnd::kEnded, 1, true, A::kReadAgain},
                {ReaderEnd::kEnded, kReadsAfterReaderEnds, false, A::kReadAgain},
                {ReaderEnd::kEnded, kReadsAfterReaderEnds + 1, true, A::kGiveUp},
                {ReaderEnd::kEnded, kReadsAfterReaderEnds + 1, false, A::kReadInProcess},
                {ReaderEnd::kCrashed, 1, false, A::kGiveUp}};
    for (const auto& e : ends)
        EXPECT_EQ(AfterReaderEnded(e.end, e.ends, e.began), e.after) << e.ends << e.began;
    // Started afresh after a few hundred snapshots or once it has grown by 8 MB.
    const std::uint32_t afresh[][3] = {
        {0, 0, 0}, {199, 8191, 0}, {200, 0, 1}, {1, 8192, 1}, {0xFFFFFFFFu, 0xFFFFFFFFu, 1}};
    for (const auto& [snapshots, grown_kb, yes] : afresh)
        EXPECT_EQ(StartReaderAfresh(snapshots, grown_kb), yes != 0) << snapshots;
}

}  // namespace
}  // namespace nimbara
