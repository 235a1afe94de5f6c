// PER_THREAD marks a module-level record of mutable state. The Windows command-line tool
// (built with QMATE_THREAD_WORKERS) runs files on worker threads, each with its own plug-in
// state, so there every such record is one per thread; elsewhere the plug-in's state belongs
// to its process (the Far library, the tests, the tool's worker processes) and the mark is
// empty.
#pragma once

#ifdef QMATE_THREAD_WORKERS
#define PER_THREAD thread_local
#else
#define PER_THREAD
#endif
