#pragma once

namespace qu32 {

// Keys as the window forwards them: the key-down code with Shift and Ctrl, and for a key that
// produces a character, that character (ISO-8859-1) on the key-press.
enum class Key { Other, Backspace, Left, Right, Home, End, PageUp, PageDown, Up, Down, Tab, Enter };

struct KeyEvent {
    Key key = Key::Other;
    bool shift = false;
    bool ctrl = false;
    char ch = 0;  // 0 when the key produces no character
};

}  // namespace qu32
