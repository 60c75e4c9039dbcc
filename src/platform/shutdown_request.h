// Asking the system to power the computer off: PowerOff(false) on logind over the system bus
// (DBUS_SYSTEM_BUS_ADDRESS is honoured). Not interactive: polkit may refuse it.
#pragma once

#include <string>

namespace bv {

struct ShutdownAnswer {
    bool accepted = false; // the call returned without error
    std::string error;     // the bus's or logind's reason otherwise
};

ShutdownAnswer RequestPowerOff();

} // namespace bv
