#pragma once

// The synthetic firmware file the build stages in bin/Firmware/ so the update
// window can be tried on the virtual unit. Its data are a recognisable test
// pattern, not a program for any unit.

#include "firmwarefile.h"

namespace Firmware {

// "TOVAK_KT900_V9.9.9.tk": the digits are the highest the chooser can compare,
// so this file is the one chosen whatever else lies in the folder.
extern const char kSampleFileName[];

ImageSpec sampleSpec();
QByteArray sampleImage();

} // namespace Firmware
