#include "samplefirmware.h"

namespace Firmware {

const char kSampleFileName[] = "TOVAK_KT900_V9.9.9.tk";

namespace {

// Each block starts with a readable marker and its own number, then a byte
// pattern, so a block that arrives out of place is easy to spot.
QByteArray pattern(int blocks, int firstBlock, int seed)
{
    QByteArray data;
    data.reserve(blocks * kBlockSize);
    for (int b = 0; b < blocks; ++b) {
        QByteArray block = QByteArrayLiteral("KT900 SYNTHETIC TEST FIRMWARE, NOT FOR A REAL UNIT. BLOCK ")
            + QByteArray::number(firstBlock + b, 16).rightJustified(4, '0') + '\n';
        for (int i = block.size(); i < kBlockSize; ++i)
            block.append(static_cast<char>((i * 7 + b * 13 + seed) & 0xFF));
        data += block;
    }
    return data;
}

} // namespace

ImageSpec sampleSpec()
{
    ImageSpec imageLayout;
    imageLayout.modelName = "TOVAK_KT900";
    imageLayout.applyCode = Firmware::kSampleApplyCode;
    imageLayout.applyAckCode = Firmware::kSampleApplyAckCode;
    imageLayout.applyWait = 3000;
    imageLayout.applyArgument = 0x00010000;
    SectionSpec a;
    a.blockCode = Firmware::kSampleBlockCode;
    a.blockAckCode = Firmware::kSampleBlockAckCode;
    a.blockWait = 1000;
    a.firstBlock = 0x0010;
    a.data = pattern(192, a.firstBlock, 1);
    SectionSpec b = a;
    b.firstBlock = 0x0400;
    b.data = pattern(64, b.firstBlock, 2);
    imageLayout.sections = {a, b};
    return imageLayout;
}

QByteArray sampleImage()
{
    return build(sampleSpec());
}

} // namespace Firmware
