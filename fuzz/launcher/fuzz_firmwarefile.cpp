// Feeds arbitrary bytes to the firmware file reader: whatever it accepts must
// have every section and every block inside the file.
//   fuzz_launcher_firmwarefile [corpus dir]   (seed: bin/Firmware/*.tk)

#include "firmwarefile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size > (1u << 22))
        return 0;
    const QByteArray file(reinterpret_cast<const char *>(data), static_cast<int>(size));

    Firmware::Header header;
    if (Firmware::readHeader(file, &header) == Firmware::FileError::None) {
        // Every section the chain reaches, valid or not, is read in bounds.
        for (int k = 0; k <= header.sectionCount + 1 && k < 130; ++k) {
            Firmware::Section s;
            if (Firmware::readSection(file, header, k, &s)
                && s.dataOffset + static_cast<qint64>(s.dataLength) > file.size())
                std::abort();
        }
    }

    Firmware::Image image;
    if (Firmware::parse(file, "TOVAK_KT900", &image) != Firmware::FileError::None)
        return 0;
    if (image.totalBlocks <= 0 || image.sections.isEmpty())
        std::abort();
    for (const Firmware::Section &s : image.sections) {
        if (s.dataLength % Firmware::kBlockSize != 0
            || s.firstBlock + s.blockCount() - 1 > 0xFFFF + (s.blockCount() == 0 ? 1 : 0))
            std::abort();
        for (int i = 0; i < s.blockCount(); ++i) {
            if (Firmware::blockData(file, s, i)
                != file.mid(static_cast<int>(s.dataOffset) + i * Firmware::kBlockSize,
                            Firmware::kBlockSize))
                std::abort();
        }
    }
    return 0;
}
