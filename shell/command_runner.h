// Runs a command line through the system shell and waits for it to end:
// _popen/_pclose on Windows, popen/pclose elsewhere. Nothing is read from
// the command's output stream and its exit status is not examined; the
// warning dialogs are shown this way.
#pragma once
#include <cstdio>

// False when the command could not be started (no stream); pclose is then
// not called.
bool RunCommandAndWait(const char* command);

#ifdef PRISMORA_TEST_SEAMS
// Replaces the stream functions the runner uses; null restores the C
// library's. Lets tests see the command line without running it and make
// the start fail.
struct CommandPipeFunctions {
  std::FILE* (*open)(const char* command, const char* mode);
  int (*close)(std::FILE* stream);
};
void SetCommandPipeFunctionsForTest(const CommandPipeFunctions* functions);
#endif
