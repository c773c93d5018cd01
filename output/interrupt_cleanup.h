#pragma once
// Temporary files that an interruption must not leave behind. Every file
// that is written whole or not at all is first written under a temporary
// name; when the program is ended by SIGINT, SIGTERM or SIGHUP while one is
// open, the handler removes it and the program then ends by the same signal
// (status 128 + signal in a shell), as it would have without the handler.
#include <string>

namespace voltrigg {

// Installs the handler for SIGINT, SIGTERM and SIGHUP. Call once, early in
// main; a signal that is ignored when the program starts stays ignored.
void RemoveTemporaryFilesOnInterrupt();

// What every program that writes files calls first in main: the handler
// above, and past a file size limit a write that fails with EFBIG (which the
// writer reports and cleans up after) instead of SIGXFSZ's default, which
// would end the program in the middle of a write.
void PrepareSignalsForWriting();

// Marks `path` as a temporary file to remove on an interruption, until
// ForgetTemporaryFile. False when the list is full (the file is then only
// removed by its owner) or the path is too long to keep.
bool RememberTemporaryFile(const std::string& path);
void ForgetTemporaryFile(const std::string& path);

// The temporary files remembered now (for tests).
int RememberedTemporaryFiles();

}  // namespace voltrigg
