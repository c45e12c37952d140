#include "pagecodes.h"

#include "devicestore.h"

namespace PageCodes {

std::uint32_t forModule(int module)
{
    static constexpr std::uint32_t table[14] = {0, 1, 2, 4, 5, 6, 8, 9, 10, 7, 7, 3, 17, 15};
    return (module >= 0 && module < 14) ? table[module] : 12;
}

int moduleForPage(std::uint32_t code)
{
    static constexpr int table[11] = {0, 1, 2, -1, 3, 4, 5, 9, 6, 7, 8};
    return code <= 10 ? table[code] : -1;
}

std::uint32_t forSystemSetting(int index, const Kt900::DeviceStore &store)
{
    switch (index) {
    case 0: return 0x10D;
    case 1: case 2: case 3: case 4: case 5: case 6: return 0x20D;
    case 7: return 0x40D;
    case 8: return store.systemSetting(8) != 0 ? 0x2050D : 0x1050D;
    case 9: case 10: return 0x1050D;
    case 11: case 12: return 0x2050D;
    case 13: case 14: return 0x60D;
    case 15: return 0x70D;
    case 16: return 0x80D;
    case 17: return 0x90D;
    case 18: return 0x4050D;
    case 19: return 0x5050D;
    default: return 13;
    }
}

Route route(std::uint32_t code)
{
    Route r;
    switch (code) {
    case 0: case 1: case 2: case 4: case 5: case 6: case 7: case 8: case 9: case 10:
        r.kind = Route::Module;
        r.arg = moduleForPage(code);
        return r;
    case 11:
        r.kind = Route::Module;
        r.arg = 11;
        return r;
    case 12: case 14: case 0x12: case 0x13: case 0x14: case 0x15: case 0x10C:
        r.kind = Route::Module;
        r.arg = -1;
        return r;
    case 3:
        r.kind = Route::ToneCapture;
        r.arg = 0;
        return r;
    case 0x30D:
        r.kind = Route::ToneCapture;
        r.arg = 1;
        return r;
    case 0x1030D: case 0x2030D: case 0x3030D:
        r.kind = Route::ToneCapture;
        r.arg = static_cast<int>(code >> 16) + 1;
        r.show = false;
        return r;
    case 0x11: case 0x111: case 0x411: case 0x511: case 0x611:
        r.kind = Route::Exp;
        return r;
    case 0x311:   // EXP1
        r.kind = Route::Exp;
        r.arg = 0;
        return r;
    case 0x711:   // EXP2
        r.kind = Route::Exp;
        r.arg = 1;
        return r;
    case 0x211:   // EXP VOL
        r.kind = Route::Exp;
        r.arg = 2;
        return r;
    default:
        break;
    }
    // Settings: the page list row of each page code, or a sub-page.
    struct SettingPage {
        std::uint32_t code;
        int page;
    };
    static constexpr SettingPage settings[] = {
        {13, -1},       {15, 15},        {16, 1},         {0x10D, 2},      {0x110, 17},     {0x20D, 3},
        {0x40D, 4},     {0x50D, 5},      {0x60D, 6},      {0x70D, 7},      {0x80D, 8},      {0x90D, 9},
        {0xA0D, 10},    {0x1050D, 5},    {0x2050D, 5},    {0x3050D, 19},   {0x4050D, 20},   {0x5050D, 21},
    };
    for (const SettingPage &s : settings) {
        if (s.code == code) {
            r.kind = Route::Setting;
            r.arg = s.page;
            return r;
        }
    }
    return r;
}

} // namespace PageCodes
