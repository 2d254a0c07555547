#include "platform/macos/adjustment_warning.h"

#include "shell/command_runner.h"

void ShowAdjustmentWarning() { RunCommandAndWait(WARNING_COMMAND_MACOS); }
