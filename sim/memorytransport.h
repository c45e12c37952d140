#pragma once

// The virtual unit behind the transport interface, without USB: what the host
// writes reaches the unit as the reports (or bulk blocks) it would receive,
// and reads return the unit's reports when they are due. Lets window logic
// run against a whole unit in the test's own process, fast and without the
// umockdev preload.
//
// The unit is not owned and must outlive the transport. The transport opens
// at one bus address (and any bus), like the unit on a real bus; the unit
// unplugging itself closes it, and reads then fail as on USB.

#include "unittransport.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace Kt900Sim {

class VirtualUnit;

class MemoryTransport : public UnitConnection
{
public:
    explicit MemoryTransport(VirtualUnit &unit, int busAddress = 1);
    ~MemoryTransport() override;

    MemoryTransport(const MemoryTransport &) = delete;
    MemoryTransport &operator=(const MemoryTransport &) = delete;

    bool openByAddress(std::uint8_t address, int busNumber = -1) override;
    bool isOpen() const override;
    bool write(const std::uint8_t *bytes, int length, int timeoutMs) override;
    int read(std::uint8_t *buffer, int timeoutMs) override;
    int readSize() const override;
    bool hasCountByte() const override;
    void closeDevice() override;

    // Transfers the unit received / sent through this transport.
    int writes() const;
    int reads() const;

private:
    void wake();

    VirtualUnit &m_unit;
    const int m_address;
    mutable std::mutex m_mutex;
    std::condition_variable m_cond;
    bool m_open = false;
    unsigned m_signals = 0;   // bumped whenever the unit queued output
    int m_writes = 0;
    int m_reads = 0;
};

} // namespace Kt900Sim
