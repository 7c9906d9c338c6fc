#include "qt/MainWindowWidget.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>

#include "qt/ProtocolTraceWindow.h"
#include "qt/QtControlMirror.h"
#include "qt/QtSerialSettingsDialog.h"
#include "settings/ConfigFile.h"

namespace qu32 {

namespace {

constexpr char kOwnIconResource[] = ":/qu32/icons/qu32.png";
constexpr std::array<const char*, kInputPanelColumns> kHeadingTexts = {"PC", "EXT", "BUS"};
constexpr std::array<const char*, kInputPanelColumns> kHeadingTips = {
    "Input set from the PC", "External input (terminal)", "Bus input"};
// Room between a row's text and the value lying over the row.
constexpr int kRowTextGap = 6;
constexpr int kRowTextIndent = 4;
constexpr int kPanelLineWidth = 1;
constexpr int kPanelMargin = 2;
constexpr int kHeadingFontPt = 8;
constexpr unsigned kFirstPrintable = 0x20;
constexpr unsigned kDelete = 0x7F;
constexpr unsigned kFirstLatin1Printable = 0xA0;
constexpr unsigned kLastLatin1 = 0xFF;

// A label that reports a click of the left button, the way the window logic wants row labels.
// With an overlay set, its text ends (elided) where the overlay begins, so a long parameter
// text does not run under the value lying over the row.
class ClickLabel : public QLabel {
  public:
    explicit ClickLabel(QWidget* parent) : QLabel(parent) {}
    // Room kept free before the value label that lies over the text.
    int gap = kRowTextGap;

    std::function<void()> onClick;
    QPointer<QWidget> overlay;

  protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) {
            QLabel::mousePressEvent(event);
            return;
        }
        pressed_ = true;
        event->accept();
    }

    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton || !pressed_) {
            QLabel::mouseReleaseEvent(event);
            return;
        }
        pressed_ = false;
        event->accept();
        if (rect().contains(event->position().toPoint()) && onClick)
            onClick();
    }

    void paintEvent(QPaintEvent* event) override {
        if (!overlay) {
            QLabel::paintEvent(event);
            return;
        }
        QPainter painter(this);
        QRect area = contentsRect();
        area.setRight(std::min(area.right(), overlay->x() - x() - gap));
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(area, static_cast<int>(alignment()),
                         fontMetrics().elidedText(text(), Qt::ElideRight, area.width()));
    }

  private:
    bool pressed_ = false;
};

// Focus that comes and goes with the whole window (another window, a menu, a message box) is
// not the operator moving it; the list stays in edit mode through it.
bool movesFocus(Qt::FocusReason reason) {
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
           reason != Qt::MenuBarFocusReason;
}

ScreenSize availableScreen(QPoint& origin) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return {};
    const QRect area = screen->availableGeometry();
    origin = area.topLeft();
    return {area.width(), area.height()};
}

}  // namespace

KeyEvent translateKey(int qtKey, Qt::KeyboardModifiers modifiers, const QString& text) {
    KeyEvent k;
    k.shift = modifiers.testFlag(Qt::ShiftModifier);
    k.ctrl = modifiers.testFlag(Qt::ControlModifier);
    switch (qtKey) {
        case Qt::Key_Backspace:
            k.key = Key::Backspace;
            break;
        case Qt::Key_Left:
            k.key = Key::Left;
            break;
        case Qt::Key_Right:
            k.key = Key::Right;
            break;
        case Qt::Key_Home:
            k.key = Key::Home;
            break;
        case Qt::Key_End:
            k.key = Key::End;
            break;
        case Qt::Key_PageUp:
            k.key = Key::PageUp;
            break;
        case Qt::Key_PageDown:
            k.key = Key::PageDown;
            break;
        case Qt::Key_Up:
            k.key = Key::Up;
            break;
        case Qt::Key_Down:
            k.key = Key::Down;
            break;
        case Qt::Key_Tab:
            k.key = Key::Tab;
            break;
        case Qt::Key_Backtab:
            // Qt reports Shift+Tab as a key of its own.
            k.key = Key::Tab;
            k.shift = true;
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            k.key = Key::Enter;
            k.ch = '\r';
            return k;
        default:
            break;
    }
    // Ctrl with a key is a command, not typing.
    if (k.ctrl || text.size() != 1)
        return k;
    const unsigned code = text.at(0).unicode();
    const bool printable = (code >= kFirstPrintable && code < kDelete) ||
                           (code >= kFirstLatin1Printable && code <= kLastLatin1);
    if (printable)
        k.ch = static_cast<char>(code);
    return k;
}

QIcon programIcon() {
    return QIcon(QString::fromLatin1(kOwnIconResource));
}

MainWindowWidget::MainWindowWidget(MainWindow& logic, ScreenSize screen) : logic_(logic) {
    QPoint origin;
    if (screen.width <= 0 || screen.height <= 0)
        screen = availableScreen(origin);
    screen_ = screen;
    MainWindowControls& controls = logic_.controls;
    layoutMainWindow(controls, screen);
    Geometry window = controls.window.geometry();
    window.left += origin.x();
    window.top += origin.y();
    controls.window.setGeometry(window);

    setWindowIcon(programIcon());
    central_ = new QWidget(this);
    setCentralWidget(central_);
    buildWidgets();
    buildMenus();
    // The menu bar and its menus have no design font; they grow like the rest on a large screen.
    const auto grow = [factor = largeScreenFactor(screen)](QWidget& widget) {
        QFont font = widget.font();
        font.setPointSizeF(font.pointSizeF() * factor);
        widget.setFont(font);
    };
    grow(*menuBar());
    for (QMenu* menu : menus_)
        grow(*menu);
    placeHeadings(screen);
    bindWidget(controls.window, *this);

    // The edit cursor stands under one character of the value, so values are drawn in a font
    // whose characters all have one width, and the logic is told that width.
    const QFontMetrics metrics(widgetOf(controls.rowValues[0])->font());
    logic_.list.setCharacterWidth(metrics.horizontalAdvance(QLatin1Char('0')));

    logic_.list.requestFocus = [this] {
        scrollBar_->setFocus(Qt::OtherFocusReason);
        // An inactive window takes the focus only when it is activated; the list does not wait.
        if (!scrollBar_->hasFocus())
            logic_.list.onFocusGained();
    };
    logic_.onClosed = [this] { closedByLogic(); };
    attachSerialSettings(logic_, *this);
}

MainWindowWidget::~MainWindowWidget() {
    logic_.controls.forEachControl([](Control& c) { QtControlMirror::unbind(c); });
    logic_.list.requestFocus = nullptr;
    logic_.onClosed = nullptr;
}

void MainWindowWidget::bindWidget(Control& control, QWidget& widget, bool transparent) {
    QtControlMirror::bind(control, widget, QtControlMirror::Options{transparent});
    widgets_.emplace_back(&control, &widget);
}

QLabel* MainWindowWidget::addPanel(Control& control, Qt::Alignment alignment) {
    auto* label = new QLabel(central_);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setLineWidth(grownPixels(kPanelLineWidth, screen_));
    label->setMargin(grownPixels(kPanelMargin, screen_));
    label->setAlignment(alignment);
    bindWidget(control, *label);
    return label;
}

QPushButton* MainWindowWidget::addButton(Control& control, std::function<void()> onClick) {
    auto* button = new QPushButton(central_);
    // A click must not take the keyboard away from the parameter list: the operator edits a
    // value, clicks Transmit and goes on typing.
    button->setFocusPolicy(Qt::NoFocus);
    button->installEventFilter(this);
    QObject::connect(button, &QPushButton::clicked, this,
                     [onClick = std::move(onClick)] { onClick(); });
    bindWidget(control, *button);
    return button;
}

void MainWindowWidget::buildWidgets() {
    MainWindowControls& controls = logic_.controls;
    Commands& commands = logic_.commands;

    // Frames first, so that everything placed on them lies above.
    for (Control* frame : {&controls.parameterFrame, &controls.commandFrame, &controls.inputFrame,
                           &controls.outputFrame, &controls.monitorFrame, &controls.serialFrame})
        bindWidget(*frame, *new QGroupBox(central_));

    // Parameter rows: the text label spans the row, the value label lies over its right part.
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    std::array<ClickLabel*, kListRows> texts{};
    for (int r = 0; r < kListRows; ++r) {
        auto* text = new ClickLabel(central_);
        text->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        text->setContentsMargins(grownPixels(kRowTextIndent, screen_), 0, 0, 0);
        text->gap = grownPixels(kRowTextGap, screen_);
        text->onClick = [this, r] { logic_.list.onRowClicked(r); };
        text->installEventFilter(this);
        bindWidget(controls.rowTexts[static_cast<std::size_t>(r)], *text);
        texts[static_cast<std::size_t>(r)] = text;
    }
    for (int r = 0; r < kListRows; ++r) {
        auto* value = new ClickLabel(central_);
        value->setFont(fixed);
        value->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        value->setIndent(0);
        value->onClick = [this, r] { logic_.list.onRowClicked(r); };
        value->installEventFilter(this);
        bindWidget(controls.rowValues[static_cast<std::size_t>(r)], *value, true);
        texts[static_cast<std::size_t>(r)]->overlay = value;
    }

    // Created before the buttons, so it is first in the tab order and has the focus at start.
    scrollBar_ = new QScrollBar(Qt::Vertical, central_);
    scrollBar_->setFocusPolicy(Qt::StrongFocus);
    scrollBar_->setSingleStep(1);
    scrollBar_->setPageStep(kListRows);
    scrollBar_->installEventFilter(this);
    QObject::connect(scrollBar_, &QScrollBar::valueChanged, this,
                     [this](int value) { logic_.list.onScrollValueChanged(value); });
    bindWidget(controls.listScroll, *scrollBar_);

    addButton(controls.readAllButton, [&commands] { commands.readAllClicked(); });
    addButton(controls.transmitButton, [&commands] { commands.transmitClicked(); });
    addButton(controls.transmitAllButton, [&commands] { commands.transmitAllClicked(); });
    addButton(controls.storeButton, [&commands] { commands.storeClicked(); });
    addButton(controls.resetButton, [&commands] { commands.resetClicked(); });

    for (int k = 0; k < kInputButtons; ++k)
        addButton(controls.inputButtons[static_cast<std::size_t>(k)],
                  [&commands, k] { commands.inputButtonClicked(k); });
    const std::pair<std::array<Control, kInputButtons>*, const char*> inputs[] = {
        {&controls.inputPcPanels, kHeadingTips[0]},
        {&controls.inputExternalPanels, kHeadingTips[1]},
        {&controls.inputBusPanels, kHeadingTips[2]},
    };
    for (const auto& [panels, tip] : inputs) {
        for (Control& c : *panels)
            addPanel(c)->setToolTip(QString::fromLatin1(tip));
    }
    for (Control& c : controls.outputPanels)
        addPanel(c);

    for (Control* c :
         {&controls.activityPanel, &controls.portPanel, &controls.unitPanel, &controls.formatPanel})
        addPanel(*c);

    addPanel(controls.monitorTitle);
    addPanel(controls.valueText);
    for (Control& c : controls.barSegments)
        addPanel(c);
    const Qt::Alignment markAlignment[kScaleMarks] = {
        Qt::AlignLeft | Qt::AlignVCenter, Qt::AlignCenter, Qt::AlignRight | Qt::AlignVCenter};
    for (int k = 0; k < kScaleMarks; ++k) {
        auto* mark = new QLabel(central_);
        mark->setAlignment(markAlignment[k]);
        // Scale marks are printed on the monitor's face, not on panels of their own.
        bindWidget(controls.scaleMarks[static_cast<std::size_t>(k)], *mark, true);
    }
    for (Control& line : controls.scaleLines) {
        auto* widget = new QWidget(central_);
        widget->setAttribute(Qt::WA_TransparentForMouseEvents);
        bindWidget(line, *widget);
    }

    // The edit cursor lies above the rows it underlines and never takes a click from them.
    auto* cursor = new QWidget(central_);
    cursor->setAttribute(Qt::WA_TransparentForMouseEvents);
    bindWidget(controls.editCursor, *cursor);
    cursor->raise();
    installEventFilter(this);
}

QAction* MainWindowWidget::addAction(QMenu& menu, Control& control,
                                     std::function<void()> onTrigger) {
    QAction* action = menu.addAction(QString());
    QObject::connect(action, &QAction::triggered, this,
                     [onTrigger = std::move(onTrigger)] { onTrigger(); });
    QtControlMirror::bind(control, *action);
    actions_.emplace_back(&control, action);
    return action;
}

void MainWindowWidget::buildMenus() {
    MainWindowControls& controls = logic_.controls;
    Commands& commands = logic_.commands;
    auto addMenu = [this](Control& control) {
        QMenu* menu = menuBar()->addMenu(QString());
        QtControlMirror::bind(control, *menu->menuAction());
        actions_.emplace_back(&control, menu->menuAction());
        menus_.push_back(menu);
        return menu;
    };

    QMenu* file = addMenu(controls.fileMenu);
    addAction(*file, controls.openEntry, [&commands] { commands.openClicked(); });
    addAction(*file, controls.closeEntry, [&commands] { commands.closeClicked(); });
    file->addSeparator();
    addAction(*file, controls.saveEntry, [&commands] { commands.saveClicked(); });
    addAction(*file, controls.saveAsEntry, [&commands] { commands.saveAsClicked(); });
    file->addSeparator();
    addAction(*file, controls.printEntry, [&commands] { commands.printClicked(); });
    file->addSeparator();
    addAction(*file, controls.disableEntry, [&commands] { commands.disableClicked(); });
    file->addSeparator();
    addAction(*file, controls.exitEntry, [&commands] { commands.exitClicked(); });

    QMenu* comms = addMenu(controls.commsMenu);
    addAction(*comms, controls.serialSettingsEntry,
              [&commands] { commands.serialSettingsClicked(); });

    QMenu* tools = addMenu(controls.toolsMenu);
    addAction(*tools, controls.reinitEntry, [&commands] { commands.reinitClicked(); });
    // Never shown; it exists so that the logic can keep it hidden.
    addAction(*tools, controls.developEntry, [] {});
    addAction(*tools, controls.traceEntry, [this] { showProtocolTrace(); });

    QMenu* help = addMenu(controls.helpMenu);
    addAction(*help, controls.infoEntry, [&commands] { commands.infoClicked(); });
}

void MainWindowWidget::placeHeadings(ScreenSize screen) {
    const auto places = inputColumnHeadings(screen);
    for (std::size_t column = 0; column < places.size(); ++column) {
        auto* heading = new QLabel(QString::fromLatin1(kHeadingTexts[column]), central_);
        heading->setAlignment(Qt::AlignCenter);
        heading->setToolTip(QString::fromLatin1(kHeadingTips[column]));
        QFont font = heading->font();
        font.setPointSize(grownFontSize(kHeadingFontPt, screen));
        font.setBold(true);
        heading->setFont(font);
        const Geometry& g = places[column];
        heading->setGeometry(g.left, g.top, g.width, g.height);
        headings_[column] = heading;
    }
}

ProtocolTraceWindow& MainWindowWidget::showProtocolTrace() {
    if (!traceWindow_) {
        traceWindow_ = new ProtocolTraceWindow(logic_.protocolTrace, this);
        traceWindow_->setAttribute(Qt::WA_DeleteOnClose);
        traceWindow_->setWindowIcon(windowIcon());
    }
    traceWindow_->show();
    traceWindow_->raise();
    traceWindow_->activateWindow();
    traceWindow_->refresh();
    return *traceWindow_;
}

QWidget* MainWindowWidget::widgetOf(const Control& control) const {
    for (const auto& [c, w] : widgets_) {
        if (c == &control)
            return w;
    }
    return nullptr;
}

QAction* MainWindowWidget::actionOf(const Control& control) const {
    for (const auto& [c, a] : actions_) {
        if (c == &control)
            return a;
    }
    return nullptr;
}

void MainWindowWidget::load(const std::function<void()>& afterConfigRead) {
    logic_.afterConfigRead = [this, afterConfigRead] {
        if (afterConfigRead)
            afterConfigRead();
        applyIcon();
    };
    logic_.load();
}

void MainWindowWidget::applyIcon() {
    // A missing or unreadable icon file leaves the program's own icon.
    const std::string path = windowIconPath(logic_.programFolder(), logic_.company.iconFile);
    if (path.empty())
        return;
    QPixmap picture;
    if (!picture.load(QFile::decodeName(path.c_str())))
        return;
    setWindowIcon(QIcon(picture));
    // The small dialogs take the program's icon.
    QApplication::setWindowIcon(QIcon(picture));
}

void MainWindowWidget::closedByLogic() {
    if (!inCloseEvent_)
        close();
}

void MainWindowWidget::closeEvent(QCloseEvent* event) {
    if (!logic_.isClosed()) {
        inCloseEvent_ = true;
        logic_.requestClose();
        inCloseEvent_ = false;
    }
    // While a tick waits on the line the logic defers the close and closes the window itself.
    if (logic_.isClosed()) {
        event->accept();
    } else {
        event->ignore();
    }
}

bool MainWindowWidget::handleKey(QKeyEvent& event) {
    const KeyEvent key = translateKey(event.key(), event.modifiers(), event.text());
    bool consumed = false;
    if (key.key != Key::Other)
        consumed = logic_.list.onKeyDown(key);
    if (key.ch != 0)
        logic_.list.onKeyPress(key.ch);
    return consumed;
}

bool MainWindowWidget::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress: {
            // The window sees every key before the control that has the focus; a key that
            // travels on to a parent widget is not seen twice.
            QWidget* focus = QApplication::focusWidget();
            QWidget* target = focus != nullptr && focus->window() == this ? focus : this;
            if (watched != target)
                break;
            return handleKey(*static_cast<QKeyEvent*>(event));
        }
        case QEvent::FocusIn:
            if (watched == scrollBar_ && movesFocus(static_cast<QFocusEvent*>(event)->reason()))
                logic_.list.onFocusGained();
            break;
        case QEvent::FocusOut:
            if (watched == scrollBar_ && movesFocus(static_cast<QFocusEvent*>(event)->reason()))
                logic_.list.onFocusLost();
            break;
        case QEvent::Wheel:
            // The wheel over the rows scrolls the list as it would over the scroll bar.
            if (dynamic_cast<ClickLabel*>(watched) != nullptr) {
                QApplication::sendEvent(scrollBar_, event);
                return true;
            }
            break;
        default:
            break;
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace qu32
