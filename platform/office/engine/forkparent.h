#pragma once

// The pre-initialised parent of engine processes: prepares a profile of its
// own, loads LibreOffice with lok_preinit on a profile it only reads, waits
// until it is single-threaded again (a fork is safe only then) and answers on
// standard input, a Unix socket:
//   "fork" [DECK [STAGING]] with a socket passed alongside: forks an engine,
//       confined to reading DECK's folder and writing STAGING, that completes
//       LibreOffice's start, says "ready" on that socket and serves one
//       presentation there; answers "ok" and the engine's process id; refused
//       while the parent runs a second thread;
//   "reap" PID: kills that engine's process group, collects it and answers
//       "ok" and its wait status ("ended" when it is collected later);
//   "quit", or the end of input: kills every engine and ends.
// Engines end with the parent, and the parent at the end of its input.
// With `everyLocalFile`, a deck's links may reach any local file.
[[noreturn]] void ServeAsParent(int slideHeight, bool everyLocalFile);
