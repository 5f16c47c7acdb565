#pragma once

#include "emu/core/BusHandlers.h"

#include <cstdint>

namespace emu {

// The second form of a port read handler: a plain read that also reports into the caller's status byte.
using PortStatusReadHandler = bool (*)(void* context, uint32_t port, uint32_t size, void* buffer, uint8_t peek,
                                       uint8_t* status);

// What the configuration parameters need of the machine's I/O port service: binding single ports (0 .. 65535)
// to the handlers of a device. Each bind answers false for a port above 65535.
class PortMapInterface {
public:
    virtual ~PortMapInterface() = default;

    // Binds the plain read handler of the port, dropping its status read handler.
    virtual bool BindReadPort(uint32_t port, void* context, BusReadHandler handler) = 0;
    // Binds the status read handler of the port, dropping its plain read handler.
    virtual bool BindReadPortStatus(uint32_t port, void* context, PortStatusReadHandler handler) = 0;
    virtual bool BindWritePort(uint32_t port, void* context, BusWriteHandler handler) = 0;

protected:
    PortMapInterface() = default;
    PortMapInterface(const PortMapInterface&) = delete;
    PortMapInterface& operator=(const PortMapInterface&) = delete;
};

} // namespace emu
