#include "presetfilecodec.h"

#include "devicestore.h"
#include "effectcatalogue.h"
#include "userfiles.h"
#include "valuemodel.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QUrl>

#include <cerrno>
#include <cmath>
#include <cstring>

Q_LOGGING_CATEGORY(lcPresetFile, "kt900.model.presetfile")

using namespace Kt900;

namespace {

constexpr const char *kToneCapName = "TONE CAP";
constexpr const char *kSourceSync = "SourceSync";
constexpr int kFxLoop = ModFxLoopSend;

// An integral JSON number within [lo, hi].
bool intIn(const QJsonValue &v, qint64 lo, qint64 hi, qint64 *out)
{
    if (!v.isDouble())
        return false;
    const double d = v.toDouble();
    if (!std::isfinite(d) || d != std::floor(d) || d < static_cast<double>(lo) || d > static_cast<double>(hi))
        return false;
    *out = static_cast<qint64>(d);
    return true;
}

// Any integral JSON number that fits an int (for values whose range the
// rules themselves check).
bool anyInt(const QJsonValue &v, int *out)
{
    qint64 x = 0;
    if (!intIn(v, INT32_MIN, INT32_MAX, &x))
        return false;
    *out = static_cast<int>(x);
    return true;
}

bool parseHexWord(const QString &s, std::uint32_t *out)
{
    if (s.isEmpty() || s.size() > 8)
        return false;
    std::uint32_t v = 0;
    for (const QChar c : s) {
        const ushort u = c.unicode();
        int d;
        if (u >= '0' && u <= '9')
            d = u - '0';
        else if (u >= 'a' && u <= 'f')
            d = u - 'a' + 10;
        else if (u >= 'A' && u <= 'F')
            d = u - 'A' + 10;
        else
            return false;
        v = (v << 4) | static_cast<std::uint32_t>(d);
    }
    *out = v;
    return true;
}

} // namespace

// Applies one document to one record; fails on the first broken rule.
class PresetReader
{
public:
    PresetReader(PresetFileCodec &codec, DeviceStore &store, int preset)
        : m_codec(codec), m_store(store), m_preset(preset), m_rec(store.presetEdit(preset))
    {
    }

    bool apply(const QJsonObject &root)
    {
        // QJsonObject keeps its members sorted by key: ascending order.
        for (auto it = root.constBegin(); it != root.constEnd(); ++it) {
            const QString &key = it.key();
            bool ok = true;
            if (key == QLatin1String("Capture"))
                ok = readCapture(it.value());
            else if (key == QLatin1String("CtrlSet"))
                ok = readCtrlSet(it.value());
            else if (key == QLatin1String("Exp"))
                ok = readExp(it.value());
            else if (key == QLatin1String("Merge"))
                ok = readMerge(it.value());
            else if (key == QLatin1String("Others"))
                ok = readOthers(it.value());
            else if (key == QLatin1String("effectChain"))
                ok = readChain(it.value());
            else if (key == QLatin1String("effectModule"))
                ok = readModules(it.value());
            if (!ok)
                return false;
        }
        return true;
    }

    QString error;

private:
    bool fail(const QString &why)
    {
        error = why;
        return false;
    }

    bool readCapture(const QJsonValue &v)
    {
        if (!v.isObject())
            return fail(QStringLiteral("\"Capture\" is not an object"));
        const QJsonObject c = v.toObject();
        if (c.isEmpty() || !c.contains(QLatin1String("Index")))
            return true;
        qint64 index = 0;
        if (!intIn(c.value(QLatin1String("Index")), 0, kCaptureSlots - 1, &index))
            return fail(QStringLiteral("\"Capture\" \"Index\" is not a capture slot"));
        m_codec.m_captureWords.fill(0);
        if (c.contains(QLatin1String("Data_c"))) {
            const QJsonValue dv = c.value(QLatin1String("Data_c"));
            if (!dv.isArray())
                return fail(QStringLiteral("\"Data_c\" is not an array"));
            const QJsonArray a = dv.toArray();
            if (a.size() <= PresetFileCodec::kCaptureWords) {
                for (int i = 0; i < a.size(); ++i) {
                    std::uint32_t w = 0;
                    if (!a.at(i).isString() || !parseHexWord(a.at(i).toString(), &w))
                        return fail(QStringLiteral("\"Data_c\" entry %1 is not a hexadecimal word").arg(i));
                    m_codec.m_captureWords[static_cast<std::size_t>(i)] = w ^ PresetFileCodec::kCaptureScramble;
                }
            } else {
                qCDebug(lcPresetFile) << "Data_c has" << a.size() << "entries; skipped";
            }
        }
        m_codec.m_captureExtra.fill(0);
        if (c.contains(QLatin1String("Data_g"))) {
            const QJsonValue gv = c.value(QLatin1String("Data_g"));
            if (!gv.isArray())
                return fail(QStringLiteral("\"Data_g\" is not an array"));
            const QJsonArray g = gv.toArray();
            for (int i = 0; i < g.size() && i < PresetFileCodec::kCaptureExtraBytes; ++i) {
                qint64 b = 0;
                if (!intIn(g.at(i), 0, 255, &b))
                    return fail(QStringLiteral("\"Data_g\" entry %1 is not a byte").arg(i));
                m_codec.m_captureExtra[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(b);
            }
        }
        m_codec.m_captureName.clear();
        if (c.contains(QLatin1String("Name"))) {
            if (!c.value(QLatin1String("Name")).isString())
                return fail(QStringLiteral("\"Capture\" \"Name\" is not a string"));
            m_codec.m_captureName = c.value(QLatin1String("Name")).toString();
        }
        m_codec.m_capturePresent = true;
        m_codec.m_captureIndex = static_cast<int>(index);
        return true;
    }

    bool readCtrlSet(const QJsonValue &v)
    {
        if (!v.isObject())
            return fail(QStringLiteral("\"CtrlSet\" is not an object"));
        const QJsonObject o = v.toObject();
        qint64 x = 0;
        if (o.contains(QLatin1String("Mode"))) {
            if (!intIn(o.value(QLatin1String("Mode")), 0, 255, &x))
                return fail(QStringLiteral("\"CtrlSet\" \"Mode\" is not a byte"));
            m_rec.setCtrlMode(static_cast<int>(x));
        }
        if (o.contains(QLatin1String("Fun"))) {
            if (!intIn(o.value(QLatin1String("Fun")), 0, 65535, &x))
                return fail(QStringLiteral("\"CtrlSet\" \"Fun\" is not a 16-bit value"));
            m_rec.setCtrlMask(static_cast<std::uint16_t>(x));
        }
        return true;
    }

    bool readExp(const QJsonValue &v)
    {
        if (!v.isObject())
            return fail(QStringLiteral("\"Exp\" is not an object"));
        const QJsonObject o = v.toObject();
        if (o.size() != 10)
            return fail(QStringLiteral("\"Exp\" has %1 members instead of 10").arg(o.size()));
        const QStringList &keys = PresetFileCodec::expKeys();
        for (auto it = o.constBegin(); it != o.constEnd(); ++it) {
            const int i = keys.indexOf(it.key());
            if (i < 0)
                continue;
            qint64 x = 0;
            if (!intIn(it.value(), 0, 255, &x))
                return fail(QStringLiteral("\"Exp\" \"%1\" is not a byte").arg(it.key()));
            m_rec.setExpSetting(i, static_cast<int>(x));
            // A new module index makes the old parameter index meaningless.
            if (it.key() == QLatin1String("InterModuIndex"))
                m_rec.setExpSetting(keys.indexOf(QStringLiteral("InterParIndex")), 0);
            else if (it.key() == QLatin1String("ExterModuIndex"))
                m_rec.setExpSetting(keys.indexOf(QStringLiteral("ExterParIndex")), 0);
        }
        return true;
    }

    bool readMerge(const QJsonValue &v)
    {
        if (!v.isArray())
            return fail(QStringLiteral("\"Merge\" is not an array"));
        const QJsonArray a = v.toArray();
        if (a.size() != PresetFileCodec::kMergeValues)
            return fail(QStringLiteral("\"Merge\" has %1 values instead of %2").arg(a.size()).arg(PresetFileCodec::kMergeValues));
        for (int k = 0; k < PresetFileCodec::kMergeSlots; ++k) {
            qint64 b[4];
            for (int j = 0; j < 4; ++j) {
                if (!intIn(a.at(6 * k + j), 0, 255, &b[j]))
                    return fail(QStringLiteral("\"Merge\" value %1 is not a byte").arg(6 * k + j));
            }
            const QJsonValue f1 = a.at(6 * k + 4);
            const QJsonValue f2 = a.at(6 * k + 5);
            if (!f1.isBool() || !f2.isBool())
                return fail(QStringLiteral("\"Merge\" flags of slot %1 are not true/false").arg(k));
            for (int j = 0; j < 4; ++j)
                m_rec.setMergeByte(j / 2, k, j % 2, static_cast<int>(b[j]));
            m_rec.setMergeFlag(0, k, f1.toBool() ? 1 : 0);
            m_rec.setMergeFlag(1, k, f2.toBool() ? 1 : 0);
        }
        return true;
    }

    bool readOthers(const QJsonValue &v)
    {
        if (!v.isObject())
            return fail(QStringLiteral("\"Others\" is not an object"));
        const QJsonObject o = v.toObject();
        // saved: the saved delay time written, or -1 for tempo, LED colour, volume.
        enum Kind { Tempo, Saved, Led, Vol };
        struct Field { const char *key; Kind kind; int saved; int bytes; };
        static const Field fields[] = {
            {"BPM", Tempo, -1, 2},           {"Delaytime_1", Saved, SavedDelay1, 2},
            {"Delaytime_2", Saved, SavedDelay2, 2}, {"FxAtime", Saved, SavedFxa, 2},
            {"FxBtime", Saved, SavedFxb, 2},     {"LedColor", Led, -1, 1},
            {"Volume", Vol, -1, 1},
        };
        // Ascending key order, as the members are visited.
        for (const Field &f : fields) {
            const QJsonValue fv = o.value(QLatin1String(f.key));
            if (fv.isUndefined())
                continue;
            qint64 x = 0;
            if (!intIn(fv, 0, f.bytes == 2 ? 65535 : 255, &x))
                return fail(QStringLiteral("\"Others\" \"%1\" is out of range").arg(QLatin1String(f.key)));
            switch (f.kind) {
            case Tempo: m_rec.setTempoRaw(static_cast<std::uint16_t>(x)); break;
            case Saved: m_rec.setSavedDelayTime(f.saved, static_cast<std::uint16_t>(x)); break;
            case Led: m_rec.setLedColor(static_cast<int>(x)); break;
            case Vol: m_rec.setVolume(static_cast<int>(x)); break;
            }
        }
        const QJsonValue pv = o.value(QLatin1String("pVersion"));
        if (!pv.isUndefined()) {
            if (!pv.isString())
                return fail(QStringLiteral("\"Others\" \"pVersion\" is not a string"));
            m_rec.setVersion(pv.toString());
        }
        return true;
    }

    bool readChain(const QJsonValue &v)
    {
        if (!v.isArray())
            return fail(QStringLiteral("\"effectChain\" is not an array"));
        const QJsonArray a = v.toArray();
        if (a.size() != kChainLength)
            return fail(QStringLiteral("\"effectChain\" has %1 entries instead of %2").arg(a.size()).arg(kChainLength));
        std::uint8_t order[kChainLength];
        for (int i = 0; i < kChainLength; ++i) {
            qint64 m = 0;
            if (!intIn(a.at(i), 0, kChainLength - 1, &m))
                return fail(QStringLiteral("\"effectChain\" entry %1 is not a module number").arg(i));
            order[i] = static_cast<std::uint8_t>(m);
            for (int j = 0; j < i; ++j) {
                if (order[j] == order[i]) {
                    qCDebug(lcPresetFile) << "There are two identical values";
                    return fail(QStringLiteral("\"effectChain\" names module %1 twice").arg(m));
                }
            }
        }
        for (int i = 0; i < kChainLength; ++i)
            m_rec.setChainModuleAt(i, order[i]);
        return true;
    }

    bool readModules(const QJsonValue &v)
    {
        if (!v.isObject())
            return fail(QStringLiteral("\"effectModule\" is not an object"));
        const QJsonObject o = v.toObject();
        const EffectCatalogue &cat = EffectCatalogue::instance();
        for (auto it = o.constBegin(); it != o.constEnd(); ++it) {
            if (!it.value().isObject())
                return fail(QStringLiteral("module \"%1\" is not an object").arg(it.key()));
            const QJsonObject m = it.value().toObject();
            if (it.key() == QLatin1String(kToneCapName)) {
                if (!readToneCap(m))
                    return false;
                continue;
            }
            for (int module = 0; module <= kFxLoop; ++module) {
                if (cat.chainName(module) != it.key())
                    continue;
                if (!(module == kFxLoop ? readFxLoop(m) : readModule(module, m)))
                    return false;
                break;
            }
        }
        return true;
    }

    bool readSwitch(int module, const QJsonObject &m)
    {
        if (!m.contains(QLatin1String("Switch")))
            return true;
        int s = 0;
        if (!anyInt(m.value(QLatin1String("Switch")), &s))
            return fail(QStringLiteral("\"Switch\" of module %1 is not a number").arg(module));
        if (s == 0 || s == 1)
            ValueModel::setSwitch(m_store, m_preset, module, s);
        return true;
    }

    bool readData(int module, int type, const QJsonObject &data)
    {
        const EffectCatalogue &cat = EffectCatalogue::instance();
        for (auto it = data.constBegin(); it != data.constEnd(); ++it) {
            int raw = 0;
            if (!anyInt(it.value(), &raw))
                return fail(QStringLiteral("parameter \"%1\" of module %2 is not a number").arg(it.key()).arg(module));
            const int index = cat.paramIndexByName(module, type, it.key());
            if (index < 0 || !cat.isValueValid(raw, module, type, index)) {
                qCDebug(lcPresetFile) << "skipped parameter" << it.key() << raw << "of module" << module;
                continue;
            }
            ValueModel::setParam(m_store, m_preset, module, type, index, raw);
        }
        return true;
    }

    bool readModule(int module, const QJsonObject &m)
    {
        if (!readSwitch(module, m))
            return false;
        const EffectCatalogue &cat = EffectCatalogue::instance();
        int type = m_store.blockWord(m_preset, module, 1);
        if (m.contains(QLatin1String("Type"))) {
            int t = 0;
            if (!anyInt(m.value(QLatin1String("Type")), &t))
                return fail(QStringLiteral("\"Type\" of module %1 is not a number").arg(module));
            if (t >= 0) {
                if (t >= cat.typeCount(module))
                    return fail(QStringLiteral("module %1 has no type %2").arg(module).arg(t));
                ValueModel::setType(m_store, m_preset, module, t);
                type = t;
            } else {
                type = 0; // looked up as the first type; the stored type stays
            }
        }
        if (!m.contains(QLatin1String("Data")))
            return true;
        if (!m.value(QLatin1String("Data")).isObject())
            return fail(QStringLiteral("\"Data\" of module %1 is not an object").arg(module));
        const QJsonObject data = m.value(QLatin1String("Data")).toObject();
        const int count = cat.paramCount(module, type);
        if (count < 0 || data.size() != count)
            return fail(QStringLiteral("\"Data\" of module %1 has %2 members, type %3 has %4 parameters")
                            .arg(module).arg(data.size()).arg(type).arg(count));
        return readData(module, type, data);
    }

    bool readFxLoop(const QJsonObject &m)
    {
        if (!readSwitch(kFxLoop, m))
            return false;
        if (!m.contains(QLatin1String("Data")))
            return true;
        if (!m.value(QLatin1String("Data")).isObject())
            return fail(QStringLiteral("\"Data\" of FX LOOP is not an object"));
        const QJsonObject data = m.value(QLatin1String("Data")).toObject();
        const int count = EffectCatalogue::instance().paramCount(kFxLoop, 0);
        if (data.size() != count)
            return fail(QStringLiteral("\"Data\" of FX LOOP has %1 members instead of %2").arg(data.size()).arg(count));
        return readData(kFxLoop, 0, data);
    }

    bool readToneCap(const QJsonObject &m)
    {
        int x = 0;
        if (m.contains(QLatin1String("Switch"))) {
            if (!anyInt(m.value(QLatin1String("Switch")), &x))
                return fail(QStringLiteral("\"Switch\" of TONE CAP is not a number"));
            m_store.setBlockWord(m_preset, ModToneCap, 0, x > 0 ? 1 : 0);
        }
        if (m.contains(QLatin1String("Type"))) {
            if (!anyInt(m.value(QLatin1String("Type")), &x))
                return fail(QStringLiteral("\"Type\" of TONE CAP is not a number"));
            // Only the 20 capture slots exist; anything else selects slot 0.
            m_store.setBlockWord(m_preset, ModToneCap, 1, static_cast<std::uint16_t>(x >= 0 && x < kCaptureSlots ? x : 0));
        }
        const QJsonValue dv = m.value(QLatin1String("Data"));
        if (!dv.isObject() || dv.toObject().size() != 1)
            return fail(QStringLiteral("\"Data\" of TONE CAP must have exactly one member"));
        qint64 word = 0;
        if (!intIn(dv.toObject().constBegin().value(), 0, 65535, &word))
            return fail(QStringLiteral("\"Data\" of TONE CAP is not a 16-bit value"));
        m_store.setBlockWord(m_preset, ModToneCap, 2, static_cast<std::uint16_t>(word));
        return true;
    }

    PresetFileCodec &m_codec;
    DeviceStore &m_store;
    int m_preset;
    PresetEdit m_rec;
};

PresetFileCodec::PresetFileCodec(DeviceStore *store)
    : m_store(store ? *store : DeviceStore::instance())
{
}

const QStringList &PresetFileCodec::headerKeys()
{
    static const QStringList keys = {QStringLiteral("device"), QStringLiteral("device_version"), QStringLiteral("app"),
                                     QStringLiteral("app_version"), QStringLiteral("schema"), QStringLiteral("copyright")};
    return keys;
}

const QStringList &PresetFileCodec::headerValues()
{
    // The notice is one line of exactly 60 characters.
    static const QStringList values = {QStringLiteral("TOVAK KT900"), QStringLiteral("V1.0.0"), QStringLiteral("KT900 Edit"),
                                       QStringLiteral("V1.0.0"), QStringLiteral("KT900 Preset"),
                                       QStringLiteral("Copyright (c) TOVAK. KT900 preset file. All rights reserved.")};
    return values;
}

const QStringList &PresetFileCodec::expKeys()
{
    static const QStringList keys = {
        QStringLiteral("InterExpFun"),    QStringLiteral("ExterExpFun"),       QStringLiteral("InterExpEnable"),
        QStringLiteral("ExterExpEnable"), QStringLiteral("InterExpSwitch"),    QStringLiteral("InterExpVolSwitch"),
        QStringLiteral("InterModuIndex"), QStringLiteral("InterParIndex"),     QStringLiteral("ExterModuIndex"),
        QStringLiteral("ExterParIndex")};
    return keys;
}

QByteArray PresetFileCodec::presetDocument(int presetIndex) const
{
    if (presetIndex < 0 || presetIndex >= kPresetCount)
        return {};
    const EffectCatalogue &cat = EffectCatalogue::instance();
    const PresetView rec = m_store.preset(presetIndex);
    QJsonObject root;

    QJsonObject info;
    for (int i = 0; i < headerKeys().size(); ++i)
        info.insert(headerKeys().at(i), headerValues().at(i));
    info.insert(QStringLiteral("name"), rec.name());
    root.insert(QStringLiteral("fileInfo"), info);

    QJsonObject modules;
    for (int module = 0; module <= kFxLoop; ++module) {
        QJsonObject m;
        m.insert(QStringLiteral("Switch"), m_store.blockWord(presetIndex, module, 0));
        const int type = module == kFxLoop ? 0 : m_store.blockWord(presetIndex, module, 1);
        if (module != kFxLoop)
            m.insert(QStringLiteral("Type"), type);
        const int count = std::min(cat.paramCount(module, type), moduleParamWords(module));
        // A type the catalogue does not know gets no "Data" (a reader then
        // keeps the parameter words as they are).
        if (count >= 0) {
            QJsonObject data;
            for (int i = 0; i < count; ++i) {
                const ParaInfo *p = cat.param(module, type, i);
                if (p)
                    data.insert(p->name, ValueModel::getParam(m_store, presetIndex, module, i));
            }
            m.insert(QStringLiteral("Data"), data);
        }
        modules.insert(cat.chainName(module), m);
    }
    QJsonObject tone;
    tone.insert(QStringLiteral("Switch"), m_store.blockWord(presetIndex, ModToneCap, 0));
    tone.insert(QStringLiteral("Type"), m_store.blockWord(presetIndex, ModToneCap, 1));
    tone.insert(QStringLiteral("Data"), QJsonObject{{QLatin1String(kSourceSync), m_store.blockWord(presetIndex, ModToneCap, 2)}});
    modules.insert(QLatin1String(kToneCapName), tone);
    root.insert(QStringLiteral("effectModule"), modules);

    root.insert(QStringLiteral("CtrlSet"), QJsonObject{{QStringLiteral("Mode"), rec.ctrlMode()},
                                                       {QStringLiteral("Fun"), rec.ctrlMask()}});
    QJsonArray chain;
    for (int i = 0; i < kChainLength; ++i)
        chain.append(rec.chainModuleAt(i));
    root.insert(QStringLiteral("effectChain"), chain);

    QJsonObject exp;
    for (int i = 0; i < expKeys().size(); ++i)
        exp.insert(expKeys().at(i), rec.expSetting(i));
    root.insert(QStringLiteral("Exp"), exp);

    QJsonArray merge;
    for (int k = 0; k < kMergeSlots; ++k) {
        for (int j = 0; j < 4; ++j)
            merge.append(rec.mergeByte(j / 2, k, j % 2));
        merge.append(rec.mergeFlag(0, k) != 0);
        merge.append(rec.mergeFlag(1, k) != 0);
    }
    root.insert(QStringLiteral("Merge"), merge);

    QJsonObject others;
    others.insert(QStringLiteral("Volume"), rec.volume());
    others.insert(QStringLiteral("BPM"), rec.tempoRaw());
    others.insert(QStringLiteral("LedColor"), rec.ledColor());
    others.insert(QStringLiteral("FxAtime"), rec.savedDelayTime(SavedFxa));
    others.insert(QStringLiteral("FxBtime"), rec.savedDelayTime(SavedFxb));
    others.insert(QStringLiteral("Delaytime_1"), rec.savedDelayTime(SavedDelay1));
    others.insert(QStringLiteral("Delaytime_2"), rec.savedDelayTime(SavedDelay2));
    others.insert(QStringLiteral("pVersion"), rec.version());
    root.insert(QStringLiteral("Others"), others);

    // The capture of the slot this preset uses, when that slot is filled.
    QJsonObject capture;
    const int slot = m_store.blockWord(presetIndex, ModToneCap, 1);
    if (slot >= 0 && slot < kCaptureSlots && m_store.captureUsed(slot)) {
        capture.insert(QStringLiteral("Index"), slot);
        capture.insert(QStringLiteral("Name"), m_store.slotName(ListCapture, slot));
        QJsonArray words;
        const std::uint8_t *data = m_store.captureData(slot);
        for (int i = 0; i < kCaptureWords; ++i) {
            const std::uint32_t w = getU32(data + 4 * i) ^ kCaptureScramble;
            words.append(QStringLiteral("%1").arg(w, 8, 16, QLatin1Char('0')));
        }
        capture.insert(QStringLiteral("Data_c"), words);
        QJsonArray extra;
        const std::uint8_t *amp = m_store.captureAmpList() + slot * kCaptureAmpEntry;
        for (int i = 0; i < kCaptureAmpEntry; ++i)
            extra.append(amp[i]);
        capture.insert(QStringLiteral("Data_g"), extra);
    }
    root.insert(QStringLiteral("Capture"), capture);

    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

bool PresetFileCodec::writePresetFile(int presetIndex, const QString &path, int *error) const
{
    if (presetIndex < 0 || presetIndex >= kPresetCount)
        return false;
    const QByteArray doc = presetDocument(presetIndex);
    // Written to a temporary file and renamed over the target only when
    // complete: a failed export never destroys the previous file. Unbuffered,
    // so that a short write (disk full) shows in write()'s count.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        m_lastError = file.errorString();
        qCWarning(lcPresetFile) << "cannot create" << path << file.errorString();
        if (error)
            *error = FileCannotOpen;
        return false;
    }
    errno = 0;
    if (file.write(doc) != doc.size() || !file.commit()) {
        // A full disk can come back from the rename as "Unknown error": the
        // system's own reason is the one the user can act on.
        const int err = errno;
        m_lastError = err == ENOSPC ? QCoreApplication::translate("PresetFileCodec", "no space left on the device") : file.errorString();
        qCWarning(lcPresetFile) << "cannot write" << path << file.errorString();
        file.cancelWriting();
        if (error)
            *error = FileWriteFailed;
        return false;
    }
    if (error)
        *error = FileOk;
    return true;
}

PresetFileCodec::HeaderCheckResult PresetFileCodec::checkHeader(const QByteArray &bytes) const
{
    QJsonParseError err;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &err);
    if (err.error != QJsonParseError::NoError || !doc.isObject()) {
        m_lastError = err.error != QJsonParseError::NoError ? err.errorString() : QStringLiteral("not a JSON object");
        return HeaderNotJson;
    }
    const QJsonObject root = doc.object();
    if (!root.contains(QLatin1String("fileInfo")))
        return HeaderOk;
    const QJsonObject info = root.value(QLatin1String("fileInfo")).toObject();
    for (int i = 0; i < 5; ++i) {
        const QJsonValue v = info.value(headerKeys().at(i));
        if (!v.isString() || v.toString() != headerValues().at(i)) {
            m_lastError = QStringLiteral("\"%1\" is not \"%2\"").arg(headerKeys().at(i), headerValues().at(i));
            return static_cast<HeaderCheckResult>(HeaderWrongDevice + i);
        }
    }
    return HeaderOk;
}

bool PresetFileCodec::readPresetFile(int presetIndex, const QByteArray &bytes)
{
    m_capturePresent = false;
    m_captureIndex = 0;
    m_captureName.clear();
    m_captureWords.fill(0);
    m_captureExtra.fill(0);
    m_lastError.clear();
    Record *rec = m_store.record(presetIndex);
    if (!rec) {
        m_lastError = QStringLiteral("no preset %1").arg(presetIndex);
        return false;
    }
    QJsonParseError err;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &err);
    if (err.error != QJsonParseError::NoError || !doc.isObject()) {
        qCDebug(lcPresetFile) << "json error!";
        m_lastError = err.error != QJsonParseError::NoError ? err.errorString() : QStringLiteral("not a JSON object");
        return false;
    }
    const Record before = *rec;
    PresetReader reader(*this, m_store, presetIndex);
    if (!reader.apply(doc.object())) {
        *rec = before;
        m_capturePresent = false;
        m_lastError = reader.error;
        qCDebug(lcPresetFile) << "preset file refused:" << reader.error;
        return false;
    }
    return true;
}

int PresetFileCodec::readFile(const QString &path, QByteArray *bytes) const
{
    if (bytes)
        bytes->clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_lastError = file.errorString();
        return FileCannotOpen;
    }
    if (file.size() > kMaxFileSize) {
        m_lastError = QStringLiteral("the file is too large for a preset file");
        return FileCannotOpen;
    }
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        m_lastError = file.errorString();
        return FileCannotOpen;
    }
    if (data.isEmpty()) {
        m_lastError = QStringLiteral("the file is empty");
        return FileEmpty;
    }
    if (bytes)
        *bytes = data;
    return FileOk;
}

PresetFileCodec::PresetImportResult PresetFileCodec::importPresetFile(int presetIndex, const QString &path)
{
    if (presetIndex < 0 || presetIndex >= kPresetCount) {
        m_lastError = QStringLiteral("no preset %1").arg(presetIndex);
        return ImportFailed;
    }
    QByteArray bytes;
    if (readFile(path, &bytes) != FileOk || checkHeader(bytes) != HeaderOk || !readPresetFile(presetIndex, bytes))
        return ImportFailed;

    // The preset takes the file's base name: at most 16 bytes of UTF-8, cut
    // at a character boundary.
    const QString base = QFileInfo(path).completeBaseName().left(kNameSize);
    QByteArray name;
    for (int i = 0; i < base.size(); ++i) {
        const int len = (base.at(i).isHighSurrogate() && i + 1 < base.size()) ? 2 : 1;
        const QByteArray c = base.mid(i, len).toUtf8();
        if (name.size() + c.size() > kNameSize)
            break;
        name.append(c);
        i += len - 1;
    }
    m_store.presetEdit(presetIndex).setNameBytes(reinterpret_cast<const std::uint8_t *>(name.constData()), name.size());

    if (m_store.currentPresetIndex() == presetIndex)
        *m_store.record(kEditBuffer) = *m_store.record(presetIndex);

    if (!m_capturePresent)
        return ImportNoCapture;
    const int slot = m_store.blockWord(presetIndex, ModToneCap, 1);
    if (slot < 0 || slot >= kCaptureSlots) {
        qCWarning(lcPresetFile) << "the imported preset names capture slot" << slot << "; its capture is not used";
        return ImportNoCapture;
    }
    if (!m_store.captureUsed(slot))
        return ImportCaptureSlotEmpty;
    const QByteArray mine = captureBytes();
    return std::memcmp(mine.constData(), m_store.captureData(slot), kCaptureBytes) == 0 ? ImportCaptureSame
                                                                                          : ImportCaptureDiffers;
}

bool PresetFileCodec::isPresetFile(const QString &path) const
{
    QByteArray bytes;
    return readFile(path, &bytes) == FileOk && checkHeader(bytes) == HeaderOk;
}

QString PresetFileCodec::defaultPresetFolder()
{
    return UserFiles::presetFolder();
}

QString PresetFileCodec::presetFolder() const
{
    // Decided on first use: a tool without an application object that never
    // asks for the folder does not need one.
    if (m_folder.isEmpty())
        m_folder = defaultPresetFolder();
    return m_folder;
}

void PresetFileCodec::setPresetFolder(const QString &folder)
{
    m_folder = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

QString PresetFileCodec::presetFilePath(const QString &presetName) const
{
    return presetFolder() + presetName.trimmed() + QStringLiteral(".tp");
}

bool PresetFileCodec::openPresetFolder() const
{
    const QDir dir(presetFolder());
    if (!dir.exists())
        return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(dir.absolutePath()));
}

QByteArray PresetFileCodec::captureBytes() const
{
    QByteArray b(kCaptureBytes, '\0');
    for (int i = 0; i < kCaptureWords; ++i)
        putU32(reinterpret_cast<std::uint8_t *>(b.data()) + 4 * i, m_captureWords[static_cast<std::size_t>(i)]);
    return b;
}
