#pragma once

#include <string>

namespace qu32 {

inline constexpr int kFirstComPort = 1;
inline constexpr int kLastComPort = 15;

// The one set of communication settings of the program: where the unit hangs and how the line
// is set. The configuration file, the settings dialog and the serial follow-up of parameter
// writes change it; the link opens the port with it.
struct SerialSettings {
    int comPort = 1;       // kFirstComPort..kLastComPort; -1 after a failed open
    int baudRateCode = 0;  // index into kBaudRates
    int formatCode = 0;    // index into kSerialFormats
    std::string unitAddress = "11";
};

inline constexpr int kParityNone = 0;
inline constexpr int kParityOdd = 8;
inline constexpr int kParityEven = 24;

struct SerialFormat {
    const char* text;  // as in the configuration file: "e,7,1"
    int dataBits;
    int stopBits;
    int parityCode;  // kParityNone, kParityOdd or kParityEven
};

inline constexpr int kBaudRateCodeCount = 7;
inline constexpr int kBaudRates[kBaudRateCodeCount] = {9600, 4800, 2400, 1200, 600, 19200, 38400};

inline constexpr int kSerialFormatCount = 10;
inline constexpr SerialFormat kSerialFormats[kSerialFormatCount] = {
    {"e,7,1", 7, 1, kParityEven}, {"e,7,2", 7, 2, kParityEven}, {"o,7,1", 7, 1, kParityOdd},
    {"o,7,2", 7, 2, kParityOdd},  {"n,7,1", 7, 1, kParityNone}, {"n,7,2", 7, 2, kParityNone},
    {"e,8,1", 8, 1, kParityEven}, {"o,8,1", 8, 1, kParityOdd},  {"n,8,1", 8, 1, kParityNone},
    {"n,8,2", 8, 2, kParityNone},
};

}  // namespace qu32
