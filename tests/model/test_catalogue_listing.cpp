// The published list of the unit's effect catalogue, chain by chain, as plain
// text: each chain with its type names, then each parameter list with the
// types that use it and its parameters (name, kind, value string), and the
// import slots. The catalogue test reads this text with its own parser and
// compares it with what the editor loads from the embedded document.

extern const char kCatalogueListing[];
const char kCatalogueListing[] = R"LISTING(
- Module 0, chain "FXA", 28 types: "01:CRY WAH", "02:535 WAH", "03:AUTO WAH", "04:TALK WAH AH", "05:TALK WAH OH", "06:TOUCH WAH", "07:YELLOW COMP", "08:BLUE COMP", "09:PHASER", "10:STEP PHASER", "11:FAT PHASER", "12:FLANGER", "13:JET-FLANGER", "14:TREMOLO", "15:STUTTER", "16:VIBRATO", "17:DETUNE", "18:ROTARY", "19:ANA-CHORUS", "20:RING MOD", "21:Q-FILTER", "22:HIGH PASS", "23:LOW PASS", "24:SLOW GEAR", "25:LOFI", "26:DIGITAL DELAY", "27:INTEL REDUCER", "28:NOISE GATE".
  - list of type 1, used by types 1-2: "Q" 0 "0_100_1_0_", "Position" 0 "0_100_1_0_", "Peak" 0 "0_100_1_0_", "Level" 0 "0_100_1_0_".
  - list of type 3, used by types 3-5: "Rate" 0 "0_100_0.1_1_", "Range" 0 "0_100_1_0_", "Peak" 0 "0_100_1_0_", "Level" 0 "0_100_1_0_".
  - list of type 6, used by types 6: "Attack" 0 "0_100_1_0_", "Sens" 0 "0_100_1_0_", "Peak" 0 "0_100_1_0_", "Level" 0 "0_100_1_0_".
  - list of type 7, used by types 7-8: "Attack" 0 "0_100_1_0_", "Thres" 0 "0_100_1_0_", "Ratio" 0 "0_100_1_0_", "Level" 0 "0_100_1_0_".
  - list of type 9, used by types 9-11: "Rate" 0 "0_100_0.1_1_", "Level" 0 "0_100_1_0_", "Depth" 0 "0_100_1_0_".
  - list of type 12, used by types 12-13: "Rate" 0 "0_100_0.1_1_", "Mix" 0 "0_100_1_0_", "F.Back" 0 "0_100_1_0_".
  - list of type 14, used by types 14-15: "Rate" 0 "0_100_0.1_1_", "Mix" 0 "0_100_1_0_", "Tone" 0 "0_100_1_0_".
  - list of type 16, used by types 16: "Rate" 0 "0_100_0.1_1_", "Depth" 0 "0_100_1_0_", "Tone" 0 "0_100_1_0_".
  - list of type 17, used by types 17: "Pitch" 0 "-100_100_1_0_ Cent", "Mix" 0 "0_100_1_0_", "Tone" 0 "0_100_1_0_".
  - list of type 18, used by types 18, 20: "Rate" 0 "0_100_0.1_1_", "Mix" 0 "0_100_1_0_", "Tone" 0 "0_100_1_0_".
  - list of type 19, used by types 19: "Rate" 0 "0_100_0.1_1_", "Mix" 0 "0_100_1_0_", "Tone" 0 "0_100_1_0_", "Depth" 0 "0_100_1_0_".
  - list of type 21, used by types 21: "Rate" 0 "0_100_0.1_1_", "Mix" 0 "0_100_1_0_", "Q" 0 "0_100_1_0_".
  - list of type 22, used by types 22-23: "Rate" 0 "0_100_0.1_1_", "Mix" 0 "0_100_1_0_", "Range" 0 "0_100_1_0_".
  - list of type 24, used by types 24: "Rise" 0 "0_100_1_0_", "Level" 0 "0_100_1_0_".
  - list of type 25, used by types 25: "Sample" 0 "0_100_1_0_", "Mix" 0 "0_100_1_0_", "Bit" 0 "0_100_1_0_".
  - list of type 26, used by types 26: "Level" 0 "0_100_1_0_", "F.Back" 0 "0_100_1_0_", "Time" 0 "40_2500_1_0_ ms", "Sub D" 1 "OFF_1/4_1/4T_1/4D_1/8_1/8T_1/8D_1/16_1/16T_1/16D".
  - list of type 27, used by types 27: "Sens" 0 "0_100_1_0_".
  - list of type 28, used by types 28: "Attack" 0 "0_100_1_0_", "Release" 0 "0_100_1_0_", "Thres" 0 "0_100_1_0_".
- Module 1, chain "DS/OD", 28 types: "01:TUBE DR", "02:808", "03:PURE BOOST", "04:FLEX BOOST", "05:DDRIVE", "06:BLACKRAT", "07:GREY FAZE", "08:MUFFY", "09:MTL ZONE", "10:MTL MASTER", "11:OBSESSIVE DIST", "12:JIMMY OD", "13:FULL DRV", "14:SHRED", "15:BEEBEE PRE", "16:BEEBEE +", "17:RIET", "18:TIGHT DS", "19:FULL DS", "20:GOLD CLON", "21:VX TUBE OD", "22:TIGHT METAL", "23:THE JUICER", "24:RUMBLE DRIVE", "25:SOLO", "26:BLUES MOOD", "27:BLUES CRAB", "28:HUSTLE DRIVE".
  - list of type 1, used by types 1-28: "Volume" 0 "0_100_1_0_", "Tone" 0 "0_100_1_0_", "Gain" 0 "0_100_1_0_".
- Module 2, chain "AMP", 80 types: "01:65 US DX", "02:65 US TW", "03:59 US BASS", "04:US SONIC", "05:US BLUES CL", "06:US BLUES OD", "07:J800", "08:J900", "09:PLX100", "10:E650 CL", "11:E650 DS", "12:POWERBELL CL", "13:POWERBELL DS", "14:BLACKNIGHT CL", "15:BLACKNIGHT DS", "16:MARKIII CL", "17:MARKIII DS", "18:MARKV CL", "19:MARKV DS", "20:TRI REC CL", "21:TRI REC DS", "22:ROCK VRB CL", "23:ROCK VRB DS", "24:CITRUS 30", "25:CITRUS 50", "26:SLOW 100 CR", "27:SLOW 100 DS", "28:DR.ZEE 18 JR", "29:DR.ZEE RECK", "30:JET 100H CL", "31:JET 100H OD", "32:JAZZ 120", "33:UK30 CL", "34:UK30 OD", "35:HWT 103", "36:PV 5050 CL", "37:PV 5050 DS", "38:REGAL TONE CL", "39:REGAL TONE OD1", "40:REGAL TONE OD2", "41:CAROL CL", "42:CAROL OD", "43:CARDEFF", "44:EV 5050 CL", "45:EV 5050 DS", "46:HT CLUB CL", "47:HT CLUB DS", "48:HUGEN CL", "49:HUGEN OD", "50:HUGEN DS", "51:KOCHE OD", "52:KOCHE DS", "53:US GOLD 100 CL", "54:US GOLD 100 DS", "55:CALI JP A", "56:CALI JP B", "57:CALI JP C", "58:PETEY SATCH CL", "59:PETEY SATCH CR", "60:PETEY SATCH UL", "61:CUSTOM 100 CH1", "62:CUSTOM 100 CH2", "63:CUSTOM 100 CH3", "64:Mr. SMITH CL", "65:Mr. SMITH DS", "66:TAXIDEA TAXUS A", "67:TAXIDEA TAXUS B", "68:ACOUSTIC 1", "69:ACOUSTIC 2", "70:ACOUSTIC 3", "71:EMPTY", "72:EMPTY", "73:EMPTY", "74:EMPTY", "75:EMPTY", "76:EMPTY", "77:EMPTY", "78:EMPTY", "79:EMPTY", "80:EMPTY".
  - list of type 1, used by types 1-80: "Gain" 0 "0_100_1_0_", "Bass" 0 "0_100_1_0_", "Mid" 0 "0_100_1_0_", "Treble" 0 "0_100_1_0_", "Pres" 0 "0_100_1_0_", "Mst" 0 "0_100_1_0_".
  - import="1" on types 71-80.
- Module 3, chain "CAB", 42 types: "01:US DLX 112", "02:US TWN 212", "03:US BASS 410", "04:SONIC 112", "05:BLUES 112", "06:1960 412", "07:EAGLE P412", "08:EAGLE S412", "09:MARK 112", "10:REC 412", "11:CITRUS 412", "12:CITRUS 212", "13:SLOW 412", "14:DR.ZEE 112", "15:DR.ZEE 212", "16:JAZZ 212", "17:UK 212", "18:HWT 412", "19:PV 5050 412", "20:REGAL TONE 110", "21:TWO STONES 212", "22:CARDEFF 112", "23:EV 5050 412", "24:HT 412", "25:GAS STATION 412", "26:CUSTOM 212", "27:US GOLD 412", "28:CALI 412-1", "29:PETEY 412", "30:Mr. SMITH 112", "31:TAXIDEA TAXUS 112", "32:ACOUSTIC 112", "33:EMPTY", "34:EMPTY", "35:EMPTY", "36:EMPTY", "37:EMPTY", "38:EMPTY", "39:EMPTY", "40:EMPTY", "41:EMPTY", "42:EMPTY".
  - list of type 1, used by types 1-32: "Tube" 1 "OFF_EL34_EL84_6L6_6V6", "Mic" 1 "SM57_U47_U87_NT1_MD421_MD441_MXL2001_MXL2003_C3000_C4000B", "Center" 0 "0_100_1_0_", "Distance" 0 "0_100_1_0_", "Sync" 1 "OFF_ON", "Level" 0 "0_100_1_0_".
  - list of type 33, used by types 33-42: "Tube" 1 "OFF_EL34_EL84_6L6_6V6", "Level" 0 "0_100_1_0_".
  - import="1" on types 33-42.
- Module 4, chain "NS GATE", 3 types: "01:NOISE KILLER", "02:INTEL REDUCER", "03:NOISE GATE".
  - list of type 1, used by types 1: "Thres" 0 "0_100_1_0_".
  - list of type 2, used by types 2: "Sens" 0 "0_100_1_0_".
  - list of type 3, used by types 3: "Attack" 0 "0_100_1_0_", "Release" 0 "0_100_1_0_", "Thres" 0 "0_100_1_0_".
- Module 5, chain "EQ", 4 types: "01:TOVAK G", "02:TOVAK HM", "03:TOVAK G-6", "04:CUSTOM EQ".
  - list of type 1, used by types 1: "100Hz" 0 "-16_16_0.5_1_ dB", "250Hz" 0 "-16_16_0.5_1_ dB", "630Hz" 0 "-16_16_0.5_1_ dB", "1.6KHz" 0 "-16_16_0.5_1_ dB", "4KHz" 0 "-16_16_0.5_1_ dB", "Level" 0 "0_100_1_0_".
  - list of type 2, used by types 2: "80Hz" 0 "-16_16_0.5_1_ dB", "240Hz" 0 "-16_16_0.5_1_ dB", "750Hz" 0 "-16_16_0.5_1_ dB", "2.2KHz" 0 "-16_16_0.5_1_ dB", "6.6KHz" 0 "-16_16_0.5_1_ dB", "Level" 0 "0_100_1_0_".
  - list of type 3, used by types 3: "100Hz" 0 "-16_16_0.5_1_ dB", "200Hz" 0 "-16_16_0.5_1_ dB", "400Hz" 0 "-16_16_0.5_1_ dB", "800Hz" 0 "-16_16_0.5_1_ dB", "1.6KHz" 0 "-16_16_0.5_1_ dB", "3.2KHz" 0 "-16_16_0.5_1_ dB".
  - list of type 4, used by types 4: "Lo Gain" 0 "-10_10_0.1_1_ dB", "Lo Freq" 0 "60_18000_1_0_ Hz", "Mid Gain" 0 "-10_10_0.1_1_ dB", "Mid Freq" 0 "60_18000_1_0_ Hz", "Hi Gain" 0 "-10_10_0.1_1_ dB", "Hi Freq" 0 "60_18000_1_0_ Hz", "Lo CutFreq" 2 "OFF#0_800_1_0_", "Hi CutFreq" 2 "OFF#20001_1000_-1_0_", "Level" 0 "0_100_1_0_".
- Module 6, chain "FXB", 28 types: "01:PHASER", "02:STEP PHASER", "03:FAT PHASER", "04:FLANGER", "05:JET-FLANGER", "06:TREMOLO", "07:STUTTER", "08:VIBRATO", "09:POLY PITCH", "10:DETUNE", "11:ROTARY", "12:ANA-CHORUS", "13:TRI-CHORUS", "14:RING MOD", "15:Q-FILTER", "16:HIGH PASS", "17:LOW PASS", "18:SLOW GEAR", "19:LOFI", "20:MONO PITCH", "21:AUTO WAH", "22:TALK WAH AH", "23:TALK WAH OH", "24:TOUCH WAH", "25:YELLOW COMP", "26:BLUE COMP", "27:ANALOG DELAY", "28:NOISE KILLER".
  - list of type 1, used by types 1-3: "Rate" 0 "0_100_0.1_1_", "Level" 0 "0_100_1_0_", "Depth" 0 "0_100_1_0_".
  - list of type 4, used by types 4-5: "Rate" 0 "0_100_0.1_1_", "Mix" 0 "0_100_1_0_", "F.Back" 0 "0_100_1_0_".
  - list of type 6, used by types 6-7, 11, 14: "Rate" 0 "0_100_0.1_1_", "Mix" 0 "0_100_1_0_", "Tone" 0 "0_100_1_0_".
  - list of type 8, used by types 8: "Rate" 0 "0_100_0.1_1_", "Depth" 0 "0_100_1_0_", "Tone" 0 "0_100_1_0_".
  - list of type 9, used by types 9, 20: "Pitch" 0 "-12_12_0.1_1_", "Mix" 0 "0_100_1_0_", "Tone" 0 "0_100_1_0_".
  - list of type 10, used by types 10: "Pitch" 0 "-100_100_1_0_ Cent", "Mix" 0 "0_100_1_0_", "Tone" 0 "0_100_1_0_".
  - list of type 12, used by types 12-13: "Rate" 0 "0_100_0.1_1_", "Mix" 0 "0_100_1_0_", "Tone" 0 "0_100_1_0_", "Depth" 0 "0_100_1_0_".
  - list of type 15, used by types 15: "Rate" 0 "0_100_0.1_1_", "Mix" 0 "0_100_1_0_", "Q" 0 "0_100_1_0_".
  - list of type 16, used by types 16-17: "Rate" 0 "0_100_0.1_1_", "Mix" 0 "0_100_1_0_", "Range" 0 "0_100_1_0_".
  - list of type 18, used by types 18: "Rise" 0 "0_100_1_0_", "Level" 0 "0_100_1_0_".
  - list of type 19, used by types 19: "Sample" 0 "0_100_1_0_", "Mix" 0 "0_100_1_0_", "Bit" 0 "0_100_1_0_".
  - list of type 21, used by types 21-23: "Rate" 0 "0_100_0.1_1_", "Range" 0 "0_100_1_0_", "Peak" 0 "0_100_1_0_", "Level" 0 "0_100_1_0_".
  - list of type 24, used by types 24: "Attack" 0 "0_100_1_0_", "Sens" 0 "0_100_1_0_", "Peak" 0 "0_100_1_0_", "Level" 0 "0_100_1_0_".
  - list of type 25, used by types 25-26: "Attack" 0 "0_100_1_0_", "Thres" 0 "0_100_1_0_", "Ratio" 0 "0_100_1_0_", "Level" 0 "0_100_1_0_".
  - list of type 27, used by types 27: "Level" 0 "0_100_1_0_", "F.Back" 0 "0_100_1_0_", "Time" 0 "40_2500_1_0_ ms", "Sub D" 1 "OFF_1/4_1/4T_1/4D_1/8_1/8T_1/8D_1/16_1/16T_1/16D".
  - list of type 28, used by types 28: "Thres" 0 "0_100_1_0_".
- Module 7, chain "DELAY", 9 types: "01:DIGITAL", "02:ANALOG", "03:REAL", "04:TAPE", "05:MOD", "06:REVERSE", "07:PINGPONG", "08:DYNAMIC", "09:DUAL DELAY".
  - list of type 1, used by types 1-7: "Level" 0 "0_100_1_0_", "F.Back" 0 "0_100_1_0_", "Time" 0 "40_2500_1_0_ ms", "Sub D" 1 "OFF_1/4_1/4T_1/4D_1/8_1/8T_1/8D_1/16_1/16T_1/16D".
  - list of type 8, used by types 8: "Level" 0 "0_100_1_0_", "F.Back" 0 "0_100_1_0_", "Time" 0 "40_2500_1_0_ ms", "Sub D" 1 "OFF_1/4_1/4T_1/4D_1/8_1/8T_1/8D_1/16_1/16T_1/16D", "Thres" 0 "0_100_1_0_".
  - list of type 9, used by types 9: "Level" 0 "0_100_1_0_", "F.Back" 0 "0_100_1_0_", "Time A" 0 "40_2500_1_0_ ms", "Sub A" 1 "OFF_1/4_1/4T_1/4D_1/8_1/8T_1/8D_1/16_1/16T_1/16D", "Time B" 0 "40_2500_1_0_ ms", "Sub B" 1 "OFF_1/4_1/4T_1/4D_1/8_1/8T_1/8D_1/16_1/16T_1/16D".
- Module 8, chain "REVERB", 7 types: "01:ROOM", "02:HALL", "03:CHURCH", "04:PLATE", "05:SPRING", "06:MOD", "07:CAVE".
  - list of type 1, used by types 1-4, 6-7: "Pre delay" 0 "0_200_1_0_ ms", "Level" 0 "0_100_1_0_", "Decay" 0 "0_100_1_0_", "Tone" 0 "0_100_1_0_".
  - list of type 5, used by types 5: "Length" 0 "0_100_1_0_", "Level" 0 "0_100_1_0_", "Decay" 0 "0_100_1_0_", "Tone" 0 "0_100_1_0_".
- Module 9, chain "FX LOOP", 1 types: "FX LOOP".
  - list of type 1, used by types 1: "Send Level" 0 "-60_6_1_0_ dB", "Return Level" 0 "-60_6_1_0_ dB", "Dry/Wet" 0 "0_100_1_0_.Wet", "Loop Mode" 1 "Serial_Parallel".
- Module 10, chain "FX LOOP", 1 types: "FX LOOP".
  - list of type 1, used by types 1: "Send Level" 0 "-60_6_1_0_ dB", "Return Level" 0 "-60_6_1_0_ dB", "Dry/Wet" 0 "0_100_1_0_.Wet", "Loop Mode" 1 "Serial_Parallel".
- Module 11, chain "GLB EQ", 2 types: "01:Output&amp;Phone", "02:XLR".
  - list of type 1, used by types 1-2: "Lo Gain" 0 "-10_10_0.1_1_ dB", "Lo Freq" 0 "60_18000_1_0_ Hz", "Mid Gain" 0 "-10_10_0.1_1_ dB", "Mid Freq" 0 "60_18000_1_0_ Hz", "Hi Gain" 0 "-10_10_0.1_1_ dB", "Hi Freq" 0 "60_18000_1_0_ Hz", "Lo CutFreq" 2 "OFF#0_800_1_0_", "Hi CutFreq" 2 "OFF#20001_1000_-1_0_", "ON/OFF" 1 "OFF_ON".
)LISTING";
