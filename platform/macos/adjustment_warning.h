// The adjustment-layer warning of the macOS build: a dialog shown through
// the system's script runner, with the note icon and a single default "OK"
// button, closing by itself after 60 seconds. The runner's output and error
// output go to the null device.
#pragma once

constexpr const char* WARNING_COMMAND_MACOS =
    "osascript -e 'display dialog \"Prismora needs this layer to be an Adjustment Layer to render glass. Turn on "
    "its Adjustment switch in the timeline (the half-moon icon).\" with title \"Prismora\" with icon note buttons "
    "{\"OK\"} default button \"OK\" giving up after 60' >/dev/null 2>&1";

// Shows the dialog and returns when it is gone; a runner that cannot be
// started is ignored.
void ShowAdjustmentWarning();
