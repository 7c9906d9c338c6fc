#pragma once

#include <QDialog>
#include <memory>
#include <vector>

#include "layout/ProportionalResizer.h"
#include "mainwindow/MainWindow.h"
#include "settings/SerialSettingsDialog.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenuBar;
class QPlainTextEdit;
class QProgressBar;
class QStatusBar;

namespace qu32 {

class QtResizeBinding;

// "Com Settings" on screen: one widget per plain control of the dialog logic, brought up to
// date after every operator action and whenever the logic asks to be redrawn; clicks, keys and
// the close box go back to the logic, which decides when the dialog closes.
class QtSerialSettingsDialog : public QDialog {
    Q_OBJECT

  public:
    QtSerialSettingsDialog(SerialSettingsDialog& logic, QWidget* parent = nullptr);
    ~QtSerialSettingsDialog() override;

    // Shows every property of the logic's controls.
    void sync();

    SerialSettingsDialog& logic() { return logic_; }
    QWidget* widgetOf(const Control& control) const;
    QAction* actionOf(const Control& control) const;
    QComboBox* comboOf(const ChoiceList& list) const;
    QStatusBar* statusBar() const { return statusBar_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    QComboBox* addCombo(ChoiceList& list);
    void addButton(Control& control, void (SerialSettingsDialog::*handler)());
    QAction* addAction(QMenu& menu, Control& control, void (SerialSettingsDialog::*handler)(),
                       const QKeySequence& shortcut = {});
    void run(void (SerialSettingsDialog::*handler)());
    void afterAction();
    void syncCombo(const ChoiceList& list, QComboBox& combo);

    SerialSettingsDialog& logic_;
    QWidget* client_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    std::vector<std::pair<const Control*, QWidget*>> widgets_;
    std::vector<std::pair<const Control*, QAction*>> actions_;
    std::vector<std::pair<ChoiceList*, QComboBox*>> combos_;
    std::vector<std::pair<CheckBox*, QCheckBox*>> checks_;
    QLineEdit* unitField_ = nullptr;
    QPlainTextEdit* log_ = nullptr;
    QProgressBar* progress_ = nullptr;
    std::vector<std::pair<const Control*, QLabel*>> statusPanels_;
    std::unique_ptr<QtResizeBinding> resizeBinding_;
    ProportionalResizer resizer_;
    bool syncing_ = false;
};

// Lets `window` show the settings dialog modally on `parent` with the machine's serial devices;
// undone when `parent` goes.
void attachSerialSettings(MainWindow& window, QWidget& parent);

}  // namespace qu32
