#pragma once

#include <algorithm>
#include <list>
#include <string>
#include <vector>

#include "mainwindow/MainWindowFixture.h"
#include "operations/ControlOperation.h"
#include "operations/OperationSteps.h"

namespace qu32::test {

// The captions a control showed, and from when.
struct CaptionLog {
    Strings texts;
    std::vector<double> atMs;
    // How long caption `k` stood before the next one.
    double shownFor(std::size_t k) const {
        return k + 1 < atMs.size() ? atMs[k + 1] - atMs[k] : -1;
    }
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

    static Strings first(const Strings& wire, std::size_t n) {
        return Strings(wire.begin(), wire.begin() + std::ptrdiff_t(std::min(n, wire.size())));
    }
    // The register codes written, in order.
    static Strings writtenCodes(const Strings& wire) {
        Strings codes;
        for (const auto& r : wire) {
            if (r.back() != '?')
                codes.push_back(r.substr(3, 2));
        }
        return codes;
    }

    // Records every caption `control` shows from now on.
    CaptionLog& watch(Control& control) {
        auto& log = logs_.emplace_back();
        control.setObserver([this, &log](Control& c, Control::Property p) {
            if (p == Control::Property::Caption) {
                log.texts.push_back(c.caption());
                log.atMs.push_back(loop.nowMsExact());
            }
        });
        return log;
    }

    int indexOf(const std::string& code) {
        const UnitDescription& d = window.unit.description;
        const Parameter* p = d.find(code);
        EXPECT_NE(p, nullptr) << "no parameter " << code;
        return p != nullptr ? int(p - &d.parameters[0]) : 0;
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

  private:
    std::list<CaptionLog> logs_;
};

}  // namespace qu32::test
