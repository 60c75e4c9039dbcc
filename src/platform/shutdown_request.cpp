#include "platform/shutdown_request.h"

#include <cstring>
#include <systemd/sd-bus.h>

namespace bv {

ShutdownAnswer RequestPowerOff() {
    ShutdownAnswer answer;
    sd_bus* bus = nullptr;
    if (const int r = sd_bus_open_system(&bus); r < 0) {
        answer.error = std::string("Cannot connect to the system bus: ") + std::strerror(-r);
        return answer;
    }
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    const int r = sd_bus_call_method(bus, "org.freedesktop.login1", "/org/freedesktop/login1",
                                     "org.freedesktop.login1.Manager", "PowerOff", &error, &reply, "b", 0);
    if (r >= 0) {
        answer.accepted = true;
    } else {
        answer.error = error.message != nullptr ? error.message : std::strerror(-r);
        if (error.name != nullptr && error.message == nullptr)
            answer.error = error.name;
    }
    sd_bus_error_free(&error);
    sd_bus_message_unref(reply);
    sd_bus_flush_close_unref(bus);
    return answer;
}

} // namespace bv
