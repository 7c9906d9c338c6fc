#pragma once

#include <QColor>
#include <QString>
#include <string>

#include "platform/Controls.h"

class QAction;
class QWidget;

namespace qu32 {

// Texts cross into Qt as ISO-8859-1 and come back the same way.
QString fromLatin1(const std::string& text);
std::string toLatin1(const QString& text);
// Colours of the controls are BGR values (0xFF0000 is blue).
QColor toQColor(Color bgr);

// Keeps a widget or a menu action showing what its control holds: every property once when
// bound, then each change as the window logic makes it. A widget that Qt has deleted is left
// alone, so the logic may outlive its window.
class QtControlMirror {
  public:
    struct Options {
        // The widget lets what lies beneath show through instead of filling its background
        // (value labels over their row).
        bool transparent = false;
    };

    // Thickness of a line control in pixels; the logic gives lines a length only.
    static constexpr int kLineThickness = 2;

    static void bind(Control& control, QWidget& widget, Options options);
    static void bind(Control& control, QWidget& widget) { bind(control, widget, Options{}); }
    static void bind(Control& control, QAction& action);
    // Stops mirroring; the widget keeps what it shows.
    static void unbind(Control& control);

    // Applies one property now; bind() calls this for every change.
    static void apply(const Control& control, QWidget& widget, Control::Property property,
                      Options options);
    static void apply(const Control& control, QAction& action, Control::Property property);
};

}  // namespace qu32
