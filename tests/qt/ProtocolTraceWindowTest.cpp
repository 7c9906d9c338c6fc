// The protocol trace window on the trace it shows.
#include "qt/ProtocolTraceWindow.h"

#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QTextBlock>
#include <fstream>
#include <iterator>

#include "support/TempFolder.h"

namespace qu32::test {
namespace {

QStringList lines(const ProtocolTraceWindow& window) {
    return window.view()->toPlainText().split('\n', Qt::SkipEmptyParts);
}

TEST(ProtocolTraceWindow, ShowsFramesAndRedErrorsPausesClearsAndSaves) {
    ProtocolTrace trace;
    ProtocolTraceWindow window(trace);
    window.show();
    trace.frame(1, true, {0x04, 0x31, 0x31, 0x30, 0x30, 0x05});
    trace.error(2,
                {Result::TimeoutHeader, "Timeout during reading header.", "Serial.Read_Parameter"});
    trace.frame(3, true, {0x04});
    window.refresh();
    ASSERT_EQ(lines(window).size(), 3);
    EXPECT_EQ(lines(window)[0], "     1.000 TX 04 31 31 30 30 05  |.1100.|");
    EXPECT_TRUE(lines(window)[1].contains("ERROR -4 Timeout during reading header."));
    const QTextBlock errorBlock = window.view()->document()->findBlockByNumber(1);
    const QTextBlock frameBlock = window.view()->document()->findBlockByNumber(2);
    EXPECT_EQ(errorBlock.begin().fragment().charFormat().foreground().color(), QColor(0xc0, 0, 0));
    EXPECT_NE(frameBlock.begin().fragment().charFormat().foreground().color(), QColor(0xc0, 0, 0));

    // Paused, the view stands still while the trace goes on; resumed, it catches up.
    window.setPaused(true);
    trace.frame(4, false, {0x06});
    window.refresh();
    EXPECT_EQ(lines(window).size(), 3);
    window.setPaused(false);
    EXPECT_EQ(lines(window).size(), 4);

    TempFolder folder;
    std::string error;
    ASSERT_TRUE(window.saveTo(folder.file("trace.txt"), error)) << error;
    std::ifstream saved(folder.file("trace.txt"), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(saved), {}), trace.text());

    window.clear();
    EXPECT_TRUE(lines(window).isEmpty());
    EXPECT_EQ(trace.size(), 0u);
    trace.frame(5, true, {0x04});
    window.refresh();
    EXPECT_EQ(lines(window).size(), 1);
}

}  // namespace
}  // namespace qu32::test
