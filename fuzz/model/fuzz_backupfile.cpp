// libFuzzer target: the backup file checks and reader. Inputs are taken as
// they are and, a second time, with their checksum made to match, so that the
// group reader is reached; whatever it accepts is applied to a store.

#include "backupformat.h"
#include "devicestore.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QByteArray file(reinterpret_cast<const char *>(data), static_cast<int>(size));
    BackupFormat::Header header;
    BackupFormat::checkData(file, &header);
    QVector<BackupFormat::GroupData> groups;
    BackupFormat::parse(file, &groups);

    if (file.size() >= BackupFormat::kHeaderSize) {
        const std::uint64_t sum = BackupFormat::checksumOf(file);
        for (int i = 0; i < 8; ++i)
            file[BackupFormat::kChecksumOffset + i] = static_cast<char>(sum >> (8 * i));
        if (!BackupFormat::checkData(file, &header) && BackupFormat::parse(file, &groups))
            std::abort(); // the reader never accepts what the checks refuse
        if (BackupFormat::parse(file, &groups)) {
            static Kt900::DeviceStore store;
            for (const auto &g : groups) {
                for (const auto &item : g.items) {
                    if (!BackupFormat::applyItem(store, g.group, item))
                        std::abort(); // every item the reader accepts fits its area
                }
            }
        }
    }
    return 0;
}
