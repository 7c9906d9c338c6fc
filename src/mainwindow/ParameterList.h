#pragma once

#include <functional>
#include <memory>
#include <string>

#include "mainwindow/MainWindowControls.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/EventLoop.h"
#include "platform/Keys.h"
#include "unit/UnitDescription.h"

namespace qu32 {

// Width of one value character in the units of the labels' geometry, until the layout sets it.
inline constexpr int kDefaultCharacterWidth = 8;
// How long a refused key of the baud-rate parameter shows its value red.
inline constexpr int kRefusedKeyFlashMs = 500;

// The 25-row window over the parameter table: scrolling, selection, the edit cursor and the
// in-place editing of the selected value. It works on the main window's controls and on the
// unit description; everything else it needs comes through the hooks below.
class ParameterList {
  public:
    ParameterList(MainWindowControls& controls, UnitDescription& description, EventLoop& loop,
                  Dialogs& dialogs);
    ParameterList(const ParameterList&) = delete;
    ParameterList& operator=(const ParameterList&) = delete;

    // True when a unit description is loaded or a parameter file is open.
    std::function<bool()> canEdit;
    // True while the scheduler holds an operation.
    std::function<bool()> schedulerBusy;
    // Hands an edited value to the unit: register code, wire form, parameter index.
    std::function<void(const std::string& code, const std::string& wireValue, int index)>
        changeRequested;
    // Moves the keyboard focus to the list's scroll bar; the window answers with onFocusGained().
    // Without it, the focus is taken to arrive at once.
    std::function<void()> requestFocus;
    // The window's flag that the parameter set differs from its file; editing sets it.
    bool* fileChanged = nullptr;

    // Start-up state: first row on top and selected, cursor on the sign, not editing, and a
    // scroll bar with nothing to scroll.
    void reset();
    // Scroll range for the loaded table: one step per parameter.
    void fitScrollBar();
    // After a description is loaded and the scroll bar fitted to it: show the top of the list with
    // the first real parameter selected when it is on the first page, then paint, highlight and
    // place the cursor.
    void selectAfterLoad(int firstRealIndex);
    // Shows the list from `top` with `row` selected and the scroll bar on that parameter.
    void showAt(int top, int row);

    void paint();
    void highlight();
    void unhighlight();
    void placeCursor();

    // Gives the list the keyboard focus, through the window when it has one.
    void takeFocus();
    void onFocusGained();
    void onFocusLost();
    // The operator moved the scroll bar to `value` with the mouse; its key steps happen inside
    // onKeyDown.
    void onScrollValueChanged(int value);
    // A click on the text or the value of `row`.
    void onRowClicked(int row);
    // Key-down of the window, before the scroll bar sees the key. True when the key was handled
    // here, the scroll bar's own step of Up, Down and Tab included; the window then passes it on
    // no further.
    bool onKeyDown(const KeyEvent& event);
    // A typed character (Enter is '\r').
    void onKeyPress(char ch);

    // Layout of the edit cursor: it stands under character n of the value label at
    // left + n * characterWidth.
    void setCharacterWidth(int width) { characterWidth_ = width; }

    int top() const { return top_; }
    int selectedRow() const { return row_; }
    int selectedIndex() const { return top_ + row_; }
    // The character of the selected value that the cursor marks; 0 is the sign position.
    int cursorCharacter() const { return cursor_; }
    bool editMode() const { return editMode_; }
    bool flashing() const { return flashTimer_->enabled(); }

  private:
    int parameterCount() const;
    Parameter* parameterAt(int index);
    Parameter* selectedParameter();
    int clampToScrollRange(int value) const;
    void setScrollValue(int value);
    void stepScrollBar(int delta);
    void applyScrollValue();
    void colourRows();
    void colourRow(int row, bool selected);
    void moveCursor(int delta);
    void keyDown();
    void keyPageUp();
    void keyPageDown();
    void keyCtrlEnd();
    bool keyEnter();
    bool replaceCharacter(Parameter& parameter, char ch);
    void flashRefused();
    void endFlash();

    MainWindowControls& controls_;
    UnitDescription& description_;
    Dialogs& dialogs_;
    std::unique_ptr<Timer> flashTimer_;

    int top_ = 0;
    int row_ = 0;
    int cursor_ = 0;
    bool editMode_ = false;
    int characterWidth_ = kDefaultCharacterWidth;

    int flashRow_ = 0;
    Color flashSavedColour_ = kBlack;
};

}  // namespace qu32
