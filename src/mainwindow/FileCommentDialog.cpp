#include "mainwindow/FileCommentDialog.h"

#include "parfiles/ParameterFile.h"

namespace qu32 {

namespace {
constexpr char kCr = '\r';
constexpr std::size_t kShownPathLength = 40;
}  // namespace

FileCommentDialog::FileCommentDialog(const std::string& path) {
    window.setCaption("File Comments");
    question.setCaption("Do you want to enter any comments on the parameter file " +
                        std::string(1, kCr) + "'" + shortenPath(path, kShownPathLength) +
                        "'  (max. " + std::to_string(kMaxCommentLength) + " characters) ?" + kCr +
                        kCr +
                        "These comments will be displayed when the parameter file is opened "
                        "again.");
    okButton.setCaption("&OK");
}

void FileCommentDialog::setText(const std::string& text) {
    text_ = text.substr(0, kMaxCommentLength);
}

void FileCommentDialog::pressOk() {
    confirmed_ = true;
}

std::optional<std::string> FileCommentDialog::result() const {
    if (!confirmed_)
        return std::nullopt;
    return text_;
}

}  // namespace qu32
