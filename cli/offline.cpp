#include "offline.h"

#include "output.h"

#include "backupformat.h"
#include "devicestore.h"
#include "effectcatalogue.h"
#include "firmwarefile.h"
#include "identity.h"
#include "irdata.h"
#include "presetfilecodec.h"
#include "resources.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSaveFile>

#include <cstring>

namespace Cli {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("kt900", text);
}

// Larger files are none of the kinds checked here (a backup is well below 1 MB).
constexpr qint64 kMaxCheckedFile = 64 * 1024 * 1024;

bool readWhole(const QString &path, QByteArray *bytes, QString *reason)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *reason = tr("cannot open the file: %1").arg(f.errorString());
        return false;
    }
    if (f.size() > kMaxCheckedFile) {
        // Named after the kind its name promises, with its real size.
        const QString suffix = QFileInfo(path).suffix().toLower();
        *reason = suffix == QLatin1String("tbf") ? tr("the file is too large for a backup file (%1 bytes)").arg(f.size())
                                                 : tr("the file is too large (%1 bytes)").arg(f.size());
        return false;
    }
    *bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        *reason = tr("cannot read the file: %1").arg(f.errorString());
        return false;
    }
    return true;
}

QString hex2(int v)
{
    return QStringLiteral("0x%1").arg(v, 2, 16, QLatin1Char('0'));
}

// The value of one fileInfo key as written, for the header messages.
QString fileInfoValue(const QByteArray &bytes, const QString &key, bool *present)
{
    const QJsonObject info = QJsonDocument::fromJson(bytes).object().value(QLatin1String("fileInfo")).toObject();
    const QJsonValue v = info.value(key);
    *present = !v.isUndefined();
    if (v.isString())
        return v.toString();
    return QString::fromUtf8(QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact)).mid(1).chopped(1);
}

// The header check with the editor's rule, as a sentence.
QString headerProblem(const PresetFileCodec &codec, const QByteArray &bytes)
{
    const int h = codec.checkHeader(bytes);
    if (h == PresetFileCodec::HeaderOk)
        return QString();
    if (h == PresetFileCodec::HeaderNotJson)
        return tr("not a preset file: %1").arg(codec.lastError().isEmpty() ? tr("not a JSON document") : codec.lastError());
    const int i = h - PresetFileCodec::HeaderWrongDevice;
    const QString key = PresetFileCodec::headerKeys().at(i);
    const QString expected = PresetFileCodec::headerValues().at(i);
    bool present = false;
    const QString actual = fileInfoValue(bytes, key, &present);
    if (!present)
        return tr("not a preset file: %1 is missing, expected '%2'").arg(key, expected);
    return tr("not a preset file: %1 is '%2', expected '%3'").arg(key, actual, expected);
}

// The editor's preset name rule, which also decides which files its preset
// folder lists.
bool isListedName(const QString &base)
{
    static const QRegularExpression rule(QStringLiteral("^[a-zA-Z0-9 ]+$"));
    return rule.match(base).hasMatch();
}

void checkPreset(const QString &path, CheckReport &r)
{
    if (!loadCatalogue()) {
        r.reason = tr("the effect catalogue cannot be read");
        return;
    }
    Kt900::DeviceStore scratch;
    *scratch.record(0) = Kt900::emptyPreset();
    PresetFileCodec codec(&scratch);
    QByteArray bytes;
    const int rc = codec.readFile(path, &bytes);
    if (rc == PresetFileCodec::FileEmpty) {
        r.reason = tr("the file is empty");
        return;
    }
    if (rc != PresetFileCodec::FileOk) {
        r.reason = tr("cannot read the file: %1").arg(codec.lastError());
        return;
    }
    r.reason = headerProblem(codec, bytes);
    if (!r.reason.isEmpty())
        return;
    if (!codec.readPresetFile(0, bytes)) {
        r.reason = tr("the preset file is damaged: %1").arg(codec.lastError());
        return;
    }
    r.valid = true;

    const EffectCatalogue &cat = EffectCatalogue::instance();
    const QJsonObject root = QJsonDocument::fromJson(bytes).object();
    const QString fileName = root.value(QLatin1String("fileInfo")).toObject().value(QLatin1String("name")).toString();
    const QString base = QFileInfo(path).completeBaseName();
    const QString importName = base.left(Kt900::kNameSize);
    r.details << tr("name in the file: %1").arg(fileName.isEmpty() ? tr("(none)") : fileName);
    r.details << tr("imported as: %1").arg(importName);
    r.json.insert(QStringLiteral("name"), fileName);
    r.json.insert(QStringLiteral("importName"), importName);

    QStringList chain;
    QJsonArray chainJson;
    const Kt900::PresetView rec = scratch.preset(0);
    for (int i = 0; i < Kt900::kChainLength; ++i) {
        const int m = rec.chainModuleAt(i);
        chain << cat.chainName(m);
        chainJson.append(cat.chainName(m));
    }
    r.details << tr("chain: %1").arg(chain.join(QStringLiteral(" > ")));
    r.json.insert(QStringLiteral("chain"), chainJson);
    QJsonObject modules;
    for (int m = 0; m <= Kt900::ModReverb; ++m) {
        const bool on = scratch.blockWord(0, m, 0) != 0;
        const QString type = cat.typeName(m, scratch.blockWord(0, m, 1));
        r.details << QStringLiteral("%1: %2 (%3)").arg(cat.chainName(m), type, on ? tr("on") : tr("off"));
        modules.insert(cat.chainName(m), QJsonObject{{QStringLiteral("type"), type}, {QStringLiteral("on"), on}});
    }
    r.json.insert(QStringLiteral("modules"), modules);
    r.details << tr("tempo: %1 BPM, volume %2").arg(scratch.presetTempoBpm(0)).arg(scratch.presetVolume(0));
    r.json.insert(QStringLiteral("bpm"), scratch.presetTempoBpm(0));
    r.json.insert(QStringLiteral("volume"), scratch.presetVolume(0));

    const int toneSlot = scratch.blockWord(0, Kt900::ModToneCap, 1);
    if (codec.capturePresent()) {
        r.details << tr("tone capture: \"%1\" (from slot %2; the preset uses slot %3)")
                         .arg(codec.captureName()).arg(codec.captureIndex() + 1).arg(toneSlot + 1);
        r.json.insert(QStringLiteral("capture"), QJsonObject{{QStringLiteral("name"), codec.captureName()},
                                                            {QStringLiteral("slot"), codec.captureIndex() + 1}});
    } else {
        r.details << tr("tone capture: none");
        r.json.insert(QStringLiteral("capture"), QJsonValue::Null);
    }
    if (!isListedName(base))
        r.notes << tr("the editor does not list this file in its preset folder: the name may hold only letters, digits and spaces");
    if (base.size() > Kt900::kNameSize)
        r.notes << tr("the file name is longer than 16 characters; the imported preset is named '%1'").arg(importName);
}

void checkBackup(const QByteArray &bytes, CheckReport &r)
{
    QVector<BackupFormat::GroupData> groups;
    if (!BackupFormat::parse(bytes, &groups, &r.reason))
        return;
    r.valid = true;
    BackupFormat::Header header;
    BackupFormat::checkData(bytes, &header);
    r.details << tr("made by: %1 %2, format %3").arg(header.maker, header.device, header.version);
    r.json.insert(QStringLiteral("device"), header.device);
    r.json.insert(QStringLiteral("version"), header.version);
    QJsonArray groupsJson;
    for (const BackupFormat::GroupData &g : groups) {
        QStringList slotList;
        QJsonArray indexes;
        const bool slotted = g.group == BackupFormat::Group::Capture || g.group == BackupFormat::Group::Ir
                             || g.group == BackupFormat::Group::Amp;
        for (const BackupFormat::Item &item : g.items) {
            indexes.append(slotted ? item.index + 1 : item.index);
            if (slotted) {
                const QString name = Kt900::nameFromBytes(reinterpret_cast<const std::uint8_t *>(item.data.constData()));
                slotList << QStringLiteral("%1:%2").arg(item.index + 1).arg(name);
            }
        }
        QString line = QStringLiteral("%1: %2").arg(QString::fromLatin1(g.name)).arg(
            g.group == BackupFormat::Group::Unknown ? tr("unknown group, skipped by a recall") : QCoreApplication::translate("kt900", "%n item(s)", nullptr, g.items.size()));
        if (slotted && !slotList.isEmpty())
            line += QStringLiteral(" (") + slotList.join(QStringLiteral(", ")) + QLatin1Char(')');
        r.details << line;
        QJsonObject gj{{QStringLiteral("name"), QString::fromLatin1(g.name)},
                       {QStringLiteral("items"), g.items.size()},
                       {QStringLiteral("known"), g.group != BackupFormat::Group::Unknown}};
        if (slotted)
            gj.insert(QStringLiteral("slots"), indexes);
        groupsJson.append(gj);
    }
    r.json.insert(QStringLiteral("groups"), groupsJson);
    bool presets = false;
    for (const BackupFormat::GroupData &g : groups)
        presets = presets || (g.group == BackupFormat::Group::Preset && g.items.size() == Kt900::kPresetCount);
    if (!presets)
        r.notes << tr("the file does not hold all 255 presets");
}

void describeWav(const QByteArray &bytes, CheckReport &r)
{
    IrData::WavFormat f;
    if (!IrData::parseWav(bytes, &f))
        return;
    const QString sampleFormat = f.isFloat ? tr("%1-bit float").arg(f.bitsPerSample) : tr("%1-bit integer").arg(f.bitsPerSample);
    const qint64 used = std::min<qint64>(f.frames, IrData::frameLimit(f.sampleRate));
    r.details << tr("format: %1, %2 channel(s), %3 Hz").arg(sampleFormat).arg(f.channels).arg(f.sampleRate);
    r.details << tr("length: %1 frames (%2 ms); the first %3 frames of channel 1 are used")
                     .arg(f.frames).arg(f.frames * 1000 / std::max(1, f.sampleRate)).arg(used);
    r.json.insert(QStringLiteral("sampleRate"), f.sampleRate);
    r.json.insert(QStringLiteral("channels"), f.channels);
    r.json.insert(QStringLiteral("bitsPerSample"), f.bitsPerSample);
    r.json.insert(QStringLiteral("float"), f.isFloat);
    r.json.insert(QStringLiteral("frames"), f.frames);
    r.json.insert(QStringLiteral("framesUsed"), used);
}

// The slot name the editor derives from the file name, with its rule.
bool checkSlotName(const QString &path, CheckReport &r)
{
    const QString name = IrData::slotNameForFile(path);
    r.json.insert(QStringLiteral("slotName"), name);
    if (!IrData::isValidSlotName(name)) {
        r.reason = tr("the file name '%1' cannot name a slot: printable ASCII characters only").arg(name);
        r.valid = false;
        return false;
    }
    r.details << tr("slot name: %1").arg(name);
    return true;
}

void checkWav(const QString &path, const QByteArray &bytes, CheckReport &r)
{
    QByteArray words;
    describeWav(bytes, r);
    if (!IrData::convertWav(bytes, &words, &r.reason))
        return;
    r.valid = true;
    checkSlotName(path, r);
}

void checkAmp(const QString &path, const QByteArray &bytes, CheckReport &r)
{
    QByteArray data;
    if (!IrData::prepareNrData(bytes, &data, &r.reason))
        return;
    r.valid = true;
    r.details << tr("size: %1 bytes").arg(bytes.size());
    r.json.insert(QStringLiteral("size"), bytes.size());
    if (bytes.size() > IrData::kNrBytes)
        r.notes << tr("only the first %1 of its %2 bytes are sent").arg(IrData::kNrBytes).arg(bytes.size());
    checkSlotName(path, r);
}

// Everything the updater reads from a firmware file, as far as it can be read.
struct FirmwareDescription
{
    QStringList lines;
    QJsonObject json;
    bool valid = false;
    QString reason;
    QStringList notes;
};

FirmwareDescription describeFirmware(const QString &path, const QByteArray &file)
{
    FirmwareDescription d;
    d.json.insert(QStringLiteral("size"), file.size());
    const QByteArray model = Identity::kExpectedName;
    Firmware::Header h;
    const Firmware::FileError headerError = Firmware::readHeader(file, &h);
    d.json.insert(QStringLiteral("tag"), headerError != Firmware::FileError::BadTag);
    if (headerError == Firmware::FileError::None) {
        d.lines << tr("model: %1").arg(QString::fromLatin1(h.modelName));
        d.lines << tr("apply: command %1, acknowledgement %2, wait %3 ms, argument 0x%4")
                       .arg(hex2(h.applyCode), hex2(h.applyAckCode)).arg(h.applyWait)
                       .arg(h.applyArgument, 8, 16, QLatin1Char('0'));
        d.lines << tr("sections: %1").arg(h.sectionCount);
        d.json.insert(QStringLiteral("model"), QString::fromLatin1(h.modelName));
        d.json.insert(QStringLiteral("applyCode"), h.applyCode);
        d.json.insert(QStringLiteral("applyAckCode"), h.applyAckCode);
        d.json.insert(QStringLiteral("applyWait"), static_cast<qint64>(h.applyWait));
        d.json.insert(QStringLiteral("applyArgument"), static_cast<qint64>(h.applyArgument));
        d.json.insert(QStringLiteral("sectionCount"), h.sectionCount);
        QJsonArray sections;
        for (int k = 1; k <= h.sectionCount; ++k) {
            Firmware::Section s;
            if (!Firmware::readSection(file, h, k, &s)) {
                d.lines << tr("  %1: header past the end of the file").arg(k);
                break;
            }
            d.lines << tr("  %1: header at %2, data at %3, %4 bytes (%5 blocks), block command %6, acknowledgement %7, wait %8 ms, first block %9")
                           .arg(k).arg(s.headerOffset).arg(s.dataOffset).arg(s.dataLength).arg(s.blockCount())
                           .arg(hex2(s.blockCode), hex2(s.blockAckCode)).arg(s.blockWait).arg(s.firstBlock);
            sections.append(QJsonObject{{QStringLiteral("headerOffset"), static_cast<qint64>(s.headerOffset)},
                                        {QStringLiteral("dataOffset"), s.dataOffset},
                                        {QStringLiteral("dataLength"), static_cast<qint64>(s.dataLength)},
                                        {QStringLiteral("blocks"), s.blockCount()},
                                        {QStringLiteral("blockCode"), s.blockCode},
                                        {QStringLiteral("blockAckCode"), s.blockAckCode},
                                        {QStringLiteral("blockWait"), static_cast<qint64>(s.blockWait)},
                                        {QStringLiteral("firstBlock"), s.firstBlock}});
        }
        d.json.insert(QStringLiteral("sections"), sections);
        const qint64 total = Firmware::totalBlockCount(file.size(), h.sectionCount);
        d.lines << tr("total blocks (progress): %1").arg(total);
        d.json.insert(QStringLiteral("totalBlocks"), total);
    }
    Firmware::Image image;
    const Firmware::FileError e = Firmware::parse(file, model, &image);
    d.valid = e == Firmware::FileError::None;
    if (!d.valid)
        d.reason = QString::fromLatin1(Firmware::fileErrorText(e));
    if (e == Firmware::FileError::WrongModel)
        d.reason = tr("firmware for another model: '%1', expected '%2'").arg(QString::fromLatin1(h.modelName), QString::fromLatin1(model));

    // The launcher picks files named "<model>*.tk" by the version digits of the name.
    const QString name = QFileInfo(path).fileName();
    static const QRegularExpression versioned(QStringLiteral("^%1_V([0-9])\\.([0-9])\\.([0-9])\\.tk$").arg(QString::fromLatin1(model)),
                                              QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = versioned.match(name);
    if (m.hasMatch()) {
        const QString v = QStringLiteral("V%1.%2.%3").arg(m.captured(1), m.captured(2), m.captured(3));
        d.lines << tr("version in the file name: %1").arg(v);
        d.json.insert(QStringLiteral("nameVersion"), v);
    } else if (!name.startsWith(QString::fromLatin1(model), Qt::CaseInsensitive) || !name.endsWith(QLatin1String(".tk"), Qt::CaseInsensitive)) {
        d.notes << tr("the launcher only picks files named %1_V<d>.<d>.<d>.tk from its Firmware folder").arg(QString::fromLatin1(model));
    }
    return d;
}

void checkFirmware(const QString &path, const QByteArray &bytes, CheckReport &r)
{
    const FirmwareDescription d = describeFirmware(path, bytes);
    r.valid = d.valid;
    r.reason = d.reason;
    r.details = d.lines;
    r.notes = d.notes;
    for (auto it = d.json.begin(); it != d.json.end(); ++it)
        r.json.insert(it.key(), it.value());
}

void printReport(const CheckReport &r, Output &out)
{
    if (r.valid)
        out.line(QStringLiteral("%1: %2").arg(r.path, tr("valid %1").arg(fileKindName(r.kind))));
    else
        out.line(QStringLiteral("%1: %2").arg(r.path, tr("not a valid %1: %2").arg(fileKindName(r.kind), r.reason)));
    for (const QString &d : r.details)
        out.line(QStringLiteral("  ") + d);
    for (const QString &n : r.notes)
        out.line(QStringLiteral("  ") + tr("note: %1").arg(n));
}

QJsonObject reportJson(const CheckReport &r)
{
    QJsonObject o = r.json;
    o.insert(QStringLiteral("file"), r.path);
    o.insert(QStringLiteral("kind"), fileKindKey(r.kind));
    o.insert(QStringLiteral("valid"), r.valid);
    o.insert(QStringLiteral("reason"), r.valid ? QJsonValue(QJsonValue::Null) : QJsonValue(r.reason));
    o.insert(QStringLiteral("notes"), QJsonArray::fromStringList(r.notes));
    return o;
}

} // namespace

bool loadCatalogue()
{
    static int state = -1;   // -1 not tried, 0 failed, 1 loaded
    if (state < 0) {
        kt900InitResources();
        state = EffectCatalogue::instance().load(QString::fromLatin1(EffectCatalogue::kResourcePath)) ? 1 : 0;
    }
    return state == 1;
}

FileKind fileKindOf(const QString &path, const QByteArray &head)
{
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == QLatin1String("tp"))
        return FileKind::Preset;
    if (ext == QLatin1String("tbf"))
        return FileKind::Backup;
    if (ext == QLatin1String("tk"))
        return FileKind::Firmware;
    if (ext == QLatin1String("wav"))
        return FileKind::Wav;
    if (ext == QLatin1String("amp"))
        return FileKind::Amp;
    if (head.startsWith("RIFF"))
        return FileKind::Wav;
    if (head.startsWith(Firmware::kTag))
        return FileKind::Firmware;
    if (head.startsWith("TOVAK") || head.mid(72, 4) == "BUFF")
        return FileKind::Backup;
    if (head.trimmed().startsWith('{'))
        return FileKind::Preset;
    return FileKind::Unknown;
}

QString fileKindName(FileKind kind)
{
    switch (kind) {
    case FileKind::Preset: return tr("preset file");
    case FileKind::Backup: return tr("backup file");
    case FileKind::Firmware: return tr("firmware file");
    case FileKind::Wav: return tr("IR file");
    case FileKind::Amp: return tr("NR file");
    case FileKind::Unknown: break;
    }
    return tr("file");
}

QString fileKindKey(FileKind kind)
{
    switch (kind) {
    case FileKind::Preset: return QStringLiteral("preset");
    case FileKind::Backup: return QStringLiteral("backup");
    case FileKind::Firmware: return QStringLiteral("firmware");
    case FileKind::Wav: return QStringLiteral("ir");
    case FileKind::Amp: return QStringLiteral("nr");
    case FileKind::Unknown: break;
    }
    return QStringLiteral("unknown");
}

CheckReport checkFile(const QString &path)
{
    CheckReport r;
    r.path = path;
    QByteArray bytes;
    if (!readWhole(path, &bytes, &r.reason)) {
        r.kind = fileKindOf(path, QByteArray());
        return r;
    }
    r.kind = fileKindOf(path, bytes.left(128));
    switch (r.kind) {
    case FileKind::Preset: checkPreset(path, r); break;
    case FileKind::Backup: checkBackup(bytes, r); break;
    case FileKind::Firmware: checkFirmware(path, bytes, r); break;
    case FileKind::Wav: checkWav(path, bytes, r); break;
    case FileKind::Amp: checkAmp(path, bytes, r); break;
    case FileKind::Unknown:
        r.reason = tr("unknown kind of file (expected .tp, .tbf, .tk, .wav or .amp)");
        break;
    }
    return r;
}

bool checkPresetFile(const QString &path, QString *reason)
{
    CheckReport r;
    r.path = path;
    r.kind = FileKind::Preset;
    checkPreset(path, r);
    *reason = r.reason;
    return r.valid;
}

bool checkSlotFile(const QString &path, bool ir, QString *reason)
{
    CheckReport r;
    r.path = path;
    QByteArray bytes;
    if (!readWhole(path, &bytes, &r.reason)) {
        *reason = r.reason;
        return false;
    }
    if (ir)
        checkWav(path, bytes, r);
    else
        checkAmp(path, bytes, r);
    *reason = r.reason;
    return r.valid;
}

int runCheck(const QStringList &files, bool json, Output &out)
{
    bool allValid = true;
    QJsonArray reports;
    for (const QString &path : files) {
        const CheckReport r = checkFile(path);
        allValid = allValid && r.valid;
        if (json)
            reports.append(reportJson(r));
        else
            printReport(r, out);
        if (!r.valid)
            out.error(QStringLiteral("%1: %2").arg(path, r.reason));
    }
    if (json)
        out.json(reports.size() == 1 ? QJsonDocument(reports.first().toObject()) : QJsonDocument(reports));
    return allValid ? 0 : 1;
}

int runFirmwareInfo(const QString &path, bool json, Output &out)
{
    QByteArray bytes;
    QString reason;
    if (!readWhole(path, &bytes, &reason)) {
        out.error(QStringLiteral("%1: %2").arg(path, reason));
        return 1;
    }
    const FirmwareDescription d = describeFirmware(path, bytes);
    if (json) {
        QJsonObject o = d.json;
        o.insert(QStringLiteral("file"), path);
        o.insert(QStringLiteral("valid"), d.valid);
        o.insert(QStringLiteral("reason"), d.valid ? QJsonValue(QJsonValue::Null) : QJsonValue(d.reason));
        o.insert(QStringLiteral("notes"), QJsonArray::fromStringList(d.notes));
        out.json(QJsonDocument(o));
    } else {
        out.line(tr("%1: %2 bytes").arg(path).arg(bytes.size()));
        for (const QString &l : d.lines)
            out.line(QStringLiteral("  ") + l);
        out.line(QStringLiteral("  ") + (d.valid ? tr("the updater accepts this file") : tr("the updater refuses this file: %1").arg(d.reason)));
        for (const QString &n : d.notes)
            out.line(QStringLiteral("  ") + tr("note: %1").arg(n));
    }
    if (!d.valid) {
        out.error(QStringLiteral("%1: %2").arg(path, d.reason));
        return 1;
    }
    return 0;
}

int runIrConvert(const QString &wav, const QString &outPath, Output &out)
{
    QByteArray words;
    QString reason;
    if (!IrData::loadIrFile(wav, &words, &reason)) {
        out.error(QStringLiteral("%1: %2").arg(wav, reason));
        return 1;
    }
    // Replaced only by a complete new file.
    QSaveFile f(outPath);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        out.error(tr("cannot create %1: %2").arg(outPath, f.errorString()));
        return 1;
    }
    if (f.write(words) != words.size() || !f.commit()) {
        const QString why = f.errorString();
        f.cancelWriting();
        out.error(tr("cannot write %1: %2").arg(outPath, why));
        return 1;
    }
    out.line(tr("%1: %2 bytes written").arg(outPath).arg(words.size()));
    return 0;
}

} // namespace Cli
