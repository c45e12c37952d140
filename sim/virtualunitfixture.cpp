#include "virtualunitfixture.h"

namespace Kt900Sim {

VirtualUnitFixture::VirtualUnitFixture(const UnitOptions &unitOptions, const BridgeOptions &bridgeOptions)
    : m_unit(std::make_unique<VirtualUnit>(unitOptions))
    , m_bridge(std::make_unique<UsbBridge>(*m_unit, bridgeOptions))
{
    m_ready = m_bridge->start(&m_error);
}

VirtualUnitFixture::~VirtualUnitFixture()
{
    m_bridge.reset();
    m_unit.reset();
}

bool VirtualUnitFixture::isReady() const { return m_ready; }
QString VirtualUnitFixture::errorString() const { return m_error; }
VirtualUnit &VirtualUnitFixture::unit() { return *m_unit; }
UsbBridge &VirtualUnitFixture::bridge() { return *m_bridge; }
int VirtualUnitFixture::busNumber() const { return m_bridge->busNumber(); }
int VirtualUnitFixture::deviceAddress() const { return m_bridge->deviceAddress(); }

bool VirtualUnitFixture::unplug(int timeoutMs)
{
    return m_bridge->unplug(timeoutMs);
}

bool VirtualUnitFixture::preloadActive()
{
    return UsbBridge::preloadActive();
}

} // namespace Kt900Sim
