#pragma once

#include <algorithm>
#include <list>
#include <string>
#include <vector>

#include "mainwindow/MainWindowFixture.h"
#include "operations/ControlOperation.h"
#include "operations/OperationSteps.h"

namespace qu32::test {

using Strings = std::vector<std::string>;

// A caption as the operator saw it, and from when.
struct ShownCaption {
    double atMs;
    std::string text;
};

// The main window connected to a simulated unit, with the operator's hands (row clicks, keys)
// and eyes (the captions of watched controls, the requests on the wire).
class OperationFixture : public MainWindowFixture {
  protected:
    explicit OperationFixture(const std::string& model = "tq593") : MainWindowFixture(model) {}

    void SetUp() override {
        window.load();
        ASSERT_TRUE(runUntil([&] { return connected(); }, 60000));
        // The first polls set the reset caption and the input panels.
        loop.runFor(500);
        port.clearWritten();
    }

    // The requests since the last call, as "11 01=0150" (a write) or "11 01?" (a read).
    Strings takeWire() {
        const Bytes& w = port.written();
        Strings out;
        for (std::size_t i = 0; i + 5 < w.size();) {
            if (w[i] != 0x04) {
                ++i;
                continue;
            }
            const bool write = w[i + 3] == 0x02;
            const std::size_t c = write ? i + 4 : i + 3;
            std::string s = {char(w[i + 1]), char(w[i + 2]), ' ', char(w[c]), char(w[c + 1])};
            i = c + 3;  // past the ENQ of a read
            if (write) {
                // The block check after the ETX may look like any byte; skip it.
                const auto etx = std::find(w.begin() + std::ptrdiff_t(c), w.end(), 0x03);
                s += "=" + std::string(w.begin() + std::ptrdiff_t(c + 2), etx);
                i = std::size_t(etx - w.begin()) + 2;
            }
            out.push_back(write ? s : s + "?");
        }
        port.clearWritten();
        return out;
    }
    static int count(const Strings& wire, const std::string& request) {
        return int(std::count(wire.begin(), wire.end(), request));
    }
    static Strings first(const Strings& wire, std::size_t n) {
        return Strings(wire.begin(), wire.begin() + std::ptrdiff_t(std::min(n, wire.size())));
    }

    // Records every caption `control` shows from now on.
    std::vector<ShownCaption>& watch(Control& control) {
        auto& log = shown_.emplace_back();
        control.setObserver([this, &log](Control& c, Control::Property p) {
            if (p == Control::Property::Caption)
                log.push_back({loop.nowMsExact(), c.caption()});
        });
        return log;
    }
    static Strings texts(const std::vector<ShownCaption>& log) {
        Strings out;
        for (const auto& s : log)
            out.push_back(s.text);
        return out;
    }
    // How long the caption shown at position `k` stood before the next one.
    static double shownFor(const std::vector<ShownCaption>& log, std::size_t k) {
        return k + 1 < log.size() ? log[k + 1].atMs - log[k].atMs : -1;
    }

    int indexOf(const std::string& code) {
        const UnitDescription& d = window.unit.description;
        for (int i = 0; i < d.parameterCount; ++i) {
            if (d.parameters[std::size_t(i)].code == code)
                return i;
        }
        ADD_FAILURE() << "no parameter " << code;
        return 0;
    }
    Parameter& param(const std::string& code) {
        return window.unit.description.parameters[std::size_t(indexOf(code))];
    }
    // The operator scrolls to the parameter, clicks its row and types over its value.
    void edit(const std::string& code, const std::string& keys = {}) {
        const int index = indexOf(code);
        const int top = std::max(0, index - (kListRows - 1));
        window.list.showAt(top, index - top);
        window.list.onRowClicked(index - top);
        window.list.onKeyDown({Key::Home});
        for (char ch : keys)
            window.list.onKeyPress(ch);
    }
    void pressEnter() { window.list.onKeyDown({Key::Enter}); }
    // Lets the main cycle take the pending operation; its tick has run it to its end by the
    // time the loop returns.
    bool runPending() {
        return runUntil([&] { return !window.scheduler.isBusy(); }, 1000);
    }
    // Runs an operation outside the main cycle, with the cycle held, for its result code.
    Result executeAlone(Operation& operation) {
        window.mainTimer().setEnabled(false);
        const Result r = operation.execute();
        window.mainTimer().setEnabled(true);
        return r;
    }
    static sim::Fault fault(sim::FaultKind kind, const std::string& code, int count) {
        sim::Fault f;
        f.kind = kind;
        f.code = code;
        f.count = count;
        return f;
    }

  private:
    std::list<std::vector<ShownCaption>> shown_;
};

}  // namespace qu32::test
