// The command line that shows the adjustment-layer warning on Windows: the
// system shell, without profile or window, shows a message box with the
// text, a 60-second time-out, the title "Prismora" and style 64 (an
// information icon and an OK button). The line ends with one blank.
#pragma once

constexpr const char* WARNING_COMMAND_WINDOWS =
    "powershell -NoProfile -WindowStyle Hidden -Command \"(New-Object -ComObject WScript.Shell).Popup("
    "'Prismora needs this layer to be an Adjustment Layer to render glass. Turn on its Adjustment switch in the "
    "timeline.',60,'Prismora',64)\" ";
