#include "mainwindow/FirmwareChoiceDialog.h"

#include <gtest/gtest.h>

#include <string>

#include "mainwindow/MainWindowControls.h"
#include "mainwindow/WindowObserver.h"
#include "support/ScriptedDialogs.h"

namespace qu32 {
namespace {

using Action = test::ScriptedDialogs::ChoiceAction;

// The window shows the choice under the program's title with the normal pointer, and gives back
// what the list showed when it closed, and whether OK closed it; the first press counts.
TEST(FirmwareChoiceDialog, TheWindowAsksWithTheNormalPointerAndReportsTheShownName) {
    MainWindowControls controls;
    test::ScriptedDialogs dialogs;
    CompanyInfo company{"QU 3.2 nimbus", "", "", "", ""};
    WindowObserver observer(controls, dialogs, company);
    const std::vector<std::string> names{"A", "B"};
    // Typed text, how it was left, and what the window reports.
    const std::tuple<std::optional<std::string>, Action, std::string, bool> kCases[] = {
        {std::nullopt, Action::Ok, "B", true},
        {"A", Action::Ok, "A", true},
        {"A", Action::Cancel, "A", false},
        {"typed", Action::Close, "typed", false},
    };
    for (const auto& [typed, action, shown, confirmed] : kCases) {
        dialogs.pointer = MousePointer::Hourglass;
        dialogs.choiceAnswers.push_back({typed, action});
        const FirmwareChoice choice = observer.chooseFirmware(names, "B");
        EXPECT_EQ(choice.shownName, shown);
        EXPECT_EQ(choice.confirmed, confirmed);
        const auto& asked = dialogs.choicesShown.back();
        EXPECT_EQ(asked.pointer, MousePointer::Default);
        EXPECT_EQ(asked.items, names);
        EXPECT_EQ(asked.text, "B");
        EXPECT_EQ(asked.caption, "QU 3.2 nimbus");
        // The explanation names the program by the end of its title.
        EXPECT_NE(asked.explanation.find("is not nimbus compatible"), std::string::npos);
        EXPECT_EQ(asked.explanation.find("QU 3.2"), std::string::npos);
        EXPECT_EQ(dialogs.pointer, MousePointer::Hourglass);
    }
    // A title shorter than six characters is used whole.
    EXPECT_EQ(firmwareChoiceExplanation("QU").substr(0, 31), "The connected unit is not QU co");

    FirmwareChoiceDialog dialog("QU 3.2 nimbus");
    EXPECT_EQ(dialog.okButton.caption() + "|" + dialog.cancelButton.caption(), "&OK|&Cancel");
    dialog.pressCancel();
    dialog.pressOk();
    EXPECT_FALSE(dialog.confirmed());
}

}  // namespace
}  // namespace qu32
