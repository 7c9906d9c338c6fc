#include "datasets/BuiltInDataSets.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace qu32 {

namespace {

// Short names keep the tables one row per line, in the order the columns are documented:
// text, register code, digits, decimal position, sign kind, minimum, maximum.
constexpr int kNoPoint = kNoDecimalPoint;
constexpr int kSigned = kSignKindSigned;
constexpr int kUnsigned = kSignKindUnsigned;
constexpr std::int32_t kHead = kHeadingBound;

// Sets A to E and the probe sets all offer 16 input slots.
constexpr int kInputSlots = 16;

constexpr std::array<DataSetRow, 30> kRowsA{{
    {"DATA-IN", "xx", 0, kNoPoint, kUnsigned, kHead, kHead},  // 0
    {"Factor 1", "00", 5, 1, kUnsigned, 1, 99999},            // 1
    // Set A spells this row in German; the later sets do not.
    {"Faktor 2", "01", 5, 1, kUnsigned, 1, 99999},                  // 2
    {"Trim Time", "02", 2, kNoPoint, kUnsigned, 1, 999},            // 3
    {"Integration Time", "03", 2, kNoPoint, kUnsigned, 0, 999},     // 4
    {"Impulse Index", "04", 4, kNoPoint, kUnsigned, 1, 50000},      // 5
    {"Offset", "05", 5, kNoPoint, kSigned, -32000, 32000},          // 6
    {"Alarm", "06", 3, kNoPoint, kUnsigned, 1, 9999},               // 7
    {"Index Window", "16", 3, kNoPoint, kUnsigned, 1, 9999},        // 8
    {"Ramp", "08", 4, 2, kUnsigned, 0, 9999},                       // 9
    {"Stop-Ramp", "09", 4, 2, kUnsigned, 0, 9999},                  // 10
    {"Correction Divider", "10", 0, kNoPoint, kUnsigned, 1, 9},     // 11
    {"Phase Adjust", "11", 0, kNoPoint, kUnsigned, 1, 9},           // 12
    {"Index Divider", "12", 1, kNoPoint, kUnsigned, 1, 99},         // 13
    {"F1 Scaling Factor", "13", 4, kNoPoint, kUnsigned, 1, 99999},  // 14
    {"Factor 1 Minimum", "14", 4, kNoPoint, kUnsigned, 1, 99999},   // 15
    {"Factor 1 Maximum", "15", 4, kNoPoint, kUnsigned, 1, 99999},   // 16
    {"", "xx", 0, kNoPoint, kUnsigned, kHead, kHead},               // 17
    {"SET-UP", "xx", 0, kNoPoint, kUnsigned, kHead, kHead},         // 18
    {"Mode", "40", 0, kNoPoint, kUnsigned, 1, 3},                   // 19
    {"LV-Calculation", "41", 0, kNoPoint, kUnsigned, 1, 4},         // 20
    {"Unit Number", "90", 1, kNoPoint, kUnsigned, 11, 99},          // 21
    {"Baudrate", "91", 0, kNoPoint, kUnsigned, 0, 4},               // 22
    {"Serial Format", "92", 0, kNoPoint, kUnsigned, 0, 9},          // 23
    {"Master Direction", "45", 0, kNoPoint, kUnsigned, 0, 1},       // 24
    {"Slave Direction", "46", 0, kNoPoint, kUnsigned, 0, 1},        // 25
    {"Offset Correction", "47", 2, kNoPoint, kSigned, -99, 99},     // 26
    {"Gain Correction", "48", 3, kNoPoint, kUnsigned, 0, 1000},     // 27
    {"Offset Total", "49", 2, kNoPoint, kSigned, -99, 99},          // 28
    {"Gain Total", "50", 3, kNoPoint, kUnsigned, 0, 9999},          // 29
}};

constexpr std::array<DataSetRow, 31> kRowsBC{{
    {"DATA-IN", "xx", 0, kNoPoint, kUnsigned, kHead, kHead},        // 0
    {"Factor 1", "00", 5, 1, kUnsigned, 1, 99999},                  // 1
    {"Factor 2", "01", 5, 1, kUnsigned, 1, 99999},                  // 2
    {"Trim Time", "02", 2, kNoPoint, kUnsigned, 1, 999},            // 3
    {"Integration Time", "03", 2, kNoPoint, kUnsigned, 0, 999},     // 4
    {"Impulse Index", "04", 4, kNoPoint, kUnsigned, 1, 50000},      // 5
    {"Offset", "05", 5, kNoPoint, kSigned, -32000, 32000},          // 6
    {"Alarm", "06", 3, kNoPoint, kUnsigned, 1, 9999},               // 7
    {"Index Window", "16", 3, kNoPoint, kUnsigned, 1, 9999},        // 8
    {"Ramp", "08", 4, 2, kUnsigned, 0, 9999},                       // 9
    {"Stop-Ramp", "09", 4, 2, kUnsigned, 0, 9999},                  // 10
    {"Correction Divider", "10", 0, kNoPoint, kUnsigned, 1, 9},     // 11
    {"Phase Adjust", "11", 0, kNoPoint, kUnsigned, 1, 9},           // 12
    {"Index Divider", "12", 1, kNoPoint, kUnsigned, 1, 99},         // 13
    {"F1 Scaling Factor", "13", 4, kNoPoint, kUnsigned, 1, 99999},  // 14
    {"Factor 1 Minimum", "14", 4, kNoPoint, kUnsigned, 1, 99999},   // 15
    {"Factor 1 Maximum", "15", 4, kNoPoint, kUnsigned, 1, 99999},   // 16
    {"Sampling Time", "17", 3, kNoPoint, kUnsigned, 1, 1000},       // 17
    {"", "xx", 0, kNoPoint, kUnsigned, kHead, kHead},               // 18
    {"SET-UP", "xx", 0, kNoPoint, kUnsigned, kHead, kHead},         // 19
    {"Mode", "40", 0, kNoPoint, kUnsigned, 1, 3},                   // 20
    {"LV-Calculation", "41", 0, kNoPoint, kUnsigned, 1, 8},         // 21
    {"Unit Number", "90", 1, kNoPoint, kUnsigned, 11, 99},          // 22
    {"Baudrate", "91", 0, kNoPoint, kUnsigned, 0, 4},               // 23
    {"Serial Format", "92", 0, kNoPoint, kUnsigned, 0, 9},          // 24
    {"Master Direction", "45", 0, kNoPoint, kUnsigned, 0, 1},       // 25
    {"Slave Direction", "46", 0, kNoPoint, kUnsigned, 0, 1},        // 26
    {"Offset Correction", "47", 2, kNoPoint, kSigned, -99, 99},     // 27
    {"Gain Correction", "48", 3, kNoPoint, kUnsigned, 0, 9999},     // 28
    {"Offset Total", "49", 2, kNoPoint, kSigned, -99, 99},          // 29
    {"Gain Total", "50", 4, kNoPoint, kUnsigned, 0, 65535},         // 30
}};

constexpr std::array<DataSetRow, 35> kRowsE{{
    {"DATA-IN", "xx", 0, kNoPoint, kUnsigned, kHead, kHead},           // 0
    {"Length", "00", 4, 3, kUnsigned, 1, 9999},                        // 1
    {"Pulses Master/Rev", "01", 5, kNoPoint, kUnsigned, 1, 200000},    // 2
    {"Pulses Slave/1000mm", "02", 5, kNoPoint, kUnsigned, 1, 200000},  // 3
    {"Offset 1", "03", 5, kNoPoint, kSigned, -32000, 32000},           // 4
    {"Offset 2", "04", 5, kNoPoint, kSigned, -32000, 32000},           // 5
    {"Bonbon-Window Begin", "05", 4, kNoPoint, kUnsigned, 0, 50000},   // 6
    {"Bonbon-Window End", "06", 4, kNoPoint, kUnsigned, 0, 50000},     // 7
    {"Phase Adjust", "07", 0, kNoPoint, kUnsigned, 1, 9},              // 8
    {"Max. Phase Corr.", "08", 2, 1, kUnsigned, 0, 99},                // 9
    {"Correction Divider", "09", 0, kNoPoint, kUnsigned, 1, 9},        // 10
    {"Index Divider", "10", 1, kNoPoint, kUnsigned, 1, 99},            // 11
    {"Index Window", "11", 3, kNoPoint, kUnsigned, 0, 9999},           // 12
    {"Master MC", "12", 4, 3, kUnsigned, 1, 5000},                     // 13
    {"Slave MC", "13", 4, 3, kUnsigned, 1, 5000},                      // 14
    {"Ramp-Form", "14", 0, kNoPoint, kUnsigned, 1, 2},                 // 15
    {"Integration Time", "16", 2, kNoPoint, kUnsigned, 0, 999},        // 16
    {"Alert", "17", 3, kNoPoint, kUnsigned, 0, 9999},                  // 17
    {"Al. 3 Window Begin", "18", 4, kNoPoint, kUnsigned, 0, 50000},    // 18
    {"Al. 3 Window End", "19", 4, kNoPoint, kUnsigned, 0, 50000},      // 19
    {"Al. 4 Window Begin", "20", 4, kNoPoint, kUnsigned, 0, 50000},    // 20
    {"Al. 4 Window End", "21", 4, kNoPoint, kUnsigned, 0, 50000},      // 21
    {"", "xx", 0, kNoPoint, kUnsigned, kHead, kHead},                  // 22
    {"SETUP", "xx", 0, kNoPoint, kUnsigned, kHead, kHead},             // 23
    {"PI Format", "43", 0, kNoPoint, kUnsigned, 0, 1},                 // 24
    {"Add Correction", "44", 0, kNoPoint, kUnsigned, 0, 1},            // 25
    {"Unit Number", "90", 1, kNoPoint, kUnsigned, 11, 99},             // 26
    {"Baud Rate", "91", 0, kNoPoint, kUnsigned, 0, 4},                 // 27
    {"Serial Format", "92", 0, kNoPoint, kUnsigned, 0, 9},             // 28
    {"Master Direction", "45", 0, kNoPoint, kUnsigned, 0, 1},          // 29
    {"Slave Direction", "46", 0, kNoPoint, kUnsigned, 0, 1},           // 30
    {"Offset Correction", "47", 2, kNoPoint, kSigned, -99, 99},        // 31
    {"Gain Correction", "48", 3, kNoPoint, kUnsigned, 0, 9999},        // 32
    {"Offset Total", "49", 2, kNoPoint, kSigned, -99, 99},             // 33
    {"Gain Total", "50", 4, kNoPoint, kUnsigned, 0, 65535},            // 34
}};

constexpr std::array<DataSetRow, 19> kRowsAA516{{
    {"DATA-IN", "xx", 0, kNoPoint, kUnsigned, kHead, kHead},           // 0
    {"Packungsl\xE4nge", "00", 4, 3, kUnsigned, 1, 9999},              // 1
    {"Kettenteilung", "01", 4, kNoPoint, kUnsigned, 1, 65535},         // 2
    {"I-Zahl Folge (100mm)", "02", 4, kNoPoint, kUnsigned, 1, 65535},  // 3
    // The minimum is wider than the four digits this row shows; typed values never reach it.
    {"Offset", "03", 5, 4, kSigned, -32000, 9999},                 // 4
    {"Differenz-Alarm", "04", 3, kNoPoint, kUnsigned, 0, 9999},    // 5
    {"Korrektur-Teilung", "05", 0, kNoPoint, kUnsigned, 1, 9},     // 6
    {"Phasenfehler-Teilung", "06", 0, kNoPoint, kUnsigned, 1, 9},  // 7
    {"Max. Phasenkorrektur", "07", 3, 2, kUnsigned, 1, 999},       // 8
    {"Marken-Fenster", "08", 3, kNoPoint, kUnsigned, 0, 9999},     // 9
    {"Bonbons/Packung", "09", 0, kNoPoint, kUnsigned, 1, 9},       // 10
    {"Rampenzeit", "10", 3, 2, kUnsigned, 10, 600},                // 11
    {"Endfrequenz", "11", 3, 2, kUnsigned, 1, 100},                // 12
    {"", "xx", 0, kNoPoint, kUnsigned, kHead, kHead},              // 13
    {"SETUP", "xx", 0, kNoPoint, kUnsigned, kHead, kHead},         // 14
    {"Master Direction", "45", 0, kNoPoint, kUnsigned, 0, 1},      // 15
    {"Slave Direction", "46", 0, kNoPoint, kUnsigned, 0, 1},       // 16
    {"Gain Correction", "48", 3, kNoPoint, kUnsigned, 0, 9999},    // 17
    {"Gain Total", "50", 4, kNoPoint, kUnsigned, 0, 65535},        // 18
}};

constexpr std::array<DataSetRow, 22> kRowsUM516{{
    {"DATA-IN", "xx", 0, kNoPoint, kUnsigned, kHead, kHead},            // 0
    {"Kettenteilung", "00", 4, kNoPoint, kUnsigned, 1, 65535},          // 1
    {"Umfang Schneiderolle", "01", 5, 4, kUnsigned, 1, 65535},          // 2
    {"I-Zahl/Umdr. Schneid.", "02", 4, kNoPoint, kUnsigned, 1, 65535},  // 3
    {"Bonbons/Packung", "03", 0, kNoPoint, kUnsigned, 1, 9},            // 4
    {"Packungsl\xE4nge", "04", 4, 3, kUnsigned, 1, 9999},               // 5
    {"Synchronl\xE4nge", "05", 4, 3, kUnsigned, 1, 9999},               // 6
    {"Anz. Schnitte/Umdr.", "06", 0, kNoPoint, kUnsigned, 1, 9},        // 7
    {"Offset", "07", 5, 4, kSigned, -9999, 9999},                       // 8
    {"Schnitt-Toleranz", "08", 2, 1, kUnsigned, 1, 99},                 // 9
    {"Korrektur-Teilung", "09", 0, kNoPoint, kUnsigned, 1, 9},          // 10
    {"Index-Alarm", "10", 4, kNoPoint, kUnsigned, 1, 65535},            // 11
    {"Max. Korrekturbetrag", "11", 2, 1, kUnsigned, 1, 99},             // 12
    {"Parkimpuls-Breite", "12", 4, kNoPoint, kUnsigned, 1, 65535},      // 13
    {"Parkimpuls-Position", "13", 4, kNoPoint, kUnsigned, 0, 65535},    // 14
    {"Synchrongeschw.", "14", 4, 3, kSigned, -999, 999},                // 15
    {"", "xx", 0, kNoPoint, kUnsigned, kHead, kHead},                   // 16
    {"SETUP", "xx", 0, kNoPoint, kUnsigned, kHead, kHead},              // 17
    {"Master Direction", "43", 0, kNoPoint, kUnsigned, 0, 1},           // 18
    {"Slave Direction", "44", 0, kNoPoint, kUnsigned, 0, 1},            // 19
    {"Gain Correction", "46", 3, kNoPoint, kUnsigned, 0, 9999},         // 20
    {"Gain Total", "48", 4, kNoPoint, kUnsigned, 0, 65535},             // 21
}};

// Set D is the table of sets B and C with a wider range for "Gain Total".
constexpr std::size_t kGainTotalRowD = 30;
constexpr std::int32_t kGainTotalMaxD = 99999;
constexpr auto kRowsD = [] {
    auto rows = kRowsBC;
    rows[kGainTotalRowD].maxValue = kGainTotalMaxD;
    return rows;
}();

// Inputs and outputs of sets A to D. Command codes and bit masks stay as identification set them.
constexpr std::array<DataSetInput, kInputSlots> kInputsAtoD{{
    {"", 0, 0},
    {"", 0, 0},
    {"", 0, 0},
    {"", 0, 0},
    {"", 0, 0},
    {"", 0, 0},
    {"Reset", 1, 1},
    {"S-Index HTL", 1, 1},
    {"M-Index HTL", 1, 1},
    {"S-Index TTL", 1, 1},
    {"M-Index TTL", 1, 1},
    {"Trim-", 1, 1},
    {"Trim+", 1, 1},
    {"Activate Data", 1, 0},
    {"Store EEProm", 1, 1},
    {"", 0, 0},
}};

constexpr std::array<DataSetOutput, kMaxOutputs> kOutputsAtoD{{
    {"Ready"},
    {"Alert"},
    {"Out Of Sync"},
    {"Index OK"},
    {""},
    {""},
    {""},
    {""},
}};
constexpr int kOutputCountAtoD = 4;

// Group 3 has status bits for the first twelve inputs only; set E places the other four.
constexpr std::array<DataSetInput, kInputSlots> kInputsE{{
    {"Reset", 1, 1},
    {"Photocell 1", 1, 1},
    {"Photocell 2", 1, 1},
    {"Read PI", 1, 1},
    {"Activate Data", 1, 1},
    {"Start Ref.", 0, 1},
    {"Store EEPROM", 1, 1},
    {"Finish Ref.", 1, 1},
    {"Bb Detect. Off", 1, 1},
    {"Bonbon Missing", 1, 1},
    {"Photocell 3", 1, 1},
    {"Photocell 4", 1, 1},
    {"Select Photocell", 0, 1, std::nullopt, 1024},
    {"Printmark Off", 0, 1, std::nullopt, 2048},
    {"Adjust Mode On", 0, 1, std::nullopt, 512},
    {"Single Bbs On", 0, 1, std::nullopt, 256},
}};

constexpr std::array<DataSetOutput, kMaxOutputs> kOutputsE{{
    {"Alert 3"},
    {"Alert 4"},
    {"Bonbon Missing"},
    {"Diff. Error"},
    {"Index OK/Win 4"},
    {"Master MC/Win 3"},
    {"Slave MC/BB-Win"},
    {"Ready"},
}};

constexpr std::array<DataSetInput, kInputSlots> kInputsAA516{{
    {"Reset", 0, 1},
    {"Virtuelle Achse ++", 1, 1},
    {"Virtuelle Achse --", 1, 1},
    {"PSS einlesen", 1, 1},
    {"Daten aktivieren", 1, 1},
    {"Virt./Reale Leitachse", 1, 1},
    {"EEPROM-Speicherung", 1, 1},
    {"St\xF6rung quittieren", 1, 1},
    {"Kettent. ermitteln", 0, 1},
    {"Druckmarke sperren", 1, 1},
    {"Druckmarke", 1, 1},
    {"Master-Index", 1, 1},
    {"", 0, 0},
    {"", 0, 0},
    {"", 0, 0},
    {"", 0, 0},
}};

constexpr std::array<DataSetOutput, kMaxOutputs> kOutputsAA516{{
    {"Kettent. ermittelt"},
    {"Alarm"},
    {"Virt. Leitfrequenz"},
    {"Index OK/Ini-Fehler"},
    {"Kettenteilung Bit 3"},
    {"Kettenteilung Bit 4"},
    {"Ber. Master-Index"},
    {"Ready"},
}};

constexpr std::array<DataSetInput, kInputSlots> kInputsUM516{{
    {"Reset", 0, 1},
    {"Teachen aktivieren", 0, 1},
    {"Virt./Reale Leitachse", 1, 1},
    {"PSS einlesen", 1, 1},
    {"Daten aktivieren", 1, 1},
    {"Siegelpos. teachen", 0, 1},
    {"EEPROM-Speicherung", 1, 1},
    {"Kettent. ermitteln", 0, 1},
    {"St\xF6rung quittieren", 0, 1},
    {"Master-Index sperren", 1, 1},
    {"Siegel-Impuls", 0, 1},
    {"Master-Index", 0, 1},
    {"", 0, 0},
    {"", 0, 0},
    {"", 0, 0},
    {"", 0, 0},
}};

constexpr std::array<DataSetOutput, kMaxOutputs> kOutputsUM516{{
    {"Kettent. ermittelt"},
    {"Schnittol./Ini-Fehler"},
    {"Kettent. Bit 0"},
    {"Kettent. Bit 1"},
    {"Kettent. Bit 2"},
    {"Park-Impuls"},
    {"Index-Alarm"},
    {"Ready"},
}};

// The group whose register codes serve sets E and the probe sets.
constexpr int kGroupOfE = 3;
constexpr int kVersionFormNumeric = 1;

constexpr DataSetIdentity kKeepIdentity{};
constexpr DataSetIdentity kIdentityE{.unitGroup = kGroupOfE};
// The probes recognise a unit that did not identify itself, so they name it.
constexpr DataSetIdentity kIdentityAA516{.softwareVersion = "713528xx",
                                         .standardVersion = "AA51609 ",
                                         .unitType = "AA516",
                                         .versionForm = kVersionFormNumeric,
                                         .unitGroup = kGroupOfE};
constexpr DataSetIdentity kIdentityUM516{.softwareVersion = "713529xx",
                                         .standardVersion = "UM51609 ",
                                         .unitType = "UM516",
                                         .versionForm = kVersionFormNumeric,
                                         .unitGroup = kGroupOfE};

constexpr DataSet kSetA{.name = "A",
                        .rows = kRowsA,
                        .inputCount = kInputSlots,
                        .inputs = kInputsAtoD,
                        .outputCount = kOutputCountAtoD,
                        .outputs = kOutputsAtoD,
                        .identity = kKeepIdentity};
constexpr DataSet kSetB{.name = "B",
                        .rows = kRowsBC,
                        .inputCount = kInputSlots,
                        .inputs = kInputsAtoD,
                        .outputCount = kOutputCountAtoD,
                        .outputs = kOutputsAtoD,
                        .identity = kKeepIdentity};
constexpr DataSet kSetC{.name = "C",
                        .rows = kRowsBC,
                        .inputCount = kInputSlots,
                        .inputs = kInputsAtoD,
                        .outputCount = kOutputCountAtoD,
                        .outputs = kOutputsAtoD,
                        .identity = kKeepIdentity};
constexpr DataSet kSetD{.name = "D",
                        .rows = kRowsD,
                        .inputCount = kInputSlots,
                        .inputs = kInputsAtoD,
                        .outputCount = kOutputCountAtoD,
                        .outputs = kOutputsAtoD,
                        .identity = kKeepIdentity};
constexpr DataSet kSetE{.name = "E",
                        .rows = kRowsE,
                        .inputCount = kInputSlots,
                        .inputs = kInputsE,
                        .outputCount = kMaxOutputs,
                        .outputs = kOutputsE,
                        .identity = kIdentityE};
constexpr DataSet kSetAA516{.name = "AA516",
                            .rows = kRowsAA516,
                            .inputCount = kInputSlots,
                            .inputs = kInputsAA516,
                            .outputCount = kMaxOutputs,
                            .outputs = kOutputsAA516,
                            .identity = kIdentityAA516};
constexpr DataSet kSetUM516{.name = "UM516",
                            .rows = kRowsUM516,
                            .inputCount = kInputSlots,
                            .inputs = kInputsUM516,
                            .outputCount = kMaxOutputs,
                            .outputs = kOutputsUM516,
                            .identity = kIdentityUM516};

constexpr std::array<FirmwareSelection, 19> kFirmwareSelections{{
    {"AA45901 ", BuiltInSet::A}, {"AA45902 ", BuiltInSet::A}, {"AA45903 ", BuiltInSet::A},
    {"AA45904 ", BuiltInSet::A}, {"AA45905 ", BuiltInSet::A}, {"AA45906 ", BuiltInSet::A},
    {"AA45907 ", BuiltInSet::B}, {"AA45908 ", BuiltInSet::B}, {"AA45909 ", BuiltInSet::C},
    {"AA45910 ", BuiltInSet::C}, {"AA45911 ", BuiltInSet::D}, {"AA45911A", BuiltInSet::D},
    {"AA45911B", BuiltInSet::D}, {"81390710", BuiltInSet::E}, {"81390711", BuiltInSet::E},
    {"81390712", BuiltInSet::E}, {"81390713", BuiltInSet::E}, {"81390714", BuiltInSet::E},
    {"81390715", BuiltInSet::E},
}};
static_assert(std::ranges::all_of(kFirmwareSelections, [](const FirmwareSelection& s) {
    return s.softwareVersion.size() == kFirmwareIdLength;
}));

// Answer shapes: register, answer length without spaces, signed.
constexpr std::array<ProbeRegister, 33> kProbeAA516{{
    {"00", 4, false}, {"01", 5, false}, {"02", 5, false}, {"03", 5, true},  {"04", 4, false},
    {"05", 1, false}, {"06", 1, false}, {"07", 3, false}, {"08", 4, false}, {"09", 1, false},
    {"10", 3, false}, {"11", 3, false}, {"12", 1, false}, {"13", 1, false}, {"14", 1, false},
    {"15", 1, false}, {"16", 1, false}, {"17", 1, false}, {"18", 1, false}, {"40", 1, false},
    {"41", 1, false}, {"42", 1, false}, {"43", 1, false}, {"44", 1, false}, {"90", 2, false},
    {"91", 1, false}, {"92", 1, false}, {"45", 1, false}, {"46", 1, false}, {"47", 3, true},
    {"48", 4, false}, {"49", 3, true},  {"50", 5, false},
}};

constexpr std::array<ProbeRegister, 37> kProbeUM516{{
    {"00", 5, false}, {"01", 5, false}, {"02", 6, false}, {"03", 1, false}, {"04", 4, false},
    {"05", 4, false}, {"06", 2, false}, {"07", 5, true},  {"08", 2, false}, {"09", 1, false},
    {"10", 5, false}, {"11", 2, false}, {"12", 5, false}, {"13", 5, false}, {"14", 4, true},
    {"15", 1, false}, {"16", 1, false}, {"17", 1, false}, {"18", 1, false}, {"19", 1, false},
    {"20", 1, false}, {"21", 1, false}, {"22", 1, false}, {"23", 1, false}, {"40", 1, false},
    {"49", 1, false}, {"41", 1, false}, {"42", 1, false}, {"90", 2, false}, {"91", 1, false},
    {"92", 1, false}, {"43", 1, false}, {"44", 1, false}, {"45", 3, true},  {"46", 4, false},
    {"47", 3, true},  {"48", 5, false},
}};

constexpr ProbeShape kProbeSpecUM516{"UM516", kProbeUM516, &kSetUM516};
constexpr ProbeShape kProbeSpecAA516{"AA516", kProbeAA516, &kSetAA516};

constexpr std::array<ProbeSet, 2> kProbeRunOrder{ProbeSet::UM516, ProbeSet::AA516};

}  // namespace

const DataSet& builtInDataSet(BuiltInSet set) {
    switch (set) {
        case BuiltInSet::A:
            return kSetA;
        case BuiltInSet::B:
            return kSetB;
        case BuiltInSet::C:
            return kSetC;
        case BuiltInSet::D:
            return kSetD;
        case BuiltInSet::E:
            return kSetE;
        case BuiltInSet::ProbeAA516:
            return kSetAA516;
        case BuiltInSet::ProbeUM516:
            return kSetUM516;
    }
    throw std::invalid_argument("unknown built-in data set");
}

std::span<const FirmwareSelection> firmwareSelections() {
    return kFirmwareSelections;
}

const DataSet* dataSetForFirmware(const std::string& softwareVersion8) {
    std::string field = softwareVersion8.substr(0, kFirmwareIdLength);
    field.resize(kFirmwareIdLength, ' ');
    for (const FirmwareSelection& selection : kFirmwareSelections) {
        if (field == selection.softwareVersion)
            return &builtInDataSet(selection.set);
    }
    return nullptr;
}

const ProbeShape& probeShape(ProbeSet probe) {
    switch (probe) {
        case ProbeSet::UM516:
            return kProbeSpecUM516;
        case ProbeSet::AA516:
            return kProbeSpecAA516;
    }
    throw std::invalid_argument("unknown probe set");
}

std::span<const ProbeSet> probeRunOrder() {
    return kProbeRunOrder;
}

}  // namespace qu32
