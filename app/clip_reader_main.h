// The clipboard reader program: this executable started again by the program itself with
// kClipReaderArgument (history/clip_reader.h) as its whole command line. It runs one thread,
// its main one, which serves snapshot requests from its input until that ends: it opens the
// clipboard for a message-only window of its own, takes each snapshot (ClipSnapshots) and
// writes its frames to its output as they are read (FrameWriter). It takes no single-instance
// mutex, registers no hotkey, joins no viewer chain and shows nothing.
#pragma once

namespace nimbara {

// The reader's main: its exit code is 0 when the program closed its input, 1 when it could
// not begin, kReaderCrashExitCode after a crash.
int RunClipReader();

}  // namespace nimbara
