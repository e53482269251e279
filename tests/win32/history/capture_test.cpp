// The capture and the paste-back against the real clipboard, where other programs
// interfere: notices that bring no change, a clipboard emptied or held under a capture,
// messages handled while a restore waits, and a target window slow to take the keys.
// The tiles are a record of what they were told; input, time and the window's timers are
// the test's.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "fake_clipboard.h"
#include "fake_input.h"
#include "fake_notices.h"
#include "fake_timers.h"
#include "hidden_window.h"
#include "history/capture_rules.h"
#include "history/clip_watcher.h"
#include "history/paste_back.h"
#include "platform/clip_objects.h"
#include "platform/handles.h"
#include "platform/viewer_chain.h"

namespace nimbara {
namespace {

using testing::HiddenWindow;

using Told = std::vector<std::wstring>;

struct FakeView final : HistoryView {
    Told told;
    void ResetForCapture() override { told.push_back(L"reset"); }
    void MarkNewest(int slot) override { told.push_back(L"newest " + std::to_wstring(slot)); }
    void SetPreviewText(int slot, const std::wstring& text) override {
        told.push_back(std::to_wstring(slot) + L": " + text);
    }
    void SetPicture(int slot, TilePicture) override {
        told.push_back(std::to_wstring(slot) + L": picture");
    }
    void MarkPasted(int slot) override { told.push_back(L"pasted " + std::to_wstring(slot)); }
};

void PutText(HWND owner, const std::string& text) {
    ASSERT_TRUE(::OpenClipboard(owner));
    ::EmptyClipboard();
    UniqueHGlobal block =
        MakeGlobalBlock({reinterpret_cast<const std::uint8_t*>(text.c_str()), text.size() + 1});
    if (::SetClipboardData(CF_TEXT, block.get())) (void)block.release();
    ::CloseClipboard();
}

std::string ClipboardText(HWND owner) {
    std::string text;
    if (!::OpenClipboard(owner)) return text;
    if (HANDLE h = ::GetClipboardData(CF_TEXT)) {
        if (const char* p = static_cast<const char*>(::GlobalLock(h))) {
            text = p;
            ::GlobalUnlock(h);
        }
    }
    ::CloseClipboard();
    return text;
}

// The reader process as the capture sees it: each snapshot taken in this process, handed
// over at once or held back until the test delivers it (or the budget gives it up).
struct FakeReader final : SnapshotSource {
    ClipSnapshots* snapshots = nullptr;
    ClipWatcher* watcher = nullptr;
    bool hold = false;
    bool start = true;  // a reader can be started
    int begun = 0, abandoned = 0, unreadable = 0;
    std::uint64_t bytes = 0;
    SnapshotResult arrived;            // what Abandon returns
    std::optional<SnapshotNews> news;  // rung for, not yet taken

    bool Begin() override {
        ++begun;
        if (!start) return false;
        if (!hold) Deliver();
        return true;
    }
    std::optional<SnapshotNews> Take() override { return std::exchange(news, std::nullopt); }
    std::uint64_t BytesArrived() override { return bytes; }
    SnapshotResult Abandon() noexcept override {
        ++abandoned;
        return std::exchange(arrived, {});
    }
    void Ring(SnapshotNews n) {
        news = std::move(n);
        watcher->SnapshotsWaiting();
    }
    void Deliver() {
        SnapshotNews n;
        unreadable = 0;
        try {
            n.result.slot = snapshots->Snapshot();
            n.result.sequence = snapshots->last_sequence();
            n.result.whole = true;
        } catch (const ClipboardBusyError&) {
            n.kind = SnapshotNews::Kind::kClipboardBusy;
        }
        n.result.unreadable = unreadable;
        Ring(std::move(n));
    }
};

class CaptureTest : public ::testing::Test {
protected:
    CaptureTest() {
        reader_.snapshots = &reader_snapshots_;
        reader_.watcher = &watcher_;
        watcher_.report_read_failure = [this] { ++reports_; };
        watcher_.on_capture_over = [this] { paste_.CaptureOver(); };
        timers_.on_tick = [this](UINT_PTR id) {
            (void)RouteHistoryMessage(watcher_, paste_, WM_TIMER, id);
        };
    }

    UniqueHwnd main_ = HiddenWindow();
    testing::FakeClipboard clipboard_;
    ClipSnapshots snapshots_{clipboard_, main_.get(), [] {}};
    FakeReader reader_;
    ClipSnapshots reader_snapshots_{clipboard_, main_.get(), [this] { ++reader_.unreadable; }};
    SlotRing ring_;
    FakeView view_;
    testing::FakeClock clock_;
    testing::FakeTimers timers_{clock_};
    testing::FakeNotices notices_;
    ClipWatcher watcher_{main_.get(), snapshots_, ring_, view_, reader_, timers_, clock_, notices_};
    int reports_ = 0;
    testing::FakeInput input_;
    PasteBack paste_{main_.get(), snapshots_, ring_, view_, watcher_, timers_, input_, clock_};
};

TEST_F(CaptureTest, OnlyARealChangeIsCapturedTheSameTextCopiedAgainIncluded) {
    PutText(main_.get(), "copied");
    watcher_.OnCaptureTimer();
    ASSERT_EQ(ring_.NextSlot(), 2);
    // The program's own write, then a notice without a change.
    ASSERT_GT(snapshots_.Restore(*ring_.Get(1)), 0);
    watcher_.OnCaptureTimer();
    watcher_.OnCaptureTimer();
    EXPECT_EQ(ring_.NextSlot(), 2);
    PutText(main_.get(), "copied");
    watcher_.OnCaptureTimer();
    EXPECT_EQ(ring_.NextSlot(), 3);
}

TEST_F(CaptureTest, AClipboardEmptiedAfterItsCountFillsNoSlot) {
    PutText(main_.get(), "");
    ASSERT_TRUE(::OpenClipboard(main_.get()));
    ::EmptyClipboard();
    ::CloseClipboard();
    clipboard_.count_override = 1;
    watcher_.OnCaptureTimer();
    EXPECT_EQ(ring_.NextSlot(), 1);
    EXPECT_FALSE(ring_.IsFilled(1));
}

TEST_F(CaptureTest, WhatArrivesDuringARestoreNeitherFreesItsSlotNorCutsIntoIt) {
    auto capture = [this](const char* text) {
        PutText(main_.get(), text);
        watcher_.OnCaptureTimer();
    };
    // Handled while the clipboard is being emptied: a Clear all frees every slot.
    capture("first");
    clipboard_.on_empty = [this] {
        for (int slot = 1; slot <= SlotCount; ++slot) ring_.Release(slot);
        ring_.ResetNextSlot();
    };
    paste_.PasteSlot(1);
    EXPECT_EQ(ClipboardText(main_.get()), "first");
    EXPECT_FALSE(ring_.IsFilled(1));

    // A second paste comes after the first has written everything, not into it.
    capture("first again");
    capture("second");
    clipboard_.on_empty = [this] { paste_.PasteSlot(2); };
    paste_.PasteSlot(1);
    EXPECT_EQ(ClipboardText(main_.get()), "second");

    // One that a Clear all emptied while it waited is dropped: no keys, no paste mark.
    clipboard_.on_empty = [this] {
        paste_.PasteSlot(2);
        ring_.Release(2);
    };
    view_.told.clear();
    input_.keys.clear();
    paste_.PasteSlot(1);
    EXPECT_EQ(ClipboardText(main_.get()), "first again");
    EXPECT_EQ(view_.told, Told{L"pasted 1"});
    EXPECT_EQ(input_.keys.size(), 4u);  // one Ctrl+V
}

TEST_F(CaptureTest, AFailedRestoreClearsPasteGuardOnlyWhenNoEarlierPasteIsGuarded) {
    PutText(main_.get(), "pasted");
    watcher_.OnCaptureTimer();
    for (const bool earlier_paste : {false, true}) {
        paste_.OnGuardTimer();
        clipboard_.fail_open = false;
        if (earlier_paste) paste_.PasteSlot(1);
        clipboard_.fail_open = true;
        EXPECT_THROW(paste_.PasteSlot(1), ClipboardBusyError);
        EXPECT_EQ(watcher_.paste_guard(), earlier_paste) << earlier_paste;
    }
}

TEST_F(CaptureTest, EachCaptureIsShownAsTheNewestAndTheThirteenthFillsSlotOneAgain) {
    for (int i = 1; i <= SlotCount + 1; ++i) {
        view_.told.clear();
        PutText(main_.get(), "clip " + std::to_string(i));
        watcher_.OnCaptureTimer();
        const std::wstring slot = std::to_wstring((i - 1) % SlotCount + 1);
        EXPECT_EQ(view_.told,
                  (Told{L"reset", L"newest " + slot, slot + L": clip " + std::to_wstring(i)}));
    }
    EXPECT_EQ(ring_.NextSlot(), 2);
}

TEST_F(CaptureTest, TheListenerAndSessionNoticesAreHeldFromTheJoinToTheTeardownOrRefused) {
    for (const bool listener : {true, false}) {
        notices_.refused = listener ? std::set<Notice>{} : std::set{Notice::kClipboardUpdate};
        watcher_.JoinChain();  // a refusal leaves the chain alone, as before
        EXPECT_EQ(notices_.held.size(), listener ? 2u : 1u);
        EXPECT_EQ(notices_.held.count({Notice::kSessionChange, main_.get()}), 1u);
        watcher_.LeaveChain();
        EXPECT_TRUE(notices_.held.empty()) << listener;
    }
}

TEST_F(CaptureTest, AChangeNoNoticeToldOfIsCapturedOnceWhenShownUnlockedOrResumed) {
    const struct {
        std::function<void()> look;
        bool captured;
    } rows[] = {{[this] { watcher_.LookForMissedChange(); }, true},  // the grid shown
                {[this] { watcher_.SessionChanged(WTS_SESSION_UNLOCK); }, true},
                {[this] { watcher_.SessionChanged(WTS_SESSION_LOCK); }, false},
                {[this] { watcher_.PowerChanged(PBT_APMRESUMEAUTOMATIC); }, true},
                {[this] { watcher_.PowerChanged(PBT_APMSUSPEND); }, false}};
    watcher_.JoinChain();
    for (const auto& r : rows) {
        const int next = ring_.NextSlot();
        PutText(main_.get(), "told to no one");
        r.look();
        timers_.Advance(100);
        // Looked at again with nothing new: no capture, not even a timer started.
        const std::size_t started = timers_.started.size();
        if (r.captured) r.look();
        EXPECT_EQ(timers_.started.size(), started) << &r - rows;
        EXPECT_EQ(ring_.NextSlot(), r.captured ? next + 1 : next) << &r - rows;
    }
    // A change told of under PasteGuard stays uncaptured, then and at later looks.
    paste_.PasteSlot(1);
    PutText(main_.get(), "under the guard");
    watcher_.ClipboardUpdated();
    timers_.Advance(kGuardDelayMs);
    rows[0].look();
    timers_.Advance(100);
    EXPECT_EQ(ring_.NextSlot(), 4);
}

// The timing tests below count milliseconds of the test's clock, as the timers let them pass.

TEST_F(CaptureTest, AChangeIsCaptured10MsAfterTheFirstNoticeOfItsBurstAndTheBurstOnce) {
    const struct {
        std::vector<std::uint32_t> notices;  // each with a change of its own
        Told captures;                       // when, and which change
    } rows[] = {{{0}, {L"10: change 0"}},
                {{0, 4, 9}, {L"10: change 9"}},
                {{0, 9, 11, 20}, {L"10: change 9", L"21: change 20"}}};
    watcher_.JoinChain();
    Told captures;
    std::uint32_t start = 0;
    watcher_.on_capture_over = [&] {
        const std::wstring& shown = view_.told.back();
        captures.push_back(std::to_wstring(clock_.now - start) + shown.substr(shown.find(L':')));
    };
    for (const auto& r : rows) {
        captures.clear();
        start = clock_.now;
        for (const std::uint32_t at : r.notices) {
            timers_.Advance(start + at - clock_.now);
            PutText(main_.get(), "change " + std::to_string(at));
            watcher_.ClipboardChanged(0, 0);
        }
        timers_.Advance(100);
        EXPECT_EQ(captures, r.captures) << &r - rows;
    }
}

TEST_F(CaptureTest, AClipboardHeldOpenIsTriedAgainForAboutASecondThenReported) {
    watcher_.JoinChain();
    PutText(main_.get(), "held");
    clipboard_.fail_open = true;
    watcher_.ClipboardChanged(0, 0);
    // Tried 10 ms after the notice, then after each wait: the error comes 1070 ms after it.
    EXPECT_NO_THROW(timers_.Advance(1069));
    EXPECT_THROW(timers_.Advance(1), ClipboardBusyError);
    EXPECT_EQ(timers_.WaitsOf(kCaptureTimerId),
              (std::vector<UINT>{10, 10, 20, 40, 80, 160, 250, 250, 250}));
    EXPECT_FALSE(timers_.armed(kCaptureTimerId));
    // The next change is given its own second, and read once the clipboard is free.
    watcher_.ClipboardChanged(0, 0);
    EXPECT_NO_THROW(timers_.Advance(10));
    EXPECT_EQ(view_.told, Told{});
    clipboard_.fail_open = false;
    timers_.Advance(10);
    EXPECT_EQ(view_.told, (Told{L"reset", L"newest 1", L"1: held"}));
}

TEST_F(CaptureTest, PasteGuardKeepsChangesOutForASecondAfterTheFirstPasteOfIt) {
    const struct {
        std::uint32_t second_paste;  // after the first; 0 for none
        std::uint32_t change;        // after the first paste
        bool captured;
    } rows[] = {{0, 999, false}, {0, 1000, true}, {600, 999, false}, {600, 1000, true}};
    watcher_.JoinChain();
    PutText(main_.get(), "pasted");
    watcher_.ClipboardChanged(0, 0);
    timers_.Advance(kCaptureDelayMs);
    ASSERT_TRUE(ring_.IsFilled(1));
    for (const auto& r : rows) {
        const int next = ring_.NextSlot();
        const std::uint32_t pasted = clock_.now;
        paste_.PasteSlot(1);
        if (r.second_paste) {
            timers_.Advance(r.second_paste);
            paste_.PasteSlot(1);
        }
        timers_.Advance(pasted + r.change - clock_.now);
        PutText(main_.get(), "changed");
        watcher_.ClipboardChanged(0, 0);
        timers_.Advance(2000);
        EXPECT_EQ(ring_.NextSlot() != next, r.captured) << &r - rows;
    }
}

TEST_F(CaptureTest, PasteBackTypesCtrlVOnceTheTargetIsActiveOrAfterAtMostItsWait) {
    const std::vector<std::pair<BYTE, DWORD>> ctrl_v{
        {VK_CONTROL, 0}, {'V', 0}, {'V', KEYEVENTF_KEYUP}, {VK_CONTROL, KEYEVENTF_KEYUP}};
    const HWND notepad = reinterpret_cast<HWND>(0x1010);
    const struct {
        bool granted;
        int polls_until_taken;
        std::uint32_t start;
        std::uint32_t waited;
    } cases[] = {{false, 9, 0, 0},
                 {true, 3, 0, 15},
                 {true, 999, 0, kActivationWaitMs},
                 {true, 999, 0xFFFFFF00u, kActivationWaitMs}};  // the tick count wraps meanwhile
    PutText(main_.get(), "pasted");
    watcher_.OnCaptureTimer();
    input_.foreground = input_.paste_target = notepad;
    input_.clock = &clock_;
    paste_.ShowingFromOutside();
    for (const auto& c : cases) {
        input_.grant_foreground = c.granted;
        input_.polls_until_taken = c.polls_until_taken;
        clock_.now = c.start;
        input_.keys.clear();
        view_.told.clear();
        paste_.PasteSlot(1);
        EXPECT_EQ(clock_.now - c.start, c.waited) << c.polls_until_taken;
        EXPECT_EQ(input_.requested.back(), notepad);
        EXPECT_EQ(input_.keys, ctrl_v);
        EXPECT_EQ(view_.told, Told{L"pasted 1"});
        EXPECT_TRUE(watcher_.paste_guard());
        EXPECT_EQ(ClipboardText(main_.get()), "pasted");
        paste_.OnGuardTimer();
    }
}

TEST_F(CaptureTest, ASlotWithNothingRestorableLeavesTheClipboardTypesNothingAndMarksNothing) {
    const struct {
        const char* name;
        ClipEncoding encoding;
        Told told;
        std::size_t keys;
        const char* clipboard;
    } cases[] = {{"written back", ClipEncoding::kGlobal, {L"pasted 1"}, 4, "x"},
                 {"nothing restorable", ClipEncoding::kUnrestorable, {}, 0, "the user's"},
                 {"bytes no bitmap can be made of", ClipEncoding::kBitmap, {}, 0, "the user's"}};
    for (const auto& c : cases) {
        static constexpr std::uint8_t kText[] = {'x', 0};
        ClipSlot slot(1);
        slot[0] = {CF_TEXT, c.encoding, ByteBuffer::CopyOf(kText)};
        ring_.Store(1, std::move(slot));
        PutText(main_.get(), "the user's");
        view_.told.clear();
        input_.keys.clear();
        paste_.PasteSlot(1);
        EXPECT_EQ(view_.told, c.told) << c.name;
        EXPECT_EQ(input_.keys.size(), c.keys) << c.name;
        EXPECT_EQ(ClipboardText(main_.get()), c.clipboard) << c.name;
        paste_.OnGuardTimer();
    }
}

// Answers of other programs' windows to WM_NULL, as the main window takes them.
void TakeOwnerAnswers(ClipWatcher& watcher, PasteBack& paste) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == kMsgOwnerAnswered)
            (void)RouteHistoryMessage(watcher, paste, msg.message, msg.wParam);
    }
}

// What had arrived of a snapshot cut short: the text c, read first, and another format's number.
SnapshotResult Arrived(DWORD sequence, std::uint16_t other, std::uint8_t c) {
    SnapshotResult arrived{sequence, 0, NumbersOnly({CF_TEXT, other})};
    const std::uint8_t text[] = {c, 0};
    EXPECT_TRUE(
        TakeRecord(arrived.slot, 0, {CF_TEXT, ClipEncoding::kGlobal, ByteBuffer::CopyOf(text)}));
    return arrived;
}

TEST_F(CaptureTest, ASnapshotIsCutShortWhenItsBudgetIsSpentAndItsOwnerAskedAgainOnlyOnceItAnswers) {
    const UniqueHwnd owner = HiddenWindow();
    reader_.hold = true;
    // The budget in milliseconds of the clock, the tick count's wrap included: the bytes that
    // have arrived extend it. A tick that comes early, or a doorbell from outside
    // (kMsgSnapshotRead, kMsgOwnerAnswered), neither ends nor stretches it.
    const struct {
        std::uint32_t start;
        std::uint64_t arrived_mb;
    } rows[] = {{0, 0}, {0xFFFFFF00u, 0}, {0, 80}};
    for (const auto& r : rows) {
        PutText(owner.get(), "hung " + std::to_string(&r - rows));
        testing::FakeClock clock;
        clock.now = r.start;
        testing::FakeTimers timers{clock};
        ClipWatcher watcher{main_.get(), snapshots_, ring_, view_, reader_, timers, clock};
        timers.on_tick = [&watcher](UINT_PTR) { watcher.OnBudgetTimer(); };
        int reports = 0;
        watcher.report_read_failure = [&reports] { ++reports; };
        reader_.abandoned = reader_.begun = 0;
        reader_.bytes = r.arrived_mb << 20;
        watcher.OnCaptureTimer();
        const std::uint32_t end = kSnapshotBudgetMs + CopyAllowanceMs(r.arrived_mb);
        timers.Advance(kSnapshotBudgetMs / 2);
        watcher.OnBudgetTimer();
        watcher.SnapshotsWaiting();
        watcher.OwnerAnswered();
        timers.Advance(end - 1 - kSnapshotBudgetMs / 2);
        EXPECT_TRUE(watcher.capturing() && reader_.abandoned == 0) << &r - rows;
        timers.Advance(1);
        EXPECT_EQ((std::vector{reader_.begun, reader_.abandoned, reports}), (std::vector{1, 1, 1}))
            << &r - rows;
        EXPECT_FALSE(watcher.capturing()) << &r - rows;
        TakeOwnerAnswers(watcher, paste_);
    }
    reader_.bytes = 0;
    // Without its budget timer no snapshot begins: nothing would end a hung owner's hold.
    PutText(owner.get(), "hung");
    reader_.begun = 0;
    timers_.refuse = true;
    EXPECT_THROW(watcher_.OnCaptureTimer(), AppError);
    EXPECT_FALSE(watcher_.capturing());
    EXPECT_EQ(reader_.begun, 0);
    timers_.refuse = false;
    // What had arrived is kept and pasteable, the rest as format numbers; the content it
    // was reading is seen, and reported once.
    PutText(owner.get(), "read in time");
    const DWORD read = snapshots_.CurrentSequence();
    watcher_.OnCaptureTimer();
    reader_.arrived = Arrived(read, CF_OEMTEXT, 'r');
    PutText(main_.get(), "copied meanwhile");
    timers_.Advance(kSnapshotBudgetMs);
    ASSERT_TRUE(ring_.IsFilled(1));
    EXPECT_EQ(ring_.Get(1)->at(1).encoding, ClipEncoding::kUnrestorable);
    EXPECT_EQ(view_.told, (Told{L"reset", L"newest 1", L"1: r"}));
    EXPECT_EQ(snapshots_.last_sequence(), read);
    EXPECT_EQ(reports_, 1);
    // Its owner's next content is not asked for until it answers, however many notices come.
    PutText(owner.get(), "hung");
    watcher_.OnCaptureTimer();
    watcher_.OnCaptureTimer();
    EXPECT_EQ(reader_.begun, 1);
    // It has answered WM_NULL: asked again, and hanging again on the same content it is
    // reported no more and asked no more.
    TakeOwnerAnswers(watcher_, paste_);
    watcher_.OnCaptureTimer();
    EXPECT_EQ(reader_.begun, 2);
    timers_.Advance(kSnapshotBudgetMs);
    TakeOwnerAnswers(watcher_, paste_);
    watcher_.OnCaptureTimer();
    EXPECT_EQ(reader_.begun, 2);
    EXPECT_EQ(reports_, 1);
    // Its next content is read, and this time it renders.
    PutText(owner.get(), "rendered");
    watcher_.OnCaptureTimer();
    TakeOwnerAnswers(watcher_, paste_);
    watcher_.OnCaptureTimer();
    ASSERT_EQ(reader_.begun, 3);
    view_.told.clear();
    reader_.Deliver();
    EXPECT_EQ(view_.told, (Told{L"reset", L"newest 2", L"2: rendered"}));
}

TEST_F(CaptureTest, AnEndedReaderIsReplacedToReadTheSameContentAndACrashGivesItUpOnce) {
    using enum ReaderEnd;
    const struct {
        std::vector<ReaderEnd> ends;  // ended from outside as often as it may, once more; crashed
        int begun;
        bool given_up;
    } cases[] = {{{kEnded}, 2, false},
                 {{kEnded, kEnded}, 3, false},
                 {{kEnded, kEnded, kEnded}, 3, true},
                 {{kCrashed}, 1, true}};
    reader_.hold = true;
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        ring_.ClearAll();
        view_.told.clear();
        reports_ = reader_.begun = 0;
        PutText(main_.get(), "being read");
        const DWORD read = snapshots_.CurrentSequence();
        watcher_.OnCaptureTimer();
        for (const ReaderEnd& end : c.ends) {
            // The user's next copy came in between: it is not the one recorded as seen.
            if (&end == &c.ends.back()) PutText(main_.get(), "next copy");
            reader_.Ring({SnapshotNews::Kind::kReaderEnded, end, Arrived(read, CF_LOCALE, 'p')});
        }
        EXPECT_EQ(reader_.begun, c.begun);
        EXPECT_EQ(watcher_.capturing(), !c.given_up);
        EXPECT_EQ(reports_, c.given_up ? 1 : 0);
        EXPECT_EQ(snapshots_.last_sequence() == read, c.given_up);
        EXPECT_EQ(ring_.IsFilled(1), c.given_up) << "what had arrived is kept";
        if (!c.given_up) {
            reader_.Deliver();  // the fresh reader reads the next copy
            EXPECT_EQ(view_.told, (Told{L"reset", L"newest 1", L"1: next copy"}));
        }
        // The next copy is captured in its turn.
        watcher_.OnCaptureTimer();
        reader_.Deliver();
        EXPECT_FALSE(watcher_.capturing());
    }
}

TEST_F(CaptureTest, WithoutAnyReaderTheSnapshotIsTakenHereAndTheUserToldOnce) {
    int told = 0;
    watcher_.report_no_reader = [&told] { ++told; };
    // First none can be started; then each one started ends at its start.
    reader_.start = false;
    PutText(main_.get(), "first");
    watcher_.OnCaptureTimer();
    EXPECT_FALSE(watcher_.capturing());
    reader_.start = reader_.hold = true;
    PutText(main_.get(), "second");
    watcher_.OnCaptureTimer();
    for (int end = 0; end <= kReadsAfterReaderEnds; ++end)
        reader_.Ring({SnapshotNews::Kind::kReaderEnded, ReaderEnd::kEnded, {}, false});
    EXPECT_FALSE(watcher_.capturing());
    EXPECT_EQ(reports_, 0);
    EXPECT_EQ(view_.told,
              (Told{L"reset", L"newest 1", L"1: first", L"reset", L"newest 2", L"2: second"}));
    EXPECT_EQ(told, 1);
}

TEST_F(CaptureTest, TheReportComesOnceTheSlotIsStoredAndChangesDuringItAreCapturedAsUsual) {
    watcher_.report_read_failure = [this] {
        ++reports_;
        EXPECT_TRUE(ring_.IsFilled(1));
        clipboard_.format_without_memory = 0;
        PutText(main_.get(), "under the box");
        watcher_.OnCaptureTimer();
    };
    PutText(main_.get(), "kept");
    clipboard_.format_without_memory = CF_OEMTEXT;
    watcher_.OnCaptureTimer();
    EXPECT_EQ(reports_, 1);
    EXPECT_EQ(view_.told, (Told{L"reset", L"newest 1", L"1: kept", L"reset", L"newest 2",
                                L"2: under the box"}));
}

TEST_F(CaptureTest, NothingRestorableTakesNoSlotAndAClickDuringACapturePastesOnceItIsOver) {
    clipboard_.count_override = 1;
    clipboard_.offer_unreadable_bitmap = true;
    PutText(main_.get(), "");
    ASSERT_TRUE(::OpenClipboard(main_.get()));
    ::EmptyClipboard();
    ::CloseClipboard();
    watcher_.OnCaptureTimer();
    EXPECT_EQ(reports_, 1);
    EXPECT_FALSE(ring_.IsFilled(1));
    EXPECT_EQ(snapshots_.last_sequence(), snapshots_.CurrentSequence());
    clipboard_ = {};

    PutText(main_.get(), "first");
    watcher_.OnCaptureTimer();
    reader_.hold = true;
    PutText(main_.get(), "second");
    watcher_.OnCaptureTimer();
    view_.told.clear();
    paste_.PasteSlot(1);
    EXPECT_EQ(ClipboardText(main_.get()), "second");
    EXPECT_TRUE(input_.keys.empty());
    reader_.Deliver();
    EXPECT_EQ(view_.told, (Told{L"reset", L"newest 2", L"2: second", L"pasted 1"}));
    EXPECT_EQ(ClipboardText(main_.get()), "first");
    EXPECT_EQ(input_.keys.size(), 4u);
}

TEST_F(CaptureTest, AWindowThatCannotTakeTheKeysGetsNoneAndTheUserIsToldTheSlotIsOnTheClipboard) {
    const HWND notepad = reinterpret_cast<HWND>(0x1010);
    using W = WindowFacts;
    const struct {
        bool W::*fact;
        bool value;
        Integrity integrity;
    } cases[] = {
        {nullptr, true, Integrity::kNotAbove},      {&W::minimised, true, Integrity::kNotAbove},
        {&W::visible, false, Integrity::kNotAbove}, {&W::exists, false, Integrity::kNotAbove},
        {nullptr, true, Integrity::kAbove},         {nullptr, true, Integrity::kUnknown}};
    int told = 0;
    paste_.on_left_on_clipboard = [&told] { ++told; };
    PutText(main_.get(), "pasted");
    watcher_.OnCaptureTimer();
    input_.foreground = input_.paste_target = notepad;
    paste_.ShowingFromOutside();
    for (const auto& c : cases) {
        W& target = input_.windows[notepad] = testing::FakeInput::OtherProgram();
        if (c.fact) target.*c.fact = c.value;
        target.integrity = c.integrity;
        const bool typed = &c == cases;
        PutText(main_.get(), "other");
        input_.keys.clear();
        view_.told.clear();
        told = 0;
        paste_.PasteSlot(1);
        EXPECT_EQ(input_.keys.size(), typed ? 4u : 0u) << &c - cases;
        EXPECT_EQ(view_.told, typed ? Told{L"pasted 1"} : Told{}) << &c - cases;
        EXPECT_EQ(told, typed ? 0 : 1) << &c - cases;
        EXPECT_EQ(ClipboardText(main_.get()), "pasted");
        paste_.OnGuardTimer();
    }
}

TEST_F(CaptureTest, TheAltMaskGoesOnlyIntoTheWindowTheHotKeyCameInWhileAltIsHeldOrJustAfter) {
    const HWND notepad = reinterpret_cast<HWND>(0x1010), console = reinterpret_cast<HWND>(0x3030);
    input_.windows[notepad] = input_.windows[console] = testing::FakeInput::OtherProgram();
    input_.windows[console].class_name = L"ConsoleWindowClass";
    const DWORD sent = 1000;  // the hotkey message's time
    const struct {
        HWND front;
        bool alt_down;
        std::uint32_t handled, front_since;
        bool masked;
    } cases[] = {{notepad, true, sent + 5000, sent - 10, true},
                 {notepad, false, sent + kAltMaskLateMs, sent - 10, true},
                 {notepad, false, sent + kAltMaskLateMs + 1, sent - 10, false},
                 {console, true, sent, sent - 10, false},
                 {notepad, true, sent + 50, sent + 20, false}};  // came to the front since
    for (const auto& c : cases) {
        input_.foreground = c.front;
        input_.AnswerKeyIsDown({c.alt_down, c.alt_down, c.alt_down});
        input_.keys.clear();
        clock_.now = c.handled;
        paste_.ForegroundChanged(c.front, c.front_since);
        paste_.HotKeyPressed(MOD_ALT, sent);
        EXPECT_EQ(!input_.keys.empty(), c.masked) << &c - cases;
    }
}

// However the capture ends, its window leaves the viewer chain once, by whichever owner
// holds the membership last.
TEST(ViewerChainTest, TheMembershipIsLeftWhenItsLastOwnerGoes) {
    const UniqueHwnd window = HiddenWindow();
    {
        ViewerChainMembership last;
        {
            ViewerChainMembership first;
            first.Join(window.get());
            ASSERT_EQ(::GetClipboardViewer(), window.get());
            last = std::move(first);
        }
        EXPECT_EQ(::GetClipboardViewer(), window.get()) << "left by the owner moved from";
    }
    EXPECT_NE(::GetClipboardViewer(), window.get());
}

}  // namespace
}  // namespace nimbara
