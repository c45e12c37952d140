#pragma once

// Impulse responses (IR) and amp captures (NR) for the unit's user slots.
//
// The unit keeps ten IR slots of 2048 samples each and ten NR slots of 1584
// bytes each. An IR comes from a ".wav" file: it is reduced to its first
// channel, limited to the length of 2048 samples at 44.1 kHz, resampled to
// 44.1 kHz and stored as 2048 little-endian 32-bit words, each holding a
// signed 24-bit sample in its low three bytes (top byte 0). An NR comes from
// an ".amp" file whose first 1584 bytes are sent as they are.
//
// The conversion functions are pure (bytes in, bytes out) so that the editor
// and command-line tools share them. Failures come with a reason a user can
// read ("unsupported sample rate 22050 Hz").

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace IrData {

constexpr int kIrSamples = 2048;
constexpr int kIrBytes = kIrSamples * 4;   // 8192
constexpr int kNrBytes = 1584;
constexpr int kSlotCount = 10;
constexpr int kSlotNameChars = 15;

// Catalogue rows of the user slots: CAB rows 32..41 are the IR slots,
// AMP rows 70..79 the NR slots.
constexpr int kIrFirstTypeRow = 32;
constexpr int kNrFirstTypeRow = 70;

// Longest input used, in frames, per accepted sample rate: the duration of
// 2048 samples at 44.1 kHz.
int frameLimit(int sampleRate);          // 0 for an unsupported rate
// Step between output samples in input samples (1.0 at 44.1 kHz).
double resampleRatio(int sampleRate);    // 0 for an unsupported rate

struct WavFormat
{
    int formatTag = 0;      // as written in the file (1 PCM, 3 float, 0xFFFE extensible)
    bool isFloat = false;   // samples are IEEE floats (tag 3, or extensible with the float sub-format)
    int channels = 0;
    int sampleRate = 0;
    int bitsPerSample = 0;  // container width: 8, 16, 24 or 32
    qint64 dataOffset = 0;  // first sample byte in the file
    qint64 frames = 0;      // whole frames present in the file
};

// Reads the header of a RIFF/WAVE file and checks that the editor can use it.
// False, with a reason, for anything it cannot convert.
bool parseWav(const QByteArray &wav, WavFormat *format, QString *reason = nullptr);

// Converts a whole ".wav" file into the 8192 bytes of an IR slot. On failure
// out is left empty and reason says why.
bool convertWav(const QByteArray &wav, QByteArray *out, QString *reason = nullptr);

// Float sample to a 24-bit sample: x * 2^23 truncated toward zero, with
// exactly +1.0 giving 0x7FFFF7 and -1.0 giving -0x7FFFF7 (0x800009 as 24
// bits). Values beyond full scale are limited to those; NaN gives 0.
std::int32_t floatTo24(double x);
// A signed 24-bit sample as stored in an IR word (low three bytes, top byte 0).
inline std::uint32_t packWord(std::int32_t sample24) { return static_cast<std::uint32_t>(sample24) & 0x00FFFFFFu; }

// Reads a ".wav" file and converts it (8192 bytes).
bool loadIrFile(const QString &path, QByteArray *out, QString *reason = nullptr);
// Reads an ".amp" file: its first 1584 bytes. Shorter files are refused.
bool loadNrFile(const QString &path, QByteArray *out, QString *reason = nullptr);
bool prepareNrData(const QByteArray &amp, QByteArray *out, QString *reason = nullptr);

// The slot name of a file: the first 15 characters of its complete base name.
QString slotNameForFile(const QString &path);
// A slot name must be printable ASCII only ("^[ -~]+$").
bool isValidSlotName(const QString &name);
// "%1:%2": the type row + 1 as two digits, then the name; "%1:EMPTY" for an
// empty name.
QString slotLabel(int typeRow, const QString &name);
QString emptySlotLabel(int typeRow);

// Slot index 0..9 of a catalogue type row of CAB (module 3) or AMP (module 2);
// -1 for any other module or row.
int slotForTypeRow(int module, int typeRow);

} // namespace IrData
