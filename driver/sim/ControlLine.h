// One line of the sim driver library's control file: see driver/sim/README.md.
#pragma once

#include <cstdint>
#include <string>

namespace talun::sim {

struct ControlCommand {
    enum Kind {
        None,         // blank line or comment
        Plug,         // "plug [SLOT]"
        Unplug,       // "unplug [SLOT]"
        Button,       // "button N": input message, wParam 0xE000, lParam N
        Input,        // "input W L": input message with this wParam and lParam
        PlugMessage,  // "plug-message W [SLOT]": plug message with this wParam, mice unchanged
        SetFault,     // "set [SLOT] key=value": see ApplyLiveFault
        Invalid,
    };
    Kind kind = None;
    int slot = 0;  // the mouse: plug, unplug, plug-message and set (0 when not given)
    uint64_t wParam = 0;
    int64_t lParam = 0;
    std::string key;
    std::string value;
    std::string error;  // for Invalid
};

ControlCommand ParseControlLine(const std::string& line);

}  // namespace talun::sim
