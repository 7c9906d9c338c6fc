#include "qt/QtSerialSettingsDialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <memory>

#include "qt/MainWindowWidget.h"
#include "qt/QtControlMirror.h"
#include "qt/QtPortLister.h"
#include "qt/QtResizeBinding.h"

namespace qu32 {

namespace {

// The log's lines end in CR LF; the text widget wants plain line feeds.
QString logText(const std::string& text) {
    QString s = fromLatin1(text);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

void place(QWidget& widget, const Control& c) {
    const Geometry& g = c.geometry();
    widget.setGeometry(g.left, g.top, g.width, g.height);
}

// Owns what the main window lends the settings command, and takes it back with the window.
class SerialSettingsAttachment : public QObject {
  public:
    SerialSettingsAttachment(MainWindow& window, QWidget& parent)
        : QObject(&parent), window_(window), lister_(&window.portMap) {
        window_.portLister = &lister_;
        window_.commands.showSerialSettings = [this, target = QPointer<QWidget>(&parent)] {
            SerialSettingsDialog* logic = window_.serialSettingsDialog();
            if (logic == nullptr || !logic->isLoaded())
                return;
            QtSerialSettingsDialog dialog(*logic, target.data());
            dialog.exec();
        };
    }
    ~SerialSettingsAttachment() override {
        window_.commands.showSerialSettings = nullptr;
        if (window_.portLister == &lister_)
            window_.portLister = nullptr;
    }

  private:
    MainWindow& window_;
    QtPortLister lister_;
};

}  // namespace

QtSerialSettingsDialog::QtSerialSettingsDialog(SerialSettingsDialog& logic, QWidget* parent)
    : QDialog(parent), logic_(logic) {
    setWindowIcon(programIcon());
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto* menuBar = new QMenuBar(this);
    outer->setMenuBar(menuBar);
    client_ = new QWidget(this);
    const Geometry& design = logic_.window.geometry();
    client_->setMinimumSize(design.width, logic_.portStatus.geometry().top);
    outer->addWidget(client_, 1);
    statusBar_ = new QStatusBar(this);
    statusBar_->setSizeGripEnabled(true);
    outer->addWidget(statusBar_);

    // Frames first, so that what lies on them is drawn above.
    for (Control* frame :
         {&logic_.settingsFrame, &logic_.scanFrame, &logic_.scanOptionsFrame, &logic_.logFrame}) {
        auto* box = new QGroupBox(client_);
        widgets_.emplace_back(frame, box);
    }
    for (Control* label :
         {&logic_.portLabel, &logic_.baudLabel, &logic_.formatLabel, &logic_.unitLabel}) {
        auto* l = new QLabel(client_);
        widgets_.emplace_back(label, l);
    }
    addCombo(logic_.portList);
    addCombo(logic_.baudList);
    addCombo(logic_.formatList);

    unitField_ = new QLineEdit(client_);
    // Pasted text is held to digits as typed text is.
    unitField_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), unitField_));
    unitField_->installEventFilter(this);
    connect(unitField_, &QLineEdit::textEdited, this,
            [this](const QString& text) { logic_.unitField.setCaption(toLatin1(text)); });
    widgets_.emplace_back(&logic_.unitField, unitField_);

    auto* spin = new QWidget(client_);
    auto* spinLayout = new QVBoxLayout(spin);
    spinLayout->setContentsMargins(0, 0, 0, 0);
    spinLayout->setSpacing(0);
    for (bool up : {true, false}) {
        auto* arrow = new QToolButton(spin);
        arrow->setArrowType(up ? Qt::UpArrow : Qt::DownArrow);
        arrow->setAutoRepeat(true);
        arrow->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        spinLayout->addWidget(arrow);
        connect(arrow, &QToolButton::clicked, this, [this, up] {
            logic_.spinUnit(up);
            afterAction();
        });
    }
    widgets_.emplace_back(&logic_.unitSpin, spin);

    addButton(logic_.okButton, &SerialSettingsDialog::okClicked);
    addButton(logic_.defaultsButton, &SerialSettingsDialog::defaultsClicked);
    addButton(logic_.updateButton, &SerialSettingsDialog::updatePortListClicked);
    widgetOf(logic_.okButton)->setToolTip(QString::fromLatin1(kOkToolTip));
    widgetOf(logic_.defaultsButton)->setToolTip(QString::fromLatin1(kDefaultsToolTip));

    for (CheckBox* box : {&logic_.scanUnits, &logic_.scanBauds, &logic_.scanFormats}) {
        auto* check = new QCheckBox(client_);
        connect(check, &QCheckBox::toggled, this, [this, box](bool on) {
            if (!syncing_)
                box->checked = on;
        });
        widgets_.emplace_back(&box->control, check);
        checks_.emplace_back(box, check);
    }
    addButton(logic_.startScanButton, &SerialSettingsDialog::startScanClicked);
    addButton(logic_.abortScanButton, &SerialSettingsDialog::abortScanClicked);
    progress_ = new QProgressBar(client_);
    progress_->setTextVisible(false);
    widgets_.emplace_back(&logic_.progress, progress_);

    log_ = new QPlainTextEdit(client_);
    log_->setReadOnly(true);
    widgets_.emplace_back(&logic_.log, log_);

    for (Control* panel : {&logic_.portStatus, &logic_.settingsStatus, &logic_.unitStatus}) {
        auto* label = new QLabel(statusBar_);
        label->setMinimumWidth(panel->geometry().width);
        statusBar_->addPermanentWidget(label, panel->geometry().width);
        statusPanels_.emplace_back(panel, label);
    }

    QMenu* file = menuBar->addMenu(QString());
    actions_.emplace_back(&logic_.fileMenu, file->menuAction());
    addAction(*file, logic_.exitEntry, nullptr, QKeySequence(Qt::CTRL | Qt::Key_X));
    QMenu* tools = menuBar->addMenu(QString());
    actions_.emplace_back(&logic_.toolsMenu, tools->menuAction());
    addAction(*tools, logic_.updateEntry, &SerialSettingsDialog::updatePortListClicked,
              QKeySequence(Qt::CTRL | Qt::Key_U));
    addAction(*tools, logic_.portTestEntry, &SerialSettingsDialog::portTestChosen);
    addAction(*tools, logic_.defaultsEntry, &SerialSettingsDialog::defaultsChosen,
              QKeySequence(Qt::CTRL | Qt::Key_D));
    addAction(*tools, logic_.clearLogEntry, &SerialSettingsDialog::clearLogChosen);

    for (auto& [control, widget] : widgets_) {
        widget->setObjectName(QString::fromStdString(control->name()));
        place(*widget, *control);
    }
    resize(design.width, design.height + menuBar->sizeHint().height());
    // The controls follow the dialog's size in proportion to the design just laid out.
    client_->resize(design.width, logic_.portStatus.geometry().top);
    resizeBinding_ = std::make_unique<QtResizeBinding>(*client_);
    resizer_.bind(*resizeBinding_);
    resizer_.initialize();
    client_->installEventFilter(this);
    logic_.redraw = [this] {
        sync();
        repaint();
    };
    sync();
}

QtSerialSettingsDialog::~QtSerialSettingsDialog() {
    logic_.redraw = nullptr;
}

QWidget* QtSerialSettingsDialog::widgetOf(const Control& control) const {
    for (const auto& [c, w] : widgets_) {
        if (c == &control)
            return w;
    }
    return nullptr;
}

QAction* QtSerialSettingsDialog::actionOf(const Control& control) const {
    for (const auto& [c, a] : actions_) {
        if (c == &control)
            return a;
    }
    return nullptr;
}

QComboBox* QtSerialSettingsDialog::comboOf(const ChoiceList& list) const {
    for (const auto& [l, c] : combos_) {
        if (l == &list)
            return c;
    }
    return nullptr;
}

QComboBox* QtSerialSettingsDialog::addCombo(ChoiceList& list) {
    auto* combo = new QComboBox(client_);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->installEventFilter(this);
    combo->lineEdit()->installEventFilter(this);
    connect(combo, &QComboBox::activated, this, [this, &list](int index) {
        if (!syncing_)
            list.select(index);
    });
    connect(combo->lineEdit(), &QLineEdit::textEdited, this, [this, &list](const QString& text) {
        if (syncing_)
            return;
        list.text = toLatin1(text);
        list.selected = -1;
    });
    widgets_.emplace_back(&list.control, combo);
    combos_.emplace_back(&list, combo);
    return combo;
}

void QtSerialSettingsDialog::addButton(Control& control, void (SerialSettingsDialog::*handler)()) {
    auto* button = new QPushButton(client_);
    // Enter belongs to the lists and the unit field, not to a default button.
    button->setAutoDefault(false);
    button->setDefault(false);
    connect(button, &QPushButton::clicked, this, [this, handler] { run(handler); });
    widgets_.emplace_back(&control, button);
}

QAction* QtSerialSettingsDialog::addAction(QMenu& menu, Control& control,
                                           void (SerialSettingsDialog::*handler)(),
                                           const QKeySequence& shortcut) {
    QAction* action = menu.addAction(QString());
    action->setShortcut(shortcut);
    connect(action, &QAction::triggered, this, [this, handler] {
        if (handler != nullptr)
            run(handler);
        else
            close();
    });
    actions_.emplace_back(&control, action);
    return action;
}

void QtSerialSettingsDialog::run(void (SerialSettingsDialog::*handler)()) {
    (logic_.*handler)();
    afterAction();
}

void QtSerialSettingsDialog::afterAction() {
    if (!logic_.isLoaded()) {
        done(QDialog::Accepted);
        return;
    }
    sync();
}

void QtSerialSettingsDialog::syncCombo(const ChoiceList& list, QComboBox& combo) {
    const QSignalBlocker blocker(&combo);
    bool same = combo.count() == static_cast<int>(list.items.size());
    for (int i = 0; same && i < combo.count(); ++i)
        same = combo.itemText(i) == fromLatin1(list.items[static_cast<std::size_t>(i)]);
    if (!same) {
        combo.clear();
        for (std::size_t i = 0; i < list.items.size(); ++i) {
            combo.addItem(fromLatin1(list.items[i]));
            if (i < list.toolTips.size() && !list.toolTips[i].empty())
                combo.setItemData(static_cast<int>(i), fromLatin1(list.toolTips[i]),
                                  Qt::ToolTipRole);
        }
    }
    combo.setCurrentIndex(list.selected);
    const QString text = fromLatin1(list.text);
    if (combo.currentText() != text)
        combo.setEditText(text);
    const int shown = combo.currentIndex();
    combo.setToolTip(shown >= 0 && static_cast<std::size_t>(shown) < list.toolTips.size()
                         ? fromLatin1(list.toolTips[static_cast<std::size_t>(shown)])
                         : QString());
}

void QtSerialSettingsDialog::sync() {
    syncing_ = true;
    setWindowTitle(fromLatin1(logic_.window.caption()));
    for (auto& [control, widget] : widgets_) {
        widget->setEnabled(control->enabled());
        widget->setVisible(control->visible());
        const QString caption = fromLatin1(control->caption());
        if (auto* box = qobject_cast<QGroupBox*>(widget))
            box->setTitle(caption);
        else if (auto* label = qobject_cast<QLabel*>(widget))
            label->setText(caption);
        else if (auto* check = qobject_cast<QCheckBox*>(widget))
            check->setText(caption);
        else if (auto* button = qobject_cast<QPushButton*>(widget))
            button->setText(caption);
    }
    for (auto& [list, combo] : combos_)
        syncCombo(*list, *combo);
    for (auto& [box, check] : checks_) {
        const QSignalBlocker blocker(check);
        check->setChecked(box->checked);
    }
    if (unitField_->text() != fromLatin1(logic_.unitField.caption()))
        unitField_->setText(fromLatin1(logic_.unitField.caption()));
    const QString log = logText(logic_.log.caption());
    if (log_->toPlainText() != log)
        log_->setPlainText(log);
    progress_->setMaximum(std::max(1, logic_.progress.maximum()));
    progress_->setValue(logic_.progress.value());
    progress_->setToolTip(fromLatin1(logic_.progressToolTip));
    for (auto& [panel, label] : statusPanels_)
        label->setText(fromLatin1(panel->caption()));
    for (auto& [control, action] : actions_) {
        action->setText(fromLatin1(control->caption()));
        action->setEnabled(control->enabled());
        action->setVisible(control->visible());
    }
    syncing_ = false;
}

bool QtSerialSettingsDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == client_ && event->type() == QEvent::Resize) {
        resizer_.doResize();
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    auto& keyEvent = static_cast<QKeyEvent&>(*event);
    const KeyEvent key = translateKey(keyEvent.key(), keyEvent.modifiers(), keyEvent.text());
    const bool enter = keyEvent.key() == Qt::Key_Return || keyEvent.key() == Qt::Key_Enter;

    if (watched == unitField_) {
        if (enter) {
            logic_.unitKeyPressed({Key::Enter});
            afterAction();
            return true;
        }
        // Keys that type nothing (arrows, Delete) move and edit as usual.
        if (key.ch == 0 && key.key != Key::Backspace)
            return false;
        return !logic_.unitKeyPressed(key);
    }
    for (auto& [list, combo] : combos_) {
        if (watched != combo && watched != combo->lineEdit())
            continue;
        ChoiceList& choice = *list;
        if (enter && list != &logic_.portList) {
            choice.text = toLatin1(combo->currentText());
            logic_.enterPressed(choice);
            afterAction();
            return true;
        }
        if (list == &logic_.portList) {
            // The key goes into the list first; the logic sees the text it left.
            QTimer::singleShot(0, this, [this, combo = QPointer<QComboBox>(combo)] {
                if (!combo || !logic_.isLoaded())
                    return;
                logic_.portList.text = toLatin1(combo->currentText());
                logic_.portList.selected = combo->currentIndex();
                logic_.portListKeyPressed();
                sync();
            });
        }
        return false;
    }
    return QDialog::eventFilter(watched, event);
}

void QtSerialSettingsDialog::closeEvent(QCloseEvent* event) {
    if (logic_.isLoaded() && !logic_.requestClose()) {
        sync();
        event->ignore();
        return;
    }
    event->accept();
    QDialog::closeEvent(event);
}

void QtSerialSettingsDialog::reject() {
    // Escape and the close box go through the same guard.
    if (logic_.isLoaded() && !logic_.requestClose()) {
        sync();
        return;
    }
    QDialog::reject();
}

void attachSerialSettings(MainWindow& window, QWidget& parent) {
    new SerialSettingsAttachment(window, parent);
}

}  // namespace qu32
