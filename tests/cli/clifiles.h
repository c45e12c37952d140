#pragma once

// Files for the kt900 tests, made with the programs' own writers from the
// virtual unit's factory set (or by hand where a writer would refuse).

#include "backupformat.h"
#include "devicestore.h"
#include "effectcatalogue.h"
#include "factoryset.h"
#include "firmwarefile.h"
#include "presetfilecodec.h"
#include "resources.h"

#include <QByteArray>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <cmath>
#include <cstring>

namespace CliTest {

inline bool loadCatalogue()
{
    kt900InitResources();
    static const bool loaded = EffectCatalogue::instance().load(QString::fromLatin1(EffectCatalogue::kResourcePath));
    return loaded;
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void putLe(QByteArray &b, quint32 v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        b.append(static_cast<char>(v >> (8 * i)));
}

// A RIFF/WAVE file: PCM (tag 1) or float (tag 3), samples interleaved.
inline QByteArray wavFile(int rate, int channels, int bits, int frames, int tag = 1)
{
    QByteArray samples;
    for (int f = 0; f < frames; ++f) {
        const double x = 0.8 * std::sin(f * 0.05) * std::exp(-f / 800.0);
        for (int c = 0; c < channels; ++c) {
            const double v = c == 0 ? x : -x / 2;
            if (tag == 3) {
                float fv = static_cast<float>(v);
                quint32 u = 0;
                std::memcpy(&u, &fv, 4);
                putLe(samples, u, 4);
            } else if (bits == 8) {
                samples.append(static_cast<char>(128 + static_cast<int>(v * 127)));
            } else {
                const qint64 full = (qint64(1) << (bits - 1)) - 1;
                putLe(samples, static_cast<quint32>(static_cast<qint64>(v * full)), bits / 8);
            }
        }
    }
    QByteArray fmt;
    putLe(fmt, static_cast<quint32>(tag), 2);
    putLe(fmt, static_cast<quint32>(channels), 2);
    putLe(fmt, static_cast<quint32>(rate), 4);
    putLe(fmt, static_cast<quint32>(rate * channels * bits / 8), 4);
    putLe(fmt, static_cast<quint32>(channels * bits / 8), 2);
    putLe(fmt, static_cast<quint32>(bits), 2);
    QByteArray body = "WAVEfmt ";
    putLe(body, static_cast<quint32>(fmt.size()), 4);
    body += fmt;
    body += "data";
    putLe(body, static_cast<quint32>(samples.size()), 4);
    body += samples;
    QByteArray file = "RIFF";
    putLe(file, static_cast<quint32>(body.size()), 4);
    return file + body;
}

// The document the editor writes for a preset of a store.
inline QByteArray presetFile(const Kt900::DeviceStore &store, int index)
{
    loadCatalogue();
    Kt900::DeviceStore copy = store;
    return PresetFileCodec(&copy).presetDocument(index);
}

// A preset document with one member changed (path: "fileInfo/device").
inline QByteArray editedPreset(const QByteArray &doc, const QString &object, const QString &key, const QJsonValue &value)
{
    QJsonObject root = QJsonDocument::fromJson(doc).object();
    if (object.isEmpty()) {
        root.insert(key, value);
    } else {
        QJsonObject o = root.value(object).toObject();
        o.insert(key, value);
        root.insert(object, o);
    }
    return QJsonDocument(root).toJson();
}

// The backup file of the factory set with its IR and NR data.
inline QByteArray factoryBackup()
{
    const Kt900Sim::UnitMemory &m = Kt900Sim::factoryMemory();
    QByteArray ir(Kt900::kIrSlots * Kt900::kIrBytes, '\0');
    QByteArray nr(Kt900::kNrSlots * Kt900::kNrBytes, '\0');
    BackupFormat::SlotReadout readout;
    for (int s = 0; s < Kt900::kIrSlots; ++s) {
        std::memcpy(ir.data() + s * Kt900::kIrBytes, m.irData[std::size_t(s)].data(), Kt900::kIrBytes);
        readout.irReceived[std::size_t(s)] = m.irFilled(s);
    }
    for (int s = 0; s < Kt900::kNrSlots; ++s) {
        std::memcpy(nr.data() + s * Kt900::kNrBytes, m.nrData[std::size_t(s)].data(), Kt900::kNrBytes);
        readout.nrReceived[std::size_t(s)] = m.nrFilled(s);
    }
    readout.irData = reinterpret_cast<const std::uint8_t *>(ir.constData());
    readout.nrData = reinterpret_cast<const std::uint8_t *>(nr.constData());
    return BackupFormat::buildImage(m.store, readout);
}

// A backup image with the checksum made right again after an edit.
inline QByteArray resealed(QByteArray file)
{
    const std::uint64_t sum = BackupFormat::checksumOf(file);
    for (int i = 0; i < 8; ++i)
        file[BackupFormat::kChecksumOffset + i] = static_cast<char>(sum >> (8 * i));
    return file;
}

inline QByteArray firmwareFile(int sections = 2, const QByteArray &model = "TOVAK_KT900")
{
    Firmware::ImageSpec imageLayout;
    imageLayout.modelName = model;
    for (int k = 0; k < sections; ++k) {
        Firmware::SectionSpec s;
        s.data = QByteArray(Firmware::kBlockSize * (k + 2), static_cast<char>(0x30 + k));
        s.firstBlock = static_cast<std::uint16_t>(k * 0x100);
        s.blockCode = static_cast<std::uint8_t>(0x52 + 2 * k);
        s.blockAckCode = static_cast<std::uint8_t>(0x53 + 2 * k);
        imageLayout.sections.append(s);
    }
    return Firmware::build(imageLayout);
}

} // namespace CliTest
