#pragma once

#include <string>

namespace qu32 {

// The one set of communication settings of the program.
struct CommSettings {
    int ComPortNumber = 1;  // 1..15 usable; -1 after a failed open
    int BaudRateCode = 0;   // 0 = 9600, 1 = 4800, 2 = 2400, 3 = 1200, 4 = 600, 5 = 19200, 6 = 38400
    int SerialFormatCode = 0;  // 0..9, see kSerialFormats
    std::string UnitAddress = "11";
};

// Presentation texts from the configuration file.
struct CompanyInfo {
    std::string titleText;  // title of every message box, front of the window caption
    std::string companyName;
    std::string companyAddress;
    std::string iconFile;
    std::string logo;
};

struct SerialFormat {
    const char* text;  // as in the configuration file: "e,7,1"
    int dataBits;
    int stopBits;
    int parityCode;  // 0 = none, 8 = odd, 24 = even
};

inline constexpr int kBaudRateCodeCount = 7;
inline constexpr int kBaudRates[kBaudRateCodeCount] = {9600, 4800, 2400, 1200, 600, 19200, 38400};

inline constexpr int kSerialFormatCount = 10;
inline constexpr SerialFormat kSerialFormats[kSerialFormatCount] = {
    {"e,7,1", 7, 1, 24}, {"e,7,2", 7, 2, 24}, {"o,7,1", 7, 1, 8},  {"o,7,2", 7, 2, 8},
    {"n,7,1", 7, 1, 0},  {"n,7,2", 7, 2, 0},  {"e,8,1", 8, 1, 24}, {"o,8,1", 8, 1, 8},
    {"n,8,1", 8, 1, 0},  {"n,8,2", 8, 2, 0},
};

inline constexpr int kParityNone = 0;
inline constexpr int kParityOdd = 8;
inline constexpr int kParityEven = 24;

inline constexpr int kFirstComPort = 1;
inline constexpr int kLastComPort = 15;

}  // namespace qu32
