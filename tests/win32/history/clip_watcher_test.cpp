// The watcher: which clipboard changes are captured, when, and what becomes of a snapshot
// that its owner holds up or its reader does not bring.
#include "capture_fixture.h"

namespace nimbara {
namespace {

using namespace testing;
using ClipWatcherTest = CaptureFixture;

TEST_F(ClipWatcherTest, OnlyARealChangeIsCapturedTheSameTextCopiedAgainIncluded) {
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

TEST_F(ClipWatcherTest, AClipboardEmptiedAfterItsCountFillsNoSlot) {
    PutText(main_.get(), "");
    ASSERT_TRUE(::OpenClipboard(main_.get()));
    ::EmptyClipboard();
    ::CloseClipboard();
    clipboard_.count_override = 1;
    watcher_.OnCaptureTimer();
    EXPECT_EQ(ring_.NextSlot(), 1);
    EXPECT_FALSE(ring_.IsFilled(1));
}

TEST_F(ClipWatcherTest, EachCaptureIsShownAsTheNewestAndTheThirteenthFillsSlotOneAgain) {
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

TEST_F(ClipWatcherTest, TheListenerAndSessionNoticesAreHeldFromTheJoinToTheTeardownOrRefused) {
    for (const bool listener : {true, false}) {
        notices_.refused = listener ? std::set<Notice>{} : std::set{Notice::kClipboardUpdate};
        watcher_.JoinChain();  // a refusal leaves the chain alone, as before
        EXPECT_EQ(notices_.held.size(), listener ? 2u : 1u);
        EXPECT_EQ(notices_.held.count({Notice::kSessionChange, main_.get()}), 1u);
        watcher_.LeaveChain();
        EXPECT_TRUE(notices_.held.empty()) << listener;
    }
}

TEST_F(ClipWatcherTest, AChangeNoNoticeToldOfIsCapturedOnceWhenShownUnlockedOrResumed) {
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
TEST_F(ClipWatcherTest, AChangeIsCaptured10MsAfterTheFirstNoticeOfItsBurstAndTheBurstOnce) {
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

TEST_F(ClipWatcherTest, AClipboardHeldOpenIsTriedAgainForAboutASecondThenReported) {
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

TEST_F(ClipWatcherTest,
       ASnapshotIsCutShortWhenItsBudgetIsSpentAndItsOwnerAskedAgainOnlyOnceItAnswers) {
    const UniqueHwnd owner = HiddenWindow();
    reader_.hold = true;
    // The budget in milliseconds of the clock, the tick count's wrap included: the bytes that
    // have arrived extend it. A tick that comes early, or a doorbell from outside
    // (kMsgSnapshotRead, kMsgOwnerAnswered), neither ends nor stretches it.
    const struct {
        std::uint32_t start;
        std::uint64_t arrived_mb;
        std::uint32_t end;  // 30 s, and 1 s for every 8 MB arrived
    } rows[] = {{0, 0, 30000}, {0xFFFFFF00u, 0, 30000}, {0, 80, 40000}};
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
        timers.Advance(kSnapshotBudgetMs / 2);
        watcher.OnBudgetTimer();
        watcher.SnapshotsWaiting();
        watcher.OwnerAnswered();
        timers.Advance(r.end - 1 - kSnapshotBudgetMs / 2);
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

TEST_F(ClipWatcherTest, AnEndedReaderIsReplacedToReadTheSameContentAndACrashGivesItUpOnce) {
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

TEST_F(ClipWatcherTest, WithoutAnyReaderTheSnapshotIsTakenHereAndTheUserToldOnce) {
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

TEST_F(ClipWatcherTest, TheReportComesOnceTheSlotIsStoredAndChangesDuringItAreCapturedAsUsual) {
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

TEST_F(ClipWatcherTest, NothingRestorableTakesNoSlot) {
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
}

}  // namespace
}  // namespace nimbara
