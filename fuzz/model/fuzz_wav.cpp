// libFuzzer target: the WAV reader and IR conversion.

#include "irdata.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray wav = QByteArray::fromRawData(reinterpret_cast<const char *>(data), static_cast<int>(size));
    QByteArray out;
    QString reason;
    const bool ok = IrData::convertWav(wav, &out, &reason);
    if (ok != (out.size() == IrData::kIrBytes) || (!ok && reason.isEmpty()))
        std::abort();
    if (ok) {
        for (int k = 0; k < IrData::kIrSamples; ++k) {
            if (out.at(4 * k + 3) != char(0))
                std::abort(); // the top byte of every word is 0
        }
    }
    IrData::prepareNrData(wav, &out, &reason);
    return 0;
}
