#pragma once

#include <QWidget>
#include <cstdint>

#include "mainwindow/ProtocolTrace.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace qu32 {

// The protocol trace on screen: every frame with its time, direction, hex and text, each link
// error in red with its number and message. It shows what the trace records, a few times a
// second rather than per frame, so watching costs the polling next to nothing.
class ProtocolTraceWindow : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kRefreshMs = 500;

    explicit ProtocolTraceWindow(ProtocolTrace& trace, QWidget* parent = nullptr);

    // Brings the view up to the trace (the timer does this while the window is open).
    void refresh();
    bool paused() const { return paused_; }
    void setPaused(bool paused);
    // Empties the trace and the view.
    void clear();
    // Writes every line the trace keeps to `path`; false with `error` when it could not.
    bool saveTo(const std::string& path, std::string& error) const;

    QPlainTextEdit* view() const { return view_; }

  private:
    void save();
    void showCount();

    ProtocolTrace& trace_;
    QPlainTextEdit* view_;
    QPushButton* pauseButton_;
    QLabel* count_;
    QTimer* timer_;
    std::uint64_t shown_ = 0;  // sequence number of the last entry in the view
    bool paused_ = false;
};

}  // namespace qu32
