#pragma once

// UI page codes and the window's pop-up ids, in one place.
//
// Page codes: the 32-bit code the editor sends with CurrentUi to tell the
// unit which page it shows, and the page the unit reports back. Packed as
// page (bits 0-7), sub-page (8-15) and sub-sub-page (16-23).

#include <cstdint>

namespace Kt900 {
class DeviceStore;
}

namespace PageCodes {

// The pages the editor itself reports.
enum Page : std::uint32_t {
    kTonePopup = 3,
    kPresetPage = 12,       // volume, tempo, leaving a pop-up
    kSettingPopup = 13,
    kExpPopup = 17,
    kChainOrder = 0x10C,    // 268, the chain order is being edited
    kCtrlOnOff = 0x110,     // 272
    kExpVolPage = 0x211,    // 529, the EXP VOL page of the pedal pop-up
    kExp1Page = 0x311,      // 785
    kExp2Page = 0x711,      // 1809
};

// The window's pop-ups; showing one hides the others.
enum class Popup { None = 0, Exp = 1, Rename = 2, Setting = 3, ToneCapture = 4 };
constexpr int kPopupCount = 5;

// Page code of a module index 0..13 (12 for any other index).
std::uint32_t forModule(int module);
// Module index of a page code 0..10 (-1 for page 3 and any other code).
int moduleForPage(std::uint32_t code);
// Page code reported when system setting `index` changes; setting 8 (MIDI
// type) depends on the value stored in `store`.
std::uint32_t forSystemSetting(int index, const Kt900::DeviceStore &store);

// What the editor does when the unit reports a page.
struct Route {
    enum Kind {
        None,
        Module,          // hide the pop-ups, select `arg` (a module, 11, or -1: the current one)
        ToneCapture,     // show the tone-capture pop-up (when `show`) and put it at step `arg`
        Exp,             // show the expression-pedal pop-up on page `arg` (-1: as it is)
        Setting,         // show the settings pop-up and go to page `arg` (-1: as it is)
    };
    Kind kind = None;
    int arg = -1;
    bool show = true;
};
Route route(std::uint32_t code);

} // namespace PageCodes
