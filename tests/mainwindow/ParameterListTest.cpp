#include "mainwindow/ParameterList.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/ScriptedDialogs.h"
#include "support/VirtualEventLoop.h"
#include "unit/ValueEncoding.h"

namespace qu32 {
namespace {

const ParamFormat kSigned6 = formatFromBytes(0x86, 0);      // +000000
const ParamFormat kSigned6Dec2 = formatFromBytes(0x86, 2);  // +0000.00
const ParamFormat kUnsigned4 = formatFromBytes(0x04, 0);    // 0000
const ParamFormat kHash6 = formatFromBytes(0xA6, 0);        // #000000
const ParamFormat kBaudDigit = formatFromBytes(0x01, 0);    // 0

ParamFormat ranged(ParamFormat f, std::int32_t lo, std::int32_t hi) {
    f.minValue = lo;
    f.maxValue = hi;
    return f;
}
const ParamFormat kWide = ranged(kSigned6, -999999, 999999);

class ParameterListTest : public ::testing::Test {
  protected:
    ParameterListTest() {
        list.canEdit = [this] { return loaded; };
        list.schedulerBusy = [this] { return busy; };
        list.changeRequested = [this](const std::string& c, const std::string& w, int i) {
            changes.push_back(c + " " + w + " " + std::to_string(i));
        };
        list.requestFocus = [this] { list.onFocusGained(); };
        list.fileChanged = &fileChanged;
    }

    Parameter& param(int i) { return unit->parameters[static_cast<std::size_t>(i)]; }
    void define(int i, std::string code, ParamFormat f, const std::string& raw = "") {
        param(i) = {"P" + std::to_string(i), std::move(code), f, 0, 0, formatValue(raw, f), {}};
    }
    // n signed parameters with unique codes that are neither "01", "91" nor "xx".
    void fill(int n) {
        unit->parameterCount = n;
        for (int i = 0; i < n; ++i)
            define(i, {char('A' + i / 26 % 26), char('a' + i % 26)}, kWide);
    }
    void load(int firstReal = 0) {
        loaded = true;
        list.fitScrollBar();
        list.selectAfterLoad(firstReal);
    }
    bool key(Key k, bool ctrl = false, bool shift = false) {
        return list.onKeyDown({k, shift, ctrl, 0});
    }
    void type(const std::string& text) {
        for (char c : text)
            list.onKeyPress(c);
    }
    // The list shows from `top` with `row` selected: scroll bar, first text and highlight agree.
    void expectAt(int top, int row) {
        EXPECT_EQ(list.top(), top);
        EXPECT_EQ(list.selectedRow(), row);
        EXPECT_EQ(form.listScroll.value(), top + row);
        EXPECT_EQ(form.rowTexts[0].caption(), "P" + std::to_string(top));
        for (int r = 0; r < kListRows; ++r)
            EXPECT_EQ(form.rowTexts[static_cast<std::size_t>(r)].backColor(),
                      r == row ? kBlue : kWhite)
                << r;
    }

    MainWindowControls form;
    std::unique_ptr<UnitDescription> unit = std::make_unique<UnitDescription>();
    test::VirtualEventLoop loop;
    test::ScriptedDialogs dialogs;
    ParameterList list{form, *unit, loop, dialogs};
    bool loaded = false, busy = false, fileChanged = false;
    std::vector<std::string> changes;  // code, wire value and index of each handed over
};

// Keys (or, with `scroll` set, a mouse move of the scroll bar) from a given top and row.
TEST_F(ParameterListTest, NavigationOnShortAndLongLists) {
    const struct {
        int n, top, row;
        Key key;
        int scroll;  // -1: the key, else the scroll bar's new value
        int wantTop, wantRow;
    } cases[] = {
        {10, 0, 9, Key::Down, -1, 0, 9},        {10, 0, 3, Key::PageDown, -1, 0, 9},
        {10, 0, 9, Key::PageUp, -1, 0, 0},      {10, 0, 2, Key::End, -1, 0, 9},
        {100, 60, 5, Key::PageDown, -1, 75, 5}, {100, 75, 5, Key::PageDown, -1, 75, 24},
        {100, 0, 3, Key::PageDown, -1, 25, 3},  {100, 50, 3, Key::PageDown, -1, 75, 3},
        {100, 60, 5, Key::PageUp, -1, 35, 5},   {100, 10, 5, Key::PageUp, -1, 0, 5},
        {100, 0, 5, Key::PageUp, -1, 0, 0},     {100, 10, 4, Key::Up, -1, 10, 3},
        {100, 10, 0, Key::Up, -1, 9, 0},        {100, 0, 0, Key::Up, -1, 0, 0},
        {100, 10, 24, Key::Down, -1, 11, 24},   {100, 75, 24, Key::Down, -1, 75, 24},
        {100, 0, 23, Key::Tab, -1, 0, 24},      {100, 0, 24, Key::Tab, -1, 1, 24},
        {100, 40, 7, Key::Home, -1, 0, 0},      {100, 0, 0, Key::End, -1, 75, 24},
        {100, 0, 0, Key::Up, 10, 0, 10},        {100, 0, 10, Key::Up, 60, 36, 24},
        {100, 36, 24, Key::Up, 20, 20, 0},      {100, 20, 0, Key::Up, 30, 20, 10},
        {100, 20, 10, Key::Up, 500, 75, 24},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.n << ": " << c.top << "/" << c.row << " key "
                                          << int(c.key) << " scroll " << c.scroll);
        fill(c.n);
        load();
        list.showAt(c.top, c.row);
        if (c.scroll < 0) {
            EXPECT_TRUE(key(c.key, c.key == Key::End || c.key == Key::Home));
        } else {
            list.onScrollValueChanged(c.scroll);
        }
        expectAt(c.wantTop, c.wantRow);
        EXPECT_EQ(form.rowValues[static_cast<std::size_t>(c.wantRow)].foreColor(), kYellow);
    }
    list.showAt(0, 0);
    key(Key::End, true);
    EXPECT_EQ(list.cursorCharacter(), kSigned6.digits);  // Ctrl+End goes to the last digit
    EXPECT_FALSE(key(Key::Tab, false, true));            // Shift+Tab is left to the window

    fill(10);
    load();
    EXPECT_EQ(form.rowTexts[10].caption() + form.rowValues[10].caption(), "");
    list.onRowClicked(12);  // below the end: nothing to select
    expectAt(0, 0);
}

TEST_F(ParameterListTest, TypingFollowsSignKindRangeAndTheHashRule) {
    const struct {
        ParamFormat format;
        std::string start;
        int rights;
        std::string typed, want;
        int wantCursor;
    } cases[] = {
        {kWide, "+000000", 0, "-12", "-120000", 3},
        {kWide, "+000000", 0, "5#x", "+000000", 0},
        {kWide, "+000042", 5, "789", "+000079", 6},  // stays last
        {kWide, "+000000", 2, "+x", "+000000", 2},
        {ranged(kUnsigned4, 0, 9999), "0000", 0, "+7", "7000", 1},
        {ranged(kHash6, -999999, 999999), "+000012", 0, "-3", "-300012", 2},
        {ranged(kSigned6, -500, 500), "+000000", 4, "9", "+000500", 5},  // above the maximum
        {ranged(kSigned6Dec2, -999999, 999999), "+0000.00", 4, "31", "+0003.10", 7},
        {ranged(kHash6, 0, 999999), "+000123", 0, "#", "#000123", 1},  // within "01"
        {ranged(kHash6, 0, 999999), "+000750", 0, "#", "#000500", 1},  // above "01"
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.start + " <- " + c.typed);
        list.reset();
        fill(3);
        define(0, "01", ranged(kSigned6, 0, 500));
        define(1, "Qa", c.format, c.start);
        load(1);
        list.setCharacterWidth(10);
        form.rowValues[1].setGeometry({100, 50, 80, 20});
        fileChanged = false;
        for (int i = 0; i < c.rights; ++i)
            key(Key::Right);
        type(c.typed);
        // The cursor skips the decimal point and stands under its character.
        EXPECT_EQ(form.editCursor.geometry(), (Geometry{100 + c.wantCursor * 10, 70, 10, 0}));
        EXPECT_EQ(param(1).value, c.want);
        EXPECT_EQ(form.rowValues[1].caption(), c.want);
        EXPECT_TRUE(fileChanged && changes.empty());
    }
}

// Left and Backspace walk back over the decimal point as Right walks forward over it, so the
// digit before the point can be typed over.
TEST_F(ParameterListTest, LeftAndBackspaceSkipTheDecimalPoint) {
    for (const Key back : {Key::Left, Key::Backspace}) {
        SCOPED_TRACE(back == Key::Left ? "Left" : "Backspace");
        list.reset();
        fill(2);
        define(1, "Qa", ranged(kSigned6Dec2, -999999, 999999), "+0000.00");
        load(1);
        list.setCharacterWidth(10);
        form.rowValues[1].setGeometry({100, 50, 80, 20});
        key(Key::End);
        std::vector<int> cursors;
        for (int i = 0; i < 7; ++i) {
            key(back);
            cursors.push_back(list.cursorCharacter());
        }
        // The point stands at 5; the sign place is the end of the way.
        EXPECT_EQ(cursors, (std::vector<int>{6, 4, 3, 2, 1, 0, 0}));
        for (int i = 0; i < 5; ++i)  // 1, 2, 3, 4, then over the point to 6
            key(Key::Right);
        key(back);
        EXPECT_EQ(list.cursorCharacter(), 4);
        type("9");
        EXPECT_EQ(param(1).value, "+0009.00");
        EXPECT_EQ(form.editCursor.geometry(), (Geometry{160, 70, 10, 0}));
    }
}

TEST_F(ParameterListTest, BaudRateParameterFlashesRedOnOtherKeys) {
    fill(3);
    define(1, kBaudRateRegister, ranged(kBaudDigit, 0, 6), "0");
    load(1);
    ASSERT_EQ(form.rowValues[1].foreColor(), kYellow);

    type("7");
    EXPECT_EQ(form.rowValues[1].foreColor(), kRed);
    EXPECT_TRUE(param(1).value == "0" && !fileChanged);
    loop.runFor(300);
    type("9");  // a second refusal shows red for the full time again
    loop.runFor(499);
    EXPECT_EQ(form.rowValues[1].foreColor(), kRed);
    loop.runFor(1);
    EXPECT_EQ(form.rowValues[1].foreColor(), kYellow);

    type("5");
    EXPECT_TRUE(param(1).value == "5" && fileChanged);

    // Moving away while red: the row takes its new colour when the time is up.
    type("x");
    key(Key::Down);
    EXPECT_EQ(form.rowValues[1].foreColor(), kRed);
    loop.runFor(500);
    EXPECT_EQ(form.rowValues[1].foreColor(), kBlack);
}

// After loading, the first real parameter is selected only when it is on the first page. Enter
// hands over the selected value in wire form, unless it is a heading (a beep) or an operation
// waits.
TEST_F(ParameterListTest, EnterHandsOverTheWireValueUnlessHeadingOrBusy) {
    fill(40);
    for (int i = 0; i < 30; ++i)
        define(i, kHeadingCode, {});
    define(31, "Qa", kSigned6Dec2, "-0012.34");
    load(30);
    expectAt(0, 0);
    EXPECT_FALSE(form.editCursor.visible()) << "no cursor on a heading";
    type("5");
    key(Key::Enter);
    EXPECT_EQ(dialogs.beeps, 1);
    EXPECT_FALSE(fileChanged);

    list.showAt(10, 21);
    key(Key::Enter);
    EXPECT_EQ(changes, std::vector<std::string>{"Qa -001234 31"});
    EXPECT_EQ(dialogs.pointer, MousePointer::Hourglass);
    busy = true;
    key(Key::Enter);
    EXPECT_EQ(changes.size(), 1u);
    EXPECT_EQ(dialogs.pointer, MousePointer::Default);
}

TEST_F(ParameterListTest, NothingHappensBeforeLoadOrOutsideEditMode) {
    fill(30);
    list.onRowClicked(3);
    list.onFocusGained();
    EXPECT_FALSE(list.editMode());
    EXPECT_EQ(form.rowTexts[3].backColor(), kWhite);

    load(2);
    list.onFocusLost();
    EXPECT_FALSE(form.editCursor.visible());
    for (Key k : {Key::Down, Key::PageDown, Key::End, Key::Enter, Key::Tab})
        EXPECT_FALSE(key(k, true));
    type("5-");
    list.onScrollValueChanged(20);  // the bar moves alone
    EXPECT_EQ(list.selectedRow(), 2);
    EXPECT_EQ(param(2).value, "+000000");
    EXPECT_TRUE(changes.empty());
    EXPECT_FALSE(fileChanged);
}

}  // namespace
}  // namespace qu32
