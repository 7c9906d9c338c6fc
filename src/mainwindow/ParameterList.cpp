#include "mainwindow/ParameterList.h"

#include <algorithm>
#include <cstddef>

#include "unit/RegisterCodes.h"
#include "unit/ValueEncoding.h"

namespace qu32 {

namespace {

constexpr int kLastRow = kListRows - 1;
// Page Up and Page Down move by a whole window of rows.
constexpr int kPageRows = kListRows;

constexpr Color kSelectedBack = kBlue;
constexpr Color kSelectedFore = kYellow;
constexpr Color kPlainBack = kWhite;
constexpr Color kPlainFore = kBlack;
constexpr Color kRefusedFore = kRed;

// Baud-rate codes the operator may type: 9600, 19200 and 38400 baud, and Enter to send.
constexpr bool isBaudRateKey(char ch) {
    return ch == '\r' || ch == '0' || ch == '5' || ch == '6';
}

constexpr bool isDigit(char ch) {
    return ch >= '0' && ch <= '9';
}

constexpr bool isValueKey(char ch) {
    return isDigit(ch) || ch == '+' || ch == '-' || ch == '#';
}

// What the sign position of each kind takes.
bool acceptsAtSign(int signKind, char ch) {
    switch (signKind) {
        case kSignKindSigned:
            return ch == '+' || ch == '-';
        case kSignKindHash:
            return ch == '+' || ch == '-' || ch == '#';
        default:
            return isDigit(ch);
    }
}

std::size_t at(int index) {
    return static_cast<std::size_t>(index);
}

}  // namespace

ParameterList::ParameterList(MainWindowControls& controls, UnitDescription& description,
                             EventLoop& loop, Dialogs& dialogs)
    : controls_(controls),
      description_(description),
      dialogs_(dialogs),
      flashTimer_(loop.createTimer()) {
    flashTimer_->setInterval(kRefusedKeyFlashMs);
    flashTimer_->setEnabled(false);
    flashTimer_->setOnTick([this] { endFlash(); });
}

int ParameterList::parameterCount() const {
    return std::clamp(description_.parameterCount, 0, kMaxParameters);
}

Parameter* ParameterList::parameterAt(int index) {
    if (index < 0 || index >= parameterCount())
        return nullptr;
    return &description_.parameters[at(index)];
}

Parameter* ParameterList::selectedParameter() {
    return parameterAt(selectedIndex());
}

void ParameterList::reset() {
    endFlash();
    top_ = 0;
    row_ = 0;
    cursor_ = 0;
    unhighlight();
    controls_.listScroll.setMaximum(0);
    controls_.listScroll.setValue(0);
}

void ParameterList::fitScrollBar() {
    controls_.listScroll.setMaximum(std::max(parameterCount() - 1, 0));
}

void ParameterList::selectAfterLoad(int firstRealIndex) {
    top_ = 0;
    row_ = firstRealIndex >= 0 && firstRealIndex < kListRows ? firstRealIndex : 0;
    setScrollValue(row_);
    paint();
    highlight();
    placeCursor();
}

void ParameterList::showAt(int top, int row) {
    top_ = std::max(top, 0);
    row_ = std::clamp(row, 0, kLastRow);
    setScrollValue(top_ + row_);
    paint();
    if (editMode_)
        colourRows();
    placeCursor();
}

void ParameterList::paint() {
    for (int r = 0; r < kListRows; ++r) {
        const Parameter* p = parameterAt(top_ + r);
        controls_.rowTexts[at(r)].setCaption(p != nullptr ? p->text : std::string());
        controls_.rowValues[at(r)].setCaption(p != nullptr ? p->value : std::string());
    }
}

void ParameterList::highlight() {
    // Every other row is cleared too, so that a selection left over from an earlier table
    // cannot stay blue beside the new one.
    colourRows();
    controls_.editCursor.setVisible(true);
    editMode_ = true;
}

void ParameterList::unhighlight() {
    for (int r = 0; r < kListRows; ++r)
        colourRow(r, false);
    controls_.editCursor.setVisible(false);
    editMode_ = false;
}

void ParameterList::placeCursor() {
    const Parameter* p = selectedParameter();
    if (p == nullptr || p->isHeading()) {
        controls_.editCursor.setVisible(false);
        return;
    }
    controls_.editCursor.setVisible(true);
    if (cursor_ == p->format.decimalPos)
        ++cursor_;
    cursor_ = std::clamp(cursor_, 0, std::max(p->format.digits, 0));

    const Geometry& label = controls_.rowValues[at(row_)].geometry();
    controls_.editCursor.setGeometry(
        {label.left + cursor_ * characterWidth_, label.top + label.height, characterWidth_, 0});
}

void ParameterList::takeFocus() {
    if (requestFocus)
        requestFocus();
    else
        onFocusGained();
}

void ParameterList::onFocusGained() {
    if (!canEdit || !canEdit())
        return;
    highlight();
    // The cursor may still stand where an earlier selection left it, or on a heading row.
    placeCursor();
}

void ParameterList::onFocusLost() {
    unhighlight();
}

int ParameterList::clampToScrollRange(int value) const {
    return std::clamp(value, 0, std::max(controls_.listScroll.maximum(), 0));
}

void ParameterList::onScrollValueChanged(int value) {
    controls_.listScroll.setValue(clampToScrollRange(value));
    if (editMode_)
        applyScrollValue();
}

void ParameterList::setScrollValue(int value) {
    const int clamped = clampToScrollRange(value);
    if (clamped == controls_.listScroll.value())
        return;
    controls_.listScroll.setValue(clamped);
    // Setting the bar from code moves the selection like the operator moving it.
    if (editMode_)
        applyScrollValue();
}

void ParameterList::stepScrollBar(int delta) {
    setScrollValue(controls_.listScroll.value() + delta);
}

void ParameterList::applyScrollValue() {
    const int value = controls_.listScroll.value();
    const int d = value - top_;
    if (d < 0) {
        top_ = value;
        row_ = 0;
        paint();
    } else if (d >= kListRows) {
        top_ = value - kLastRow;
        row_ = kLastRow;
        paint();
    } else {
        row_ = d;
    }
    colourRows();
    placeCursor();
}

void ParameterList::colourRows() {
    for (int r = 0; r < kListRows; ++r)
        colourRow(r, r == row_);
}

void ParameterList::colourRow(int row, bool selected) {
    Control& text = controls_.rowTexts[at(row)];
    text.setBackColor(selected ? kSelectedBack : kPlainBack);
    text.setForeColor(selected ? kSelectedFore : kPlainFore);
    const Color valueFore = selected ? kSelectedFore : kPlainFore;
    // A value shown red for a refused key keeps red until its time is up, then takes the
    // colour its row has by then.
    if (flashing() && row == flashRow_) {
        flashSavedColour_ = valueFore;
    } else {
        controls_.rowValues[at(row)].setForeColor(valueFore);
    }
}

void ParameterList::onRowClicked(int row) {
    if (row < 0 || row >= kListRows)
        return;
    if (!canEdit || !canEdit())
        return;
    takeFocus();
    if (row <= parameterCount() - 1) {
        row_ = row;
        colourRows();
        setScrollValue(top_ + row);
    }
    placeCursor();
}

void ParameterList::moveCursor(int delta) {
    const Parameter* p = selectedParameter();
    const int decimalPos = p != nullptr ? p->format.decimalPos : kNoDecimalPoint;
    cursor_ += delta;
    if (cursor_ == decimalPos)
        cursor_ += delta;
}

bool ParameterList::onKeyDown(const KeyEvent& event) {
    if (!editMode_ || parameterCount() == 0)
        return false;

    bool handedOver = false;
    switch (event.key) {
        case Key::Backspace:
        case Key::Left:
            if (cursor_ > 0)
                moveCursor(-1);
            break;
        case Key::Right:
            moveCursor(+1);
            break;
        case Key::Home:
            cursor_ = 0;
            if (event.ctrl) {
                top_ = 0;
                row_ = 0;
                setScrollValue(0);
                paint();
            }
            break;
        case Key::End:
            if (event.ctrl) {
                keyCtrlEnd();
            } else if (const Parameter* p = selectedParameter()) {
                cursor_ = p->format.digits;
            }
            break;
        case Key::PageUp:
            keyPageUp();
            break;
        case Key::PageDown:
            keyPageDown();
            break;
        case Key::Up:
            if (row_ > 0) {
                --row_;
            } else if (top_ > 0) {
                --top_;
                paint();
            }
            stepScrollBar(-1);
            break;
        case Key::Down:
            keyDown();
            stepScrollBar(+1);
            break;
        case Key::Tab:
            if (event.shift)
                return false;
            if (requestFocus)
                requestFocus();
            keyDown();
            // The bar steps with Tab as with Down, so its value keeps naming the selection.
            stepScrollBar(+1);
            break;
        case Key::Enter:
            handedOver = keyEnter();
            break;
        case Key::Other:
            return false;
    }

    colourRows();
    placeCursor();
    // A handed-over change shows the hourglass until the main cycle has run it.
    dialogs_.setMousePointer(handedOver ? MousePointer::Hourglass : MousePointer::Default);
    return true;
}

void ParameterList::keyDown() {
    const int n = parameterCount();
    if (row_ >= n - 1)
        return;
    if (row_ < kLastRow) {
        ++row_;
    } else if (top_ < n - kListRows) {
        ++top_;
        paint();
    }
}

void ParameterList::keyPageUp() {
    if (top_ >= kPageRows) {
        top_ -= kPageRows;
        setScrollValue(top_ + row_);
        paint();
    } else if (top_ != 0) {
        top_ = 0;
        setScrollValue(row_);
        paint();
    } else {
        row_ = 0;
        setScrollValue(0);
    }
}

void ParameterList::keyPageDown() {
    const int n = parameterCount();
    if (top_ < n - 2 * kPageRows) {
        top_ += kPageRows;
        setScrollValue(top_ + row_);
        paint();
    } else if (top_ < n - kListRows) {
        top_ = n - kListRows;
        setScrollValue(top_ + row_);
        paint();
    } else if (top_ == n - kListRows) {
        row_ = kLastRow;
        setScrollValue(top_ + kLastRow);
    } else if (top_ == 0) {
        // The whole table fits in the window: go to its last row.
        row_ = n - 1;
        setScrollValue(n - 1);
    }
}

void ParameterList::keyCtrlEnd() {
    const int n = parameterCount();
    if (n < kListRows) {
        top_ = 0;
        row_ = n - 1;
    } else {
        top_ = n - kListRows;
        row_ = kLastRow;
    }
    setScrollValue(top_ + row_);
    if (const Parameter* p = selectedParameter())
        cursor_ = p->format.digits;
    paint();
}

bool ParameterList::keyEnter() {
    const Parameter* p = selectedParameter();
    if (p == nullptr)
        return false;
    if (p->isHeading()) {
        dialogs_.beep();
        return false;
    }
    if (schedulerBusy && schedulerBusy())
        return false;
    if (changeRequested)
        changeRequested(p->code, cleanValue(p->value), selectedIndex());
    return true;
}

void ParameterList::onKeyPress(char ch) {
    if (!editMode_)
        return;
    Parameter* p = selectedParameter();
    if (p == nullptr || p->isHeading())
        return;

    if (p->code == kBaudRateRegister && !isBaudRateKey(ch)) {
        flashRefused();
        return;
    }
    // Any attempt at a value counts as a change, even one the position then refuses.
    if (isValueKey(ch) && fileChanged != nullptr)
        *fileChanged = true;

    if (replaceCharacter(*p, ch))
        moveCursor(+1);
    placeCursor();
}

bool ParameterList::replaceCharacter(Parameter& parameter, char ch) {
    const ParamFormat& format = parameter.format;
    if (cursor_ == 0) {
        if (!acceptsAtSign(format.signKind, ch))
            return false;
    } else if (cursor_ == format.decimalPos || !isDigit(ch)) {
        return false;
    }
    std::string text = parameter.value;
    if (cursor_ < 0 || at(cursor_) >= text.size())
        return false;
    text[at(cursor_)] = ch;

    if (format.signKind == kSignKindHash && text.front() == '#') {
        const Parameter* rangeEntry = description_.find(kHashRangeRegister);
        text = limitHashValue(text, rangeEntry != nullptr ? &rangeEntry->format : nullptr);
    } else {
        text = limitValue(text, format);
    }
    parameter.value = text;
    controls_.rowValues[at(row_)].setCaption(text);
    return true;
}

void ParameterList::flashRefused() {
    if (flashing() && flashRow_ != row_)
        endFlash();
    if (!flashing()) {
        flashRow_ = row_;
        flashSavedColour_ = controls_.rowValues[at(row_)].foreColor();
    }
    controls_.rowValues[at(row_)].setForeColor(kRefusedFore);
    // Each refused key shows red for the full time again; enabling anew restarts the interval.
    flashTimer_->setEnabled(false);
    flashTimer_->setEnabled(true);
}

void ParameterList::endFlash() {
    if (!flashing())
        return;
    flashTimer_->setEnabled(false);
    controls_.rowValues[at(flashRow_)].setForeColor(flashSavedColour_);
}

}  // namespace qu32
