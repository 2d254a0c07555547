#include "shell/command_runner.h"

#include <stdio.h>

namespace {

std::FILE* OpenPipe(const char* command, const char* mode) {
#if defined(_WIN32)
  return _popen(command, mode);
#else
  return popen(command, mode);
#endif
}

int ClosePipe(std::FILE* stream) {
#if defined(_WIN32)
  return _pclose(stream);
#else
  return pclose(stream);
#endif
}

#ifdef PRISMORA_TEST_SEAMS
const CommandPipeFunctions* g_pipe_functions = nullptr;
#endif

}  // namespace

#ifdef PRISMORA_TEST_SEAMS
void SetCommandPipeFunctionsForTest(const CommandPipeFunctions* functions) { g_pipe_functions = functions; }
#endif

bool RunCommandAndWait(const char* command) {
#ifdef PRISMORA_TEST_SEAMS
  auto open = g_pipe_functions != nullptr ? g_pipe_functions->open : OpenPipe;
  auto close = g_pipe_functions != nullptr ? g_pipe_functions->close : ClosePipe;
#else
  auto open = OpenPipe;
  auto close = ClosePipe;
#endif
  std::FILE* stream = open(command, "r");
  if (stream == nullptr) return false;
  // pclose waits for the command to end: for a dialog, until it is closed
  // or gives up by itself.
  close(stream);
  return true;
}
