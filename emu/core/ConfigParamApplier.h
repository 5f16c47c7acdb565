#pragma once

namespace emu {

class ConfigParam;
class Device;
class InterruptControllerInterface;
class MemoryMapInterface;
class PortMapInterface;

// Binds one parameter record of a device to the machine service it claims; the machine's apply pass calls it for
// every record by type. Each operation first takes the record out of force; an enabled record is then bound with
// its configured first item and count, the device as the handlers' context, and put in force. An operation fails
// for a missing service or record and for a record of another type; a binding the service refuses fails it too,
// leaving the record out of force and what was bound before the refusal bound.
class ConfigParamApplier {
public:
    // Binds the read and then the write side of the pages, for each handler the record has.
    bool ApplyMemoryRange(MemoryMapInterface* memory, ConfigParam* record, Device* device) const;
    // Binds each port of the range to the plain read handler (or else the status read handler), then each to the
    // write handler. A range that runs past port 65535 ends there.
    bool ApplyPortRange(PortMapInterface* ports, ConfigParam* record, Device* device) const;
    bool ApplyFlag(ConfigParam* record) const;
    bool ApplyFlagPair(ConfigParam* record) const;
    // Binds each entry of the range in hook table A, rising; entries above 255 fail.
    bool ApplyVectorRangeA(InterruptControllerInterface* interrupts, ConfigParam* record, Device* device) const;
    bool ApplyVectorRangeB(InterruptControllerInterface* interrupts, ConfigParam* record, Device* device) const;
};

} // namespace emu
