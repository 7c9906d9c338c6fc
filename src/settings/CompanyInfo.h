#pragma once

#include <cstddef>
#include <string>

namespace qu32 {

// Presentation texts from the configuration file.
// The title until a configuration file names another.
inline constexpr char kDefaultTitleText[] = "QU 3.2 nimbus";

struct CompanyInfo {
    std::string titleText;  // title of every message box, front of the window caption
    std::string companyName;
    std::string companyAddress;
    std::string iconFile;
    std::string logo;
};

// Messages name the program by the last six characters of its title ("nimbus").
inline std::string titleTail(const std::string& titleText) {
    constexpr std::size_t kTailLength = 6;
    return titleText.size() > kTailLength ? titleText.substr(titleText.size() - kTailLength)
                                          : titleText;
}

}  // namespace qu32
