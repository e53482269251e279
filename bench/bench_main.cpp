// nimbara_bench.exe COMMAND ARGS...: one measurement per command, printed as lines
// "sample NAME VALUE" and "note TEXT" for tools/bench.py.
//   snapshot RUNS MB        ClipSnapshots's snapshot of one MB-megabyte format vs a plain copy
//   paste RUNS              the paste-back of a slot of 12 formats, 1 MB in all
//   latency CHANGES         capture latency of the running Nimbara vs a viewer's notice
//   feed COUNT MB           COUNT changes with an MB-megabyte block each, each awaited
//   startup RUNS EXE MINI   start to viewer joined, Nimbara vs a one-window program
//   memory | cputime        the running Nimbara's private bytes, processor time
//   clear-all | wait-ready  Clear all; wait for the main window
//   render-answer RUNS MS   the running Nimbara's longest answer while an owner takes MS to render
#include <cstring>

#include "bench_output.h"
#include "app/clip_reader_main.h"
#include "history/clip_reader.h"

namespace bench {
int SnapshotCommand(const Args&);
int ClipWriteCommand(const Args&);
int PasteCommand(const Args&);
int LatencyCommand(const Args&);
int FeedCommand(const Args&);
int ReadFeedCommand(const Args&);
int StartupCommand(const Args&);
int MemoryCommand(const Args&);
int CpuTimeCommand(const Args&);
int ClearAllCommand(const Args&);
int WaitReadyCommand(const Args&);
int RenderAnswerCommand(const Args&);
}  // namespace bench

int wmain(int argc, wchar_t** argv) {
    using namespace bench;
    struct Command {
        const wchar_t* name;
        int (*run)(const Args&);
    };
    static const Command kCommands[] = {
        {L"snapshot", SnapshotCommand},
        {L"clip-write", ClipWriteCommand},
        {L"paste", PasteCommand},
        {L"latency", LatencyCommand},
        {L"feed", FeedCommand},
        {L"read-feed", ReadFeedCommand},
        {L"startup", StartupCommand},
        {L"memory", MemoryCommand},
        {L"cputime", CpuTimeCommand},
        {L"clear-all", ClearAllCommand},
        {L"wait-ready", WaitReadyCommand},
        {L"render-answer", RenderAnswerCommand},
    };
    const Args args(argv, argv + argc);
    if (args.size() < 2) return 2;
    // Started again by the snapshot figure as its clipboard reader.
    if (args[1] == nimbara::kClipReaderArgument) return nimbara::RunClipReader();
    for (const Command& command : kCommands) {
        if (args[1] == command.name) {
            try {
                return command.run(args);
            } catch (const std::exception& e) {
                Note(std::string("failed: ") + e.what());
                return 1;
            } catch (...) {
                Note("failed");
                return 1;
            }
        }
    }
    return 2;
}
