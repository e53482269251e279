// The clipboard snapshots against the real clipboard: snapshots keep every format byte for
// byte in enumeration order, restores give the same formats back, pictures come
// back as valid objects with the same pixels, and failures keep what was there.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "fake_clipboard.h"
#include "hidden_window.h"
#include "history/capture_rules.h"
#include "history/clip_snapshots.h"
#include "platform/clip_objects.h"
#include "platform/error.h"
#include "platform/handles.h"

namespace nimbara {
namespace {

std::vector<std::uint8_t> Pattern(std::size_t n, std::uint8_t seed) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(seed + i * 7 + (i >> 11));
    return v;
}

// Puts raw global-memory formats on the clipboard in one opening, in this order.
void PutFormats(HWND owner,
                const std::vector<std::pair<UINT, std::vector<std::uint8_t>>>& formats) {
    ASSERT_TRUE(::OpenClipboard(owner));
    ::EmptyClipboard();
    for (const auto& [format, bytes] : formats) {
        UniqueHGlobal block = MakeGlobalBlock(bytes);
        ASSERT_TRUE(block);
        if (::SetClipboardData(format, block.get())) (void)block.release();
    }
    ::CloseClipboard();
}

std::vector<UINT> Enumerate(HWND owner) {
    std::vector<UINT> formats;
    if (!::OpenClipboard(owner)) return formats;
    for (UINT f = ::EnumClipboardFormats(0); f; f = ::EnumClipboardFormats(f)) formats.push_back(f);
    ::CloseClipboard();
    return formats;
}

std::vector<std::uint8_t> ReadBytes(HWND owner, UINT format) {
    std::vector<std::uint8_t> bytes;
    if (!::OpenClipboard(owner)) return bytes;
    if (HANDLE h = ::GetClipboardData(format)) {
        const SIZE_T n = ::GlobalSize(h);
        if (const void* p = ::GlobalLock(h)) {
            bytes.assign(static_cast<const std::uint8_t*>(p),
                         static_cast<const std::uint8_t*>(p) + n);
            ::GlobalUnlock(h);
        }
    }
    ::CloseClipboard();
    return bytes;
}

const ClipFormatRecord* Find(const ClipSlot& slot, UINT format) {
    for (const auto& r : slot)
        if (r.format == format) return &r;
    return nullptr;
}

std::vector<std::uint8_t> Bytes(const ClipFormatRecord& r) {
    return {r.data.data(), r.data.data() + r.data.size()};
}

class ClipSnapshotsTest : public ::testing::Test {
protected:
    UniqueHwnd owner_ = testing::HiddenWindow();
    int read_failures_ = 0;
    ClipSnapshots snapshots_{SystemClipboard(), owner_.get(), [this] { ++read_failures_; }};
};

TEST_F(ClipSnapshotsTest, SnapshotKeepsEveryFormatInOrderByteForByteAndRestoresItTwice) {
    const UINT private_a = ::RegisterClipboardFormatW(L"Nimbara.Test.Private.A");
    const UINT private_b = ::RegisterClipboardFormatW(L"Nimbara.Test.Private.B");
    const std::vector<std::pair<UINT, std::vector<std::uint8_t>>> put = {
        {private_b, Pattern(4096, 3)},
        {CF_RIFF, Pattern(1, 9)},
        {private_a, Pattern(100003, 5)},
        {CF_WAVE, Pattern(77, 1)},
    };
    PutFormats(owner_.get(), put);
    const std::vector<UINT> before = Enumerate(owner_.get());

    const ClipSlot slot = snapshots_.Snapshot();
    ASSERT_EQ(slot.size(), before.size());
    for (std::size_t i = 0; i < slot.size(); ++i) EXPECT_EQ(slot[i].format, before[i]) << i;
    for (const auto& [format, bytes] : put) {
        const ClipFormatRecord* r = Find(slot, format);
        ASSERT_NE(r, nullptr) << format;
        // GlobalSize may round a block up; the bytes written come first.
        ASSERT_GE(r->data.size(), bytes.size());
        EXPECT_EQ(0, std::memcmp(r->data.data(), bytes.data(), bytes.size())) << format;
    }
    EXPECT_EQ(read_failures_, 0);

    for (int round = 0; round < 2; ++round) {
        PutFormats(owner_.get(), {{CF_WAVE, Pattern(5, 0)}});
        EXPECT_GT(snapshots_.Restore(slot), 0);
        EXPECT_EQ(Enumerate(owner_.get()), before) << "round " << round;
        for (const auto& [format, bytes] : put) {
            const std::vector<std::uint8_t> now = ReadBytes(owner_.get(), format);
            EXPECT_EQ(now, Bytes(*Find(slot, format))) << format << " round " << round;
        }
    }
}

TEST_F(ClipSnapshotsTest, LargeFormatOf64MegabytesSurvivesSnapshotAndRestore) {
    const UINT big = ::RegisterClipboardFormatW(L"Nimbara.Test.Big");
    const std::vector<std::uint8_t> bytes = Pattern(64u << 20, 11);
    PutFormats(owner_.get(), {{big, bytes}});
    const ClipSlot slot = snapshots_.Snapshot();
    const ClipFormatRecord* r = Find(slot, big);
    ASSERT_NE(r, nullptr);
    ASSERT_GE(r->data.size(), bytes.size());
    EXPECT_EQ(0, std::memcmp(r->data.data(), bytes.data(), bytes.size()));
    PutFormats(owner_.get(), {{CF_WAVE, Pattern(5, 0)}});
    EXPECT_GT(snapshots_.Restore(slot), 0);
    EXPECT_EQ(ReadBytes(owner_.get(), big), Bytes(*r));
}

// Pixels of a bitmap as 32-bit rows, for comparing pictures.
std::vector<std::uint32_t> Pixels(HBITMAP bitmap, int* w, int* h) {
    BITMAP bm{};
    ::GetObjectW(bitmap, sizeof(bm), &bm);
    *w = bm.bmWidth;
    *h = bm.bmHeight;
    BITMAPINFO bmi{};
    bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), bm.bmWidth, -bm.bmHeight, 1, 32, BI_RGB};
    std::vector<std::uint32_t> px(std::size_t(bm.bmWidth) * bm.bmHeight);
    WindowDc screen(nullptr);
    ::GetDIBits(screen.get(), bitmap, 0, bm.bmHeight, px.data(), &bmi, DIB_RGB_COLORS);
    for (auto& p : px) p &= 0x00FFFFFF;
    return px;
}

TEST_F(ClipSnapshotsTest, PicturesComeBackAsValidObjectsWithTheSamePixels) {
    // A 7 x 5 bitmap with a distinct colour in every pixel.
    std::vector<std::uint32_t> source(35);
    for (int i = 0; i < 35; ++i) source[i] = RGB(i * 7, 255 - i * 5, (i * 37) & 0xFF);
    BITMAPINFO bmi{};
    bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), 7, -5, 1, 32, BI_RGB};
    WindowDc screen(nullptr);
    HBITMAP bitmap = ::CreateDIBitmap(screen.get(), &bmi.bmiHeader, CBM_INIT, source.data(), &bmi,
                                      DIB_RGB_COLORS);
    ASSERT_NE(bitmap, nullptr);
    int w0, h0;
    const std::vector<std::uint32_t> want = Pixels(bitmap, &w0, &h0);

    // An enhanced metafile with one rectangle.
    HDC rec = ::CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
    ::Rectangle(rec, 1, 1, 40, 30);
    HENHMETAFILE emf = ::CloseEnhMetaFile(rec);
    const UINT emf_size = ::GetEnhMetaFileBits(emf, 0, nullptr);

    ASSERT_TRUE(::OpenClipboard(owner_.get()));
    ::EmptyClipboard();
    ASSERT_TRUE(::SetClipboardData(CF_BITMAP, bitmap));
    ASSERT_TRUE(::SetClipboardData(CF_ENHMETAFILE, emf));
    ::CloseClipboard();

    const ClipSlot slot = snapshots_.Snapshot();
    ASSERT_NE(Find(slot, CF_BITMAP), nullptr);
    EXPECT_GT(Find(slot, CF_BITMAP)->data.size(), 0u);
    ASSERT_NE(Find(slot, CF_ENHMETAFILE), nullptr);
    EXPECT_EQ(Find(slot, CF_ENHMETAFILE)->data.size(), emf_size);

    PutFormats(owner_.get(), {{CF_WAVE, Pattern(5, 0)}});
    EXPECT_GT(snapshots_.Restore(slot), 0);
    ASSERT_TRUE(::OpenClipboard(owner_.get()));
    auto restored = static_cast<HBITMAP>(::GetClipboardData(CF_BITMAP));
    auto restored_emf = static_cast<HENHMETAFILE>(::GetClipboardData(CF_ENHMETAFILE));
    ASSERT_NE(restored, nullptr);
    ASSERT_NE(restored_emf, nullptr);
    int w1, h1;
    EXPECT_EQ(Pixels(restored, &w1, &h1), want);
    EXPECT_EQ(w1, w0);
    EXPECT_EQ(h1, h0);
    EXPECT_EQ(::GetEnhMetaFileBits(restored_emf, 0, nullptr), emf_size);
    ::CloseClipboard();
}

TEST_F(ClipSnapshotsTest, MetafilePictureComesBackWithALiveMetafile) {
    HDC rec = ::CreateMetaFileW(nullptr);
    ::Rectangle(rec, 0, 0, 20, 10);
    HMETAFILE mf = ::CloseMetaFile(rec);
    const UINT size = ::GetMetaFileBitsEx(mf, 0, nullptr);
    const METAFILEPICT pict{MM_ANISOTROPIC, 2000, 1000, mf};
    UniqueHGlobal block =
        MakeGlobalBlock({reinterpret_cast<const std::uint8_t*>(&pict), sizeof(pict)});
    ASSERT_TRUE(::OpenClipboard(owner_.get()));
    ::EmptyClipboard();
    ASSERT_TRUE(::SetClipboardData(CF_METAFILEPICT, block.get()));
    (void)block.release();
    ::CloseClipboard();

    const ClipSlot slot = snapshots_.Snapshot();
    // The clipboard's own metafile goes with the next emptying; the slot must not
    // depend on it.
    PutFormats(owner_.get(), {{CF_WAVE, Pattern(5, 0)}});
    EXPECT_GT(snapshots_.Restore(slot), 0);
    ASSERT_TRUE(::OpenClipboard(owner_.get()));
    HANDLE h = ::GetClipboardData(CF_METAFILEPICT);
    ASSERT_NE(h, nullptr);
    const auto* back = static_cast<const METAFILEPICT*>(::GlobalLock(h));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->mm, MM_ANISOTROPIC);
    EXPECT_EQ(back->xExt, 2000);
    EXPECT_EQ(back->yExt, 1000);
    EXPECT_EQ(::GetMetaFileBitsEx(back->hMF, 0, nullptr), size);
    ::GlobalUnlock(h);
    ::CloseClipboard();
}

TEST_F(ClipSnapshotsTest, EmptyClipboardSnapshotHoldsNoRecords) {
    ASSERT_TRUE(::OpenClipboard(owner_.get()));
    ::EmptyClipboard();
    ::CloseClipboard();
    EXPECT_LE(snapshots_.CountFormats(), 0);
    EXPECT_TRUE(snapshots_.Snapshot().empty());
}

using FailingClipboard = testing::FakeClipboard;

TEST_F(ClipSnapshotsTest, ClipboardThatCannotBeOpenedFailsWithTheErrorAndChangesNothing) {
    PutFormats(owner_.get(), {{CF_WAVE, Pattern(9, 4)}});
    FailingClipboard failing;
    ClipSnapshots store(failing, owner_.get(), [] {});
    const ClipSlot slot = store.Snapshot();
    failing.fail_open = true;
    try {
        (void)store.Snapshot();
        FAIL() << "no error";
    } catch (const AppError& e) {
        EXPECT_EQ(e.message(), L"Cannot open clipboard");
    }
    try {
        (void)store.Restore(slot);
        FAIL() << "no error";
    } catch (const AppError& e) {
        EXPECT_EQ(e.message(), L"Cannot open clipboard");
    }
    EXPECT_EQ(failing.sets, 0);
    EXPECT_EQ(ReadBytes(owner_.get(), CF_WAVE), Pattern(9, 4));
}

TEST_F(ClipSnapshotsTest, FormatThatCannotBeReadIsKeptWithNoDataAndReportedOnce) {
    const UINT good = ::RegisterClipboardFormatW(L"Nimbara.Test.Good");
    PutFormats(owner_.get(), {{CF_RIFF, Pattern(10, 1)}, {good, Pattern(20, 2)}});
    FailingClipboard failing;
    failing.offer_unreadable_bitmap = true;
    int reports = 0;
    ClipSnapshots store(failing, owner_.get(), [&] { ++reports; });
    const ClipSlot slot = store.Snapshot();
    ASSERT_NE(Find(slot, CF_DSPBITMAP), nullptr);
    EXPECT_EQ(Find(slot, CF_DSPBITMAP)->data.size(), 0u);
    ASSERT_NE(Find(slot, CF_RIFF), nullptr);
    EXPECT_GE(Find(slot, CF_RIFF)->data.size(), 10u);
    ASSERT_NE(Find(slot, good), nullptr);
    EXPECT_GE(Find(slot, good)->data.size(), 20u);
    EXPECT_EQ(reports, 1);
}

TEST_F(ClipSnapshotsTest, ABitmapTooLargeToCountIn32BitsIsReportedOnceAndLeavesNothingToRestore) {
    // 32768 x 32768 at one bit a pixel is 128 MB, at the 32 bits a slot keeps it 4 GB: one more
    // than a 32-bit size counts.
    struct HugeBitmapClipboard : testing::FakeClipboard {
        UniqueHBitmap huge{::CreateBitmap(32768, 32768, 1, 1, nullptr)};
        HANDLE GetData(UINT f) override {
            return f == CF_DSPBITMAP ? huge.get() : FakeClipboard::GetData(f);
        }
    } clipboard;
    ASSERT_TRUE(clipboard.huge);
    clipboard.offer_unreadable_bitmap = true;
    PutFormats(owner_.get(), {});
    int reports = 0;
    ClipSnapshots store(clipboard, owner_.get(), [&] { ++reports; });
    const ClipSlot slot = store.Snapshot();
    ASSERT_EQ(slot.size(), 1u);
    EXPECT_EQ(slot[0].format, CF_DSPBITMAP);
    EXPECT_EQ(slot[0].data.size(), 0u);
    EXPECT_FALSE(HasRestorable(slot));
    EXPECT_EQ(reports, 1);
}

TEST_F(ClipSnapshotsTest, FormatTheProcessHasNoMemoryForIsKeptWithNoDataAndReportedAfterClosing) {
    const UINT big = ::RegisterClipboardFormatW(L"Nimbara.Test.Big");
    PutFormats(owner_.get(),
               {{CF_RIFF, Pattern(10, 1)}, {big, Pattern(30, 3)}, {CF_WAVE, Pattern(5, 5)}});
    FailingClipboard failing;
    failing.format_without_memory = big;
    std::vector<bool> open_when_told;
    ClipSnapshots store(failing, owner_.get(),
                        [&] { open_when_told.push_back(::GetOpenClipboardWindow() != nullptr); });
    const ClipSlot slot = store.Snapshot();
    ASSERT_EQ(slot.size(), 3u);
    EXPECT_EQ(slot[1].format, big);
    EXPECT_EQ(slot[1].data.size(), 0u);
    EXPECT_EQ(slot[2].format, CF_WAVE);
    EXPECT_GE(slot[2].data.size(), 5u);
    EXPECT_EQ(open_when_told, std::vector<bool>{false});
    // Kept as its number only: a restore puts no empty block in its place.
    EXPECT_EQ(slot[1].encoding, ClipEncoding::kUnrestorable);
    ASSERT_EQ(snapshots_.Restore(slot), 2);
    EXPECT_EQ(Enumerate(owner_.get()), (std::vector<UINT>{CF_RIFF, CF_WAVE}));
}

TEST_F(ClipSnapshotsTest, ContentMarkedPrivateIsNeitherKeptNorReadNorReported) {
    const UINT exclude =
        ::RegisterClipboardFormatW(L"ExcludeClipboardContentFromMonitorProcessing");
    const UINT ignore = ::RegisterClipboardFormatW(L"Clipboard Viewer Ignore");
    const UINT flag = ::RegisterClipboardFormatW(L"CanIncludeInClipboardHistory");
    using Bytes = std::vector<std::uint8_t>;
    const struct {
        const char* what;
        std::vector<std::pair<UINT, Bytes>> put;
        bool kept;
    } cases[] = {
        {"exclusion marker after the text", {{CF_WAVE, Pattern(9, 1)}, {exclude, {0}}}, false},
        {"viewer-ignore marker before it", {{ignore, {1}}, {CF_WAVE, Pattern(9, 1)}}, false},
        {"history flag 0", {{CF_WAVE, Pattern(9, 1)}, {flag, {0, 0, 0, 0}}}, false},
        {"history flag 1", {{CF_WAVE, Pattern(9, 1)}, {flag, {1, 0, 0, 0}}}, true},
        {"history flag of two bytes", {{CF_WAVE, Pattern(9, 1)}, {flag, {0, 0}}}, true},
    };
    for (const auto& c : cases) {
        PutFormats(owner_.get(), c.put);
        testing::FakeClipboard watched;
        int reports = 0;
        ClipSnapshots store(watched, owner_.get(), [&] { ++reports; });
        const ClipSlot slot = store.Snapshot();
        EXPECT_EQ(slot.size(), c.kept ? c.put.size() : 0u) << c.what;
        if (!c.kept) {
            // Only the flag itself may be read before the content is known to be private.
            for (const UINT read : watched.reads) EXPECT_EQ(read, flag) << c.what;
            EXPECT_EQ(store.last_sequence(), store.CurrentSequence()) << c.what;
        }
        EXPECT_EQ(reports, 0) << c.what;
        EXPECT_EQ(ReadBytes(owner_.get(), CF_WAVE), Pattern(9, 1)) << c.what;
    }
}

TEST_F(ClipSnapshotsTest, ADibChangedForALiarDuringARenderGivesNoPictureMadeFromTheLie) {
    // A sound 2 x 2 DIB, and the lie the owner puts in its place while it renders a file list
    // (read among the pictures, as a user pastes it).
    std::vector<std::uint8_t> sound(40 + 16), lying(40 + 16);
    for (auto* dib : {&sound, &lying}) {
        const BITMAPINFOHEADER header{40, dib == &sound ? 2 : 256, dib == &sound ? 2 : 256, 1, 32};
        std::memcpy(dib->data(), &header, sizeof(header));
    }
    PutFormats(owner_.get(), {{CF_DIB, sound}, {CF_HDROP, Pattern(8, 1)}});
    testing::FakeClipboard clipboard;
    clipboard.on_render = [&](UINT format) {
        if (format != CF_HDROP) return;
        UniqueHGlobal block = MakeGlobalBlock(lying);
        if (::SetClipboardData(CF_DIB, block.get())) (void)block.release();
    };
    ClipSnapshots store(clipboard, owner_.get(), [] {});
    const ClipSlot slot = store.Snapshot();
    EXPECT_EQ(Bytes(*Find(slot, CF_DIB)), sound);
    // The bitmap is made from the checked copy; the DIBV5 the system would make from the lie
    // is not asked for.
    ASSERT_NE(Find(slot, CF_BITMAP), nullptr);
    EXPECT_GT(Find(slot, CF_BITMAP)->data.size(), 0u);
    ASSERT_NE(Find(slot, CF_DIBV5), nullptr);
    EXPECT_EQ(Find(slot, CF_DIBV5)->encoding, ClipEncoding::kUnrestorable);
    for (const UINT made : {CF_BITMAP, CF_DIBV5})
        EXPECT_EQ(std::count(clipboard.reads.begin(), clipboard.reads.end(), made), 0) << made;
}

TEST(SlotRingTest, NextSlotRunsRoundTheRingAndReleaseEmptiesASlot) {
    SlotRing ring;
    EXPECT_EQ(ring.NextSlot(), 1);
    for (int i = 0; i < 12; ++i) ring.AdvanceNextSlot();
    EXPECT_EQ(ring.NextSlot(), 1);
    ring.AdvanceNextSlot();
    EXPECT_EQ(ring.NextSlot(), 2);
    ring.Store(12, ClipSlot{});
    EXPECT_TRUE(ring.IsFilled(12));  // a snapshot with no records is still a snapshot
    ring.Release(12);
    EXPECT_FALSE(ring.IsFilled(12));
    EXPECT_EQ(ring.Get(12), nullptr);
    ring.Release(12);  // releasing an empty slot does nothing
    ring.ResetNextSlot();
    EXPECT_EQ(ring.NextSlot(), 1);
}

}  // namespace
}  // namespace nimbara
