#include "memorytransport.h"

#include "mylibusb.h"
#include "virtualunit.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace Kt900Sim {

MemoryTransport::MemoryTransport(VirtualUnit &unit, int busAddress)
    : m_unit(unit), m_address(busAddress)
{
    m_unit.setOutputListener([this] { wake(); });
    m_unit.setUnplugListener([this] { wake(); });
}

MemoryTransport::~MemoryTransport()
{
    m_unit.setOutputListener(nullptr);
    m_unit.setUnplugListener(nullptr);
}

void MemoryTransport::wake()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_signals;
    }
    m_cond.notify_all();
}

bool MemoryTransport::openByAddress(std::uint8_t address, int /*busNumber*/)
{
    closeDevice();
    if (address != m_address || m_unit.isUnplugged())
        return true; // the bus was listed; nothing there to open
    m_unit.hostAttached();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_open = true;
    return true;
}

bool MemoryTransport::isOpen() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_open;
}

bool MemoryTransport::write(const std::uint8_t *bytes, int length, int /*timeoutMs*/)
{
    if (!isOpen() || m_unit.isUnplugged())
        return false;
    // Cut exactly as the USB connection cuts, then hand each transfer over.
    const auto deliver = [this](const std::uint8_t *transfer, int size) {
        m_unit.receiveReport(transfer, size);
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_writes;
        return true;
    };
    return hasCountByte() ? MyLibusb::cutIntoReports(bytes, length, deliver)
                          : MyLibusb::cutIntoBlocks(bytes, length, deliver);
}

int MemoryTransport::read(std::uint8_t *buffer, int timeoutMs)
{
    if (!buffer)
        return -1;
    const auto deadline = VirtualUnit::Clock::now() + std::chrono::milliseconds(std::max(0, timeoutMs));
    std::vector<std::uint8_t> report;
    for (;;) {
        unsigned seen = 0;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (!m_open)
                return -1;
            seen = m_signals;
        }
        if (m_unit.isUnplugged()) {
            closeDevice();
            return -1;
        }
        // The unit is asked outside the lock: it may call wake() from here.
        if (m_unit.takeReport(&report)) {
            const int n = std::min(static_cast<int>(report.size()), readSize());
            std::memcpy(buffer, report.data(), static_cast<std::size_t>(n));
            std::lock_guard<std::mutex> lock(m_mutex);
            ++m_reads;
            return n;
        }
        const auto now = VirtualUnit::Clock::now();
        if (now >= deadline)
            return 0;
        const auto wakeAt = std::min(deadline, m_unit.nextDueTime());
        std::unique_lock<std::mutex> lock(m_mutex);
        m_cond.wait_until(lock, wakeAt, [&] { return m_signals != seen || !m_open; });
    }
}

int MemoryTransport::readSize() const
{
    return m_unit.reportSize();
}

bool MemoryTransport::hasCountByte() const
{
    return m_unit.reportSize() != UnitTransport::kMaxTransferSize;
}

void MemoryTransport::closeDevice()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_open = false;
    }
    m_cond.notify_all();
}

int MemoryTransport::writes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_writes;
}

int MemoryTransport::reads() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_reads;
}

} // namespace Kt900Sim
