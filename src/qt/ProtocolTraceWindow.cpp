#include "qt/ProtocolTraceWindow.h"

#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "platform/Files.h"

namespace qu32 {

namespace {

QString fromLatin1(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

ProtocolTraceWindow::ProtocolTraceWindow(ProtocolTrace& trace, QWidget* parent)
    : QWidget(parent, Qt::Window),
      trace_(trace),
      view_(new QPlainTextEdit(this)),
      pauseButton_(new QPushButton(tr("&Pause"), this)),
      count_(new QLabel(this)),
      timer_(new QTimer(this)) {
    setWindowTitle(tr("Protocol Trace"));
    setObjectName("protocolTraceWindow");
    view_->setReadOnly(true);
    view_->setLineWrapMode(QPlainTextEdit::NoWrap);
    view_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // The view keeps no more lines than the trace does.
    view_->setMaximumBlockCount(static_cast<int>(ProtocolTrace::kMaxEntries));
    pauseButton_->setCheckable(true);
    auto* clearButton = new QPushButton(tr("&Clear"), this);
    auto* saveButton = new QPushButton(tr("&Save ..."), this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(pauseButton_);
    buttons->addWidget(clearButton);
    buttons->addWidget(saveButton);
    buttons->addStretch();
    buttons->addWidget(count_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(view_);
    layout->addLayout(buttons);
    connect(pauseButton_, &QPushButton::toggled, this, [this](bool on) { setPaused(on); });
    connect(clearButton, &QPushButton::clicked, this, [this] { clear(); });
    connect(saveButton, &QPushButton::clicked, this, [this] { save(); });
    connect(timer_, &QTimer::timeout, this, [this] { refresh(); });
    timer_->start(kRefreshMs);
    resize(760, 480);
    refresh();
}

void ProtocolTraceWindow::refresh() {
    if (paused_ || !isVisible() || trace_.lastSequence() == shown_) {
        showCount();
        return;
    }
    // Frames go in as one block of plain text; an error ends the block and goes in red.
    QString frames;
    const auto flushFrames = [&] {
        if (frames.isEmpty())
            return;
        frames.chop(1);
        view_->appendPlainText(frames);
        frames.clear();
    };
    trace_.forEachAfter(shown_, [&](const ProtocolTrace::Entry& entry) {
        shown_ = entry.sequence;
        const QString line = fromLatin1(ProtocolTrace::lineOf(entry));
        if (entry.kind != ProtocolTrace::Entry::Kind::Error) {
            frames += line + '\n';
            return;
        }
        flushFrames();
        view_->appendHtml("<span style=\"color:#c00000\">" + line.toHtmlEscaped() + "</span>");
    });
    flushFrames();
    // Entries the trace dropped before they were shown are skipped, never waited for.
    shown_ = std::max(shown_, trace_.lastSequence());
    showCount();
}

void ProtocolTraceWindow::setPaused(bool paused) {
    paused_ = paused;
    pauseButton_->setChecked(paused);
    pauseButton_->setText(paused ? tr("&Resume") : tr("&Pause"));
    refresh();
}

void ProtocolTraceWindow::clear() {
    trace_.clear();
    view_->clear();
    shown_ = trace_.lastSequence();
    showCount();
}

bool ProtocolTraceWindow::saveTo(const std::string& path, std::string& error) const {
    return LocalFiles().replace(path, trace_.text(), error);
}

void ProtocolTraceWindow::save() {
    const QString path =
        QFileDialog::getSaveFileName(this, tr("Save Protocol Trace"), "protocol-trace.txt",
                                     tr("Text files (*.txt);;All files (*)"));
    if (path.isEmpty())
        return;
    std::string error;
    if (!saveTo(QFile::encodeName(path).toStdString(), error))
        QMessageBox::warning(this, windowTitle(),
                             tr("The trace could not be saved:\n%1").arg(fromLatin1(error)));
}

void ProtocolTraceWindow::showCount() {
    QString text = tr("%1 entries").arg(trace_.size());
    if (trace_.dropped() > 0)
        text += tr(", %1 older ones dropped").arg(trace_.dropped());
    if (paused_)
        text += tr(" (paused)");
    count_->setText(text);
}

}  // namespace qu32
