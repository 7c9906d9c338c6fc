#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "parfiles/ParameterFile.h"
#include "platform/Controls.h"

namespace qu32 {

// "File Comments": asks for the comment Save As stores in the file's header. The text box starts
// empty and takes at most kMaxCommentLength characters; OK takes it, closing the window keeps the
// comment the file had.
class FileCommentDialog {
  public:
    // `path` is the file chosen in the save dialog.
    explicit FileCommentDialog(const std::string& path);
    FileCommentDialog(const FileCommentDialog&) = delete;
    FileCommentDialog& operator=(const FileCommentDialog&) = delete;

    Control window{Control::Kind::Window, "fileComment"};
    Control question{Control::Kind::Panel, "question"};
    Control okButton{Control::Kind::Button, "okButton"};

    const std::string& text() const { return text_; }
    // What the operator typed; characters beyond the limit cannot be typed and are dropped.
    void setText(const std::string& text);
    void pressOk();
    // The comment when OK closed the dialog; nothing when it was closed otherwise.
    std::optional<std::string> result() const;

  private:
    std::string text_;
    bool confirmed_ = false;
};

}  // namespace qu32
