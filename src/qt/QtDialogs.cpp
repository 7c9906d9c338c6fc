#include "qt/QtDialogs.h"

#include <QByteArray>
#include <QString>
#include <array>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace qu32 {

namespace {

constexpr std::size_t kMaxButtons = 3;

struct ButtonSet {
    std::array<MsgAnswer, kMaxButtons> answers;
    std::size_t count;
};

ButtonSet answersOf(MsgButtons buttons) {
    switch (buttons) {
        case MsgButtons::Ok:
            return {{MsgAnswer::Ok}, 1};
        case MsgButtons::OkCancel:
            return {{MsgAnswer::Ok, MsgAnswer::Cancel}, 2};
        case MsgButtons::YesNo:
            return {{MsgAnswer::Yes, MsgAnswer::No}, 2};
        case MsgButtons::YesNoCancel:
            return {{MsgAnswer::Yes, MsgAnswer::No, MsgAnswer::Cancel}, 3};
        case MsgButtons::RetryCancel:
            return {{MsgAnswer::Retry, MsgAnswer::Cancel}, 2};
    }
    return {{MsgAnswer::Ok}, 1};
}

// Message texts break lines with a lone CR; a terminal wants LF. CR LF counts as one break.
std::string withNewlines(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r') {
            result += text[i];
            continue;
        }
        result += '\n';
        if (i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
    }
    return result;
}

}  // namespace

ConsoleDialogs::ConsoleDialogs(MsgAnswer defaultAnswer, std::FILE* out)
    : defaultAnswer_(defaultAnswer), out_(out) {}

MsgAnswer ConsoleDialogs::messageBox(const std::string& text, const std::string& title,
                                     MsgButtons buttons, MsgIcon) {
    std::string line = withNewlines(text);
    if (!title.empty())
        line = withNewlines(title) + ": " + line;
    // Latin-1 inside, the terminal's own encoding outside.
    const QByteArray local =
        QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size())).toLocal8Bit();
    std::fwrite(local.constData(), 1, static_cast<std::size_t>(local.size()), out_);
    std::fputc('\n', out_);
    std::fflush(out_);

    const ButtonSet offered = answersOf(buttons);
    for (std::size_t i = 0; i < offered.count; ++i) {
        if (offered.answers[i] == defaultAnswer_)
            return defaultAnswer_;
    }
    return offered.answers[0];
}

void ConsoleDialogs::beep() {
#ifdef _WIN32
    const bool terminal = _isatty(_fileno(out_)) != 0;
#else
    const bool terminal = isatty(fileno(out_)) != 0;
#endif
    if (!terminal)
        return;
    std::fputc('\a', out_);
    std::fflush(out_);
}

}  // namespace qu32
