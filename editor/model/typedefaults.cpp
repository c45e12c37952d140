// Default raw values loaded into a module's parameter words when its type
// (model) changes: one row per type in catalogue order, one value per
// parameter word of the module block. Types with fewer parameters than the
// block has words carry trailing values that the type change does not load.
//
// Modules 9 and 10 (FX LOOP) and 11 (tone capture) have no rows.

#include "valuemodel.h"

#include <cstddef>
#include <cstdint>

namespace {

// FXA: 4 words per type
const std::uint16_t kFxa[][4] = {
    {  90,   25,   40,   65}, // 01:CRY WAH
    {  90,   25,   40,   65}, // 02:535 WAH
    { 160,   60,   50,   80}, // 03:AUTO WAH
    { 160,   60,   50,   80}, // 04:TALK WAH AH
    { 160,   60,   50,   80}, // 05:TALK WAH OH
    { 100,   35,   10,   80}, // 06:TOUCH WAH
    {  80,   60,   25,   70}, // 07:YELLOW COMP
    {  80,   60,   25,   70}, // 08:BLUE COMP
    { 320,   50,   55,    0}, // 09:PHASER
    { 320,   50,  100,    0}, // 10:STEP PHASER
    { 110,   50,  100,    0}, // 11:FAT PHASER
    {  40,   35,   50,    0}, // 12:FLANGER
    {  40,   50,   90,    0}, // 13:JET-FLANGER
    { 250,   50,   50,    0}, // 14:TREMOLO
    { 250,   50,   50,    0}, // 15:STUTTER
    { 250,   35,   50,    0}, // 16:VIBRATO
    { 110,   60,   50,    0}, // 17:DETUNE
    { 420,   50,   20,    0}, // 18:ROTARY
    { 500,   60,   70,   75}, // 19:ANA-CHORUS
    { 650,   50,   70,    0}, // 20:RING MOD
    {  30,   80,   90,    0}, // 21:Q-FILTER
    {  30,   52,   90,    0}, // 22:HIGH PASS
    {  30,   85,   90,    0}, // 23:LOW PASS
    {   0,  100,    0,    0}, // 24:SLOW GEAR
    {  20,   50,   35,    0}, // 25:LOFI
    {  20,   27,  460,    0}, // 26:DIGITAL DELAY
    {  20,    0,    0,    0}, // 27:INTEL REDUCER
    { 100,  100,  100,    0}, // 28:NOISE GATE
};

// DS/OD: 3 words per type
const std::uint16_t kDsOd[][3] = {
    {  35,   30,   40}, // 01:TUBE DR
    {  30,   85,   65}, // 02:808
    { 100,   50,    0}, // 03:PURE BOOST
    {  70,   50,    0}, // 04:FLEX BOOST
    {  35,   50,   20}, // 05:DDRIVE
    {  30,   50,   30}, // 06:BLACKRAT
    {  35,   40,   40}, // 07:GREY FAZE
    {  30,   50,   20}, // 08:MUFFY
    {  25,   70,   70}, // 09:MTL ZONE
    {  30,   30,   50}, // 10:MTL MASTER
    {  20,   50,   55}, // 11:OBSESSIVE DIST
    {  25,   75,   40}, // 12:JIMMY OD
    {  30,  100,   25}, // 13:FULL DRV
    {  30,   35,   60}, // 14:SHRED
    {  35,   40,   57}, // 15:BEEBEE PRE
    {  35,   20,   30}, // 16:BEEBEE +
    {  35,   50,   40}, // 17:RIET
    {  25,   55,   75}, // 18:TIGHT DS
    {  30,   55,   60}, // 19:FULL DS
    {  30,   75,   50}, // 20:GOLD CLON
    {  25,  100,   50}, // 21:VX TUBE OD
    {  25,   35,   65}, // 22:TIGHT METAL
    {  17,   20,   85}, // 23:THE JUICER
    {  20,   80,   90}, // 24:RUMBLE DRIVE
    {  23,   50,   30}, // 25:SOLO
    {  20,   55,   40}, // 26:BLUES MOOD
    {  30,   45,   40}, // 27:BLUES CRAB
    {  25,  100,   56}, // 28:HUSTLE DRIVE
};

// AMP: 6 words per type
const std::uint16_t kAmp[][6] = {
    {  80,   50,   50,   50,   50,   73}, // 01:65 US DX
    {  80,   50,   50,   50,   50,   60}, // 02:65 US TW
    { 100,   35,   50,   40,   65,   65}, // 03:59 US BASS
    {  85,   65,   50,   50,   50,   50}, // 04:US SONIC
    {  75,   50,   50,   40,   70,   50}, // 05:US BLUES CL
    {  50,   50,   30,   50,   50,   60}, // 06:US BLUES OD
    {  50,   50,   30,   40,   50,  100}, // 07:J800
    {  35,   50,   45,   40,   50,   90}, // 08:J900
    {  74,   50,   45,   55,   70,  100}, // 09:PLX100
    {  45,   60,   50,   40,   40,   85}, // 10:E650 CL
    {  75,   50,   40,   50,   75,   35}, // 11:E650 DS
    { 100,   65,   50,   38,   40,   50}, // 12:POWERBELL CL
    {  35,   35,   35,   50,   40,   70}, // 13:POWERBELL DS
    {  55,   60,   50,   40,   60,   90}, // 14:BLACKNIGHT CL
    {  70,   45,   40,   50,   60,   85}, // 15:BLACKNIGHT DS
    {  75,   45,   26,   50,   65,   40}, // 16:MARKIII CL
    {  45,   50,   40,   55,   65,   60}, // 17:MARKIII DS
    { 100,   65,   25,   30,   50,   40}, // 18:MARKV CL
    {  60,   45,   30,   45,   60,   50}, // 19:MARKV DS
    { 100,   45,   35,   47,   75,   70}, // 20:TRI REC CL
    {  65,   55,   35,   50,   55,   70}, // 21:TRI REC DS
    { 100,   70,   45,   35,   40,   65}, // 22:ROCK VRB CL
    {  70,   50,   30,   60,   65,   85}, // 23:ROCK VRB DS
    {  40,   50,   50,   50,   60,  100}, // 24:CITRUS 30
    {  70,   40,   35,   65,   60,  100}, // 25:CITRUS 50
    {  60,   50,   40,   30,   60,  100}, // 26:SLOW 100 CR
    {  50,   40,   45,   60,   60,   80}, // 27:SLOW 100 DS
    { 100,   50,   50,   50,   60,   80}, // 28:DR.ZEE 18 JR
    { 100,   50,   50,   50,   40,  100}, // 29:DR.ZEE RECK
    {  90,   50,   50,   20,   50,   55}, // 30:JET 100H CL
    {  90,   50,   50,   30,   50,  100}, // 31:JET 100H OD
    { 100,   50,   50,   50,   50,  100}, // 32:JAZZ 120
    { 100,   50,   50,   50,   50,   65}, // 33:UK30 CL
    {  80,   50,   50,   50,   50,   75}, // 34:UK30 OD
    { 100,   40,   50,   50,   55,   90}, // 35:HWT 103
    {  40,   55,   35,   60,   70,   65}, // 36:PV 5050 CL
    {  50,   55,   55,   45,   45,   75}, // 37:PV 5050 DS
    { 100,   50,   50,   50,   50,   60}, // 38:REGAL TONE CL
    {  30,   50,   50,   50,   50,  100}, // 39:REGAL TONE OD1
    {  50,   50,   50,   50,   50,  100}, // 40:REGAL TONE OD2
    { 100,   55,   55,   50,   50,   85}, // 41:CAROL CL
    {  20,   50,   50,   65,   65,   90}, // 42:CAROL OD
    {  25,   50,   50,   50,   70,   85}, // 43:CARDEFF
    { 100,   50,   50,   50,   50,   45}, // 44:EV 5050 CL
    {  70,   50,   50,   60,   65,   90}, // 45:EV 5050 DS
    {  70,   50,   50,   50,   50,   65}, // 46:HT CLUB CL
    {  70,   50,   50,   50,   50,   70}, // 47:HT CLUB DS
    {  20,   50,   50,   50,   50,   65}, // 48:HUGEN CL
    {  30,   50,   50,   50,   50,  100}, // 49:HUGEN OD
    {  30,   50,   50,   50,   50,  100}, // 50:HUGEN DS
    {  75,   50,   30,   50,   50,   85}, // 51:KOCHE OD
    {  75,   35,   50,   50,   50,   90}, // 52:KOCHE DS
    { 100,   55,   40,   50,   55,   50}, // 53:US GOLD 100 CL
    {  60,   50,   50,   50,   50,   50}, // 54:US GOLD 100 DS
    {  70,   50,   50,   50,   50,   50}, // 55:CALI JP A
    {  90,   50,   50,   50,   50,   40}, // 56:CALI JP B
    { 100,   50,   35,   35,   65,   50}, // 57:CALI JP C
    {  80,   50,   40,   55,   70,   50}, // 58:PETEY SATCH CL
    { 100,   50,   50,   50,   50,   50}, // 59:PETEY SATCH CR
    {  70,   50,   50,   50,   50,   50}, // 60:PETEY SATCH UL
    {  85,   50,   40,   50,   65,   85}, // 61:CUSTOM 100 CH1
    { 100,   50,   35,   50,   60,   50}, // 62:CUSTOM 100 CH2
    {  75,   50,   50,   50,   50,   65}, // 63:CUSTOM 100 CH3
    {  50,   50,   50,   50,   50,   70}, // 64:Mr. SMITH CL
    {  80,   50,   50,   50,   50,   65}, // 65:Mr. SMITH DS
    {  70,   50,   50,   50,   50,   50}, // 66:TAXIDEA TAXUS A
    {  80,   50,   50,   50,   50,   45}, // 67:TAXIDEA TAXUS B
    {   0,   50,    0,   20,   55,   90}, // 68:ACOUSTIC 1
    {   0,   50,    0,   20,   55,   90}, // 69:ACOUSTIC 2
    {   0,   50,    0,   20,   55,   90}, // 70:ACOUSTIC 3
    {  50,   50,   50,   50,   50,   50}, // 71:EMPTY
    {  50,   50,   50,   50,   50,   50}, // 72:EMPTY
    {  50,   50,   50,   50,   50,   50}, // 73:EMPTY
    {  50,   50,   50,   50,   50,   50}, // 74:EMPTY
    {  50,   50,   50,   50,   50,   50}, // 75:EMPTY
    {  50,   50,   50,   50,   50,   50}, // 76:EMPTY
    {  50,   50,   50,   50,   50,   50}, // 77:EMPTY
    {  50,   50,   50,   50,   50,   50}, // 78:EMPTY
    {  50,   50,   50,   50,   50,   50}, // 79:EMPTY
    {  50,   50,   50,   50,   50,   50}, // 80:EMPTY
};

// CAB: 6 words per type
const std::uint16_t kCab[][6] = {
    {   4,    5,    0,   30,    0,   50}, // 01:US DLX 112
    {   3,    3,   20,   30,    0,   50}, // 02:US TWN 212
    {   3,    3,   20,    0,    0,   50}, // 03:US BASS 410
    {   4,    8,    0,    0,    0,   50}, // 04:SONIC 112
    {   3,    6,    0,   15,    0,   50}, // 05:BLUES 112
    {   1,    2,   30,   25,    0,   50}, // 06:1960 412
    {   3,    8,    0,    0,    0,  100}, // 07:EAGLE P412
    {   3,    2,    0,    0,    0,   50}, // 08:EAGLE S412
    {   3,    3,    0,    0,    0,   50}, // 09:MARK 112
    {   3,    2,    0,    0,    0,   50}, // 10:REC 412
    {   1,    8,    0,    0,    0,   50}, // 11:CITRUS 412
    {   2,    8,    0,    0,    0,   50}, // 12:CITRUS 212
    {   3,    2,    0,    0,    0,   50}, // 13:SLOW 412
    {   2,    3,    0,    0,    0,   50}, // 14:DR.ZEE 112
    {   2,    2,   20,    0,    0,   75}, // 15:DR.ZEE 212
    {   0,    3,   50,    0,    0,   70}, // 16:JAZZ 212
    {   2,    7,    0,    0,    0,   50}, // 17:UK 212
    {   1,    2,    0,    0,    0,   50}, // 18:HWT 412
    {   3,    6,    0,    0,    0,   50}, // 19:PV 5050 412
    {   4,    4,    0,    0,    0,   75}, // 20:REGAL TONE 110
    {   3,    0,    0,    0,    0,   50}, // 21:TWO STONES 212
    {   2,    0,    0,    0,    0,   50}, // 22:CARDEFF 112
    {   3,    3,    0,    0,    0,   50}, // 23:EV 5050 412
    {   1,    3,    0,    0,    0,   50}, // 24:HT 412
    {   3,    3,    0,    0,    0,   50}, // 25:GAS STATION 412
    {   1,    3,    0,    0,    0,   50}, // 26:CUSTOM 212
    {   1,    4,    0,    0,    0,   50}, // 27:US GOLD 412
    {   3,    4,    0,    0,    0,   50}, // 28:CALI 412-1
    {   3,    3,    0,    0,    0,   50}, // 29:PETEY 412
    {   3,    0,    0,   35,    0,   50}, // 30:Mr. SMITH 112
    {   1,    8,   25,    0,    0,   50}, // 31:TAXIDEA TAXUS 112
    {   0,    3,    0,   40,    0,   50}, // 32:ACOUSTIC 112
    {   0,   50,    0,    0,    0,    0}, // 33:EMPTY
    {   0,   50,    0,    0,    0,    0}, // 34:EMPTY
    {   0,   50,    0,    0,    0,    0}, // 35:EMPTY
    {   0,   50,    0,    0,    0,    0}, // 36:EMPTY
    {   0,   50,    0,    0,    0,    0}, // 37:EMPTY
    {   0,   50,    0,    0,    0,    0}, // 38:EMPTY
    {   0,   50,    0,    0,    0,    0}, // 39:EMPTY
    {   0,   50,    0,    0,    0,    0}, // 40:EMPTY
    {   0,   50,    0,    0,    0,    0}, // 41:EMPTY
    {   0,   50,    0,    0,    0,    0}, // 42:EMPTY
};

// NS GATE: 3 words per type
const std::uint16_t kNsGate[][3] = {
    {  20,    0,    0}, // 01:NOISE KILLER
    {  20,    0,    0}, // 02:INTEL REDUCER
    { 100,  100,  100}, // 03:NOISE GATE
};

// EQ: 9 words per type
const std::uint16_t kEq[][9] = {
    {  32,   32,   32,   32,   32,   50,    0,    0,    0}, // 01:TOVAK G
    {  32,   32,   32,   32,   32,   50,    0,    0,    0}, // 02:TOVAK HM
    {  32,   32,   32,   32,   32,   32,    0,    0,    0}, // 03:TOVAK G-6
    { 100,   40,  100,  740,  100, 3140,    0,    0,   50}, // 04:CUSTOM EQ
};

// FXB: 4 words per type
const std::uint16_t kFxb[][4] = {
    { 320,   50,   55,    0}, // 01:PHASER
    { 320,   50,  100,    0}, // 02:STEP PHASER
    { 110,   50,   50,  100}, // 03:FAT PHASER
    {  40,   35,   50,    0}, // 04:FLANGER
    {  40,   50,   90,    0}, // 05:JET-FLANGER
    { 250,   50,   50,    0}, // 06:TREMOLO
    { 250,   50,   50,    0}, // 07:STUTTER
    { 250,   35,   50,    0}, // 08:VIBRATO
    { 120,   35,   50,    0}, // 09:POLY PITCH
    { 110,   60,   50,    0}, // 10:DETUNE
    { 420,   50,   20,    0}, // 11:ROTARY
    { 500,   60,   70,   75}, // 12:ANA-CHORUS
    { 500,   35,   70,   50}, // 13:TRI-CHORUS
    { 650,   50,   70,    0}, // 14:RING MOD
    {  30,   80,   90,    0}, // 15:Q-FILTER
    {  30,   52,   90,    0}, // 16:HIGH PASS
    {  30,   85,   90,    0}, // 17:LOW PASS
    {   0,  100,    0,    0}, // 18:SLOW GEAR
    {  20,   50,   35,    0}, // 19:LOFI
    {   0,  100,   50,    0}, // 20:MONO PITCH
    { 160,   60,   50,   80}, // 21:AUTO WAH
    { 160,   60,   50,   80}, // 22:TALK WAH AH
    { 160,   60,   50,   80}, // 23:TALK WAH OH
    { 100,   35,   10,   80}, // 24:TOUCH WAH
    {  80,   60,   25,   70}, // 25:YELLOW COMP
    {  80,   60,   25,   70}, // 26:BLUE COMP
    {  20,   27,  460,    0}, // 27:ANALOG DELAY
    {  20,    0,    0,    0}, // 28:NOISE KILLER
};

// DELAY: 6 words per type
const std::uint16_t kDelay[][6] = {
    {  40,   27,  460,    0,    0,    0}, // 01:DIGITAL
    {  20,   27,  460,    0,    0,    0}, // 02:ANALOG
    {  50,   50,  560,    0,    0,    0}, // 03:REAL
    {  30,   27,  460,    0,    0,    0}, // 04:TAPE
    {  50,   30,  860,    0,    0,    0}, // 05:MOD
    {  40,   27,  860,    0,    0,    0}, // 06:REVERSE
    {  25,   50,  460,    0,    0,    0}, // 07:PINGPONG
    {  25,   27,  460,    0,   65,    0}, // 08:DYNAMIC
    {  25,   70,  460,    0,  210,    0}, // 09:DUAL DELAY
};

// REVERB: 4 words per type
const std::uint16_t kReverb[][4] = {
    {   5,   35,   55,   60}, // 01:ROOM
    {  25,   35,   53,   35}, // 02:HALL
    {  45,   60,   53,   10}, // 03:CHURCH
    {   0,   60,   25,   75}, // 04:PLATE
    {   0,   47,   53,   60}, // 05:SPRING
    {   0,   50,   60,   60}, // 06:MOD
    { 160,   55,   50,    5}, // 07:CAVE
};
struct Table {
    const std::uint16_t *values;
    int rows;
    int words;
};

template <std::size_t Rows, std::size_t Words>
constexpr Table tableOf(const std::uint16_t (&t)[Rows][Words])
{
    return Table{&t[0][0], static_cast<int>(Rows), static_cast<int>(Words)};
}

const Table kTables[9] = {
    tableOf(kFxa), tableOf(kDsOd), tableOf(kAmp), tableOf(kCab), tableOf(kNsGate),
    tableOf(kEq), tableOf(kFxb), tableOf(kDelay), tableOf(kReverb),
};

} // namespace

namespace ValueModel {

QList<int> typeDefaults(int module, int type)
{
    QList<int> row;
    if (module < 0 || module >= 9)
        return row;
    const Table &t = kTables[module];
    if (type < 0 || type >= t.rows)
        return row;
    row.reserve(t.words);
    for (int i = 0; i < t.words; ++i)
        row.append(t.values[type * t.words + i]);
    return row;
}

int typeDefaultsRowCount(int module)
{
    return (module >= 0 && module < 9) ? kTables[module].rows : 0;
}

} // namespace ValueModel
