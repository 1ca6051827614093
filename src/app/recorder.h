#pragma once

namespace kestrum {

struct CommandLine;

// kestrum --record: the session without a window or a display
// (QCoreApplication only) writes every message of one port to the file,
// and its successors by day or size, keeping no document, until SIGINT or
// SIGTERM; a lost device is opened again when it comes back. Port events go
// to standard error, one line each; with --echo every line goes to standard
// output too. Returns the exit status (CommandLine's RecordStatus).
int runRecorder(const CommandLine &cmd, int &argc, char **argv);

} // namespace kestrum
