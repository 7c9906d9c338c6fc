#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <array>
#include <functional>
#include <vector>

#include "layout/MainWindowLayout.h"
#include "mainwindow/MainWindow.h"
#include "platform/Keys.h"

class QLabel;
class QMenu;
class QPushButton;
class QScrollBar;

namespace qu32 {

class ProtocolTraceWindow;

// A key as the window logic takes it: the key code with Shift and Ctrl, and the ISO-8859-1
// character it types. Only printable characters and Enter ('\r') count as typed; Backspace, Tab
// and Escape are keys, not characters.
KeyEvent translateKey(int qtKey, Qt::KeyboardModifiers modifiers, const QString& text);

// The program's own window icon, drawn for it.
QIcon programIcon();

// The main window on screen: one widget per control of the logic's MainWindowControls, kept in step
// by QtControlMirror, with clicks, keys, focus changes of the parameter list's scroll bar and the
// close box handed back to the logic.
class MainWindowWidget : public QMainWindow {
    Q_OBJECT

  public:
    // Lays the window out for `screen` (the available area of the primary screen when empty).
    explicit MainWindowWidget(MainWindow& logic, ScreenSize screen = {});
    ~MainWindowWidget() override;

    // Start-up: the logic reads its configuration, then `afterConfigRead` may adjust the port
    // map and settings (command-line overrides, a simulated unit) and the icon is set, then the
    // logic opens the port and starts the main cycle.
    void load(const std::function<void()>& afterConfigRead = {});

    MainWindow& logic() { return logic_; }
    // Widgets by control, for tests and tools that drive the window.
    QWidget* widgetOf(const Control& control) const;
    QAction* actionOf(const Control& control) const;
    QScrollBar* scrollBar() const { return scrollBar_; }
    const std::vector<QMenu*>& menus() const { return menus_; }
    // Tools > Protocol Trace: the one trace window, opened or brought to the front.
    ProtocolTraceWindow& showProtocolTrace();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildWidgets();
    void buildMenus();
    void placeHeadings(ScreenSize screen);
    QLabel* addPanel(Control& control, Qt::Alignment alignment = Qt::AlignCenter);
    QPushButton* addButton(Control& control, std::function<void()> onClick);
    QAction* addAction(QMenu& menu, Control& control, std::function<void()> onTrigger);
    void bindWidget(Control& control, QWidget& widget, bool transparent = false);
    bool handleKey(QKeyEvent& event);
    void applyIcon();
    void closedByLogic();

    MainWindow& logic_;
    // The screen the window is laid out for; fonts and margins grow on a large one.
    ScreenSize screen_;
    QWidget* central_ = nullptr;
    QScrollBar* scrollBar_ = nullptr;
    std::array<QLabel*, kInputPanelColumns> headings_{};
    std::vector<std::pair<const Control*, QWidget*>> widgets_;
    std::vector<std::pair<const Control*, QAction*>> actions_;
    std::vector<QMenu*> menus_;
    QPointer<ProtocolTraceWindow> traceWindow_;
    bool inCloseEvent_ = false;
};

}  // namespace qu32
