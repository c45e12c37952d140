// libFuzzer target: the preset file reader (header check and the reading
// rules) on a store record, with the embedded catalogue.

#include "devicestore.h"
#include "effectcatalogue.h"
#include "presetfilecodec.h"
#include "resources.h"

#include <QByteArray>
#include <QCoreApplication>

#include <cstdint>
#include <cstdlib>

namespace {

Kt900::DeviceStore *g_store = nullptr;
PresetFileCodec *g_codec = nullptr;

} // namespace

// Qt 5.15's QJsonDocument::fromJson leaks a few bytes on some malformed
// documents (inside libQt5Core, reproducible with fromJson alone); leak
// reports would stop every run there.
extern "C" const char *__asan_default_options()
{
    return "detect_leaks=0";
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    kt900InitResources();
    if (!EffectCatalogue::instance().load(QString::fromLatin1(EffectCatalogue::kResourcePath)))
        std::abort();
    g_store = new Kt900::DeviceStore;
    g_codec = new PresetFileCodec(g_store);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), static_cast<int>(size));
    g_codec->checkHeader(bytes);
    const Kt900::Record before = *g_store->record(3);
    if (!g_codec->readPresetFile(3, bytes)) {
        // A refused file leaves the record as it was.
        if (!(before == *g_store->record(3)))
            std::abort();
    } else {
        g_codec->captureBytes();
        g_codec->presetDocument(3);
    }
    return 0;
}
