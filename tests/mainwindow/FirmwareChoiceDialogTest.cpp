#include "mainwindow/FirmwareChoiceDialog.h"

#include <gtest/gtest.h>

#include <string>

#include "mainwindow/MainWindowControls.h"
#include "mainwindow/WindowObserver.h"
#include "support/ScriptedDialogs.h"

namespace qu32 {
namespace {

using Action = test::ScriptedDialogs::ChoiceAction;

TEST(FirmwareChoiceDialog, CaptionsAndExplanationFollowTheTitle) {
    FirmwareChoiceDialog dialog("QU 3.2 nimbus");
    EXPECT_EQ(dialog.window.caption(), "QU 3.2 nimbus");
    EXPECT_EQ(dialog.okButton.caption(), "&OK");
    EXPECT_EQ(dialog.cancelButton.caption(), "&Cancel");
    EXPECT_EQ(dialog.explanation.caption(),
              "The connected unit is not nimbus compatible.\r"
              "For this reason nimbus is unable to initialize automatically.\r\r"
              "Please select the firmware version of the connected unit in the list box below "
              "and click 'OK'.\r"
              "If the firmware version does not appear in the list box click 'Cancel'. "
              "In this case nimbus will scan the unit and use default settings.");
    // A title shorter than six characters is used whole.
    EXPECT_EQ(firmwareChoiceExplanation("QU").substr(0, 31), "The connected unit is not QU co");
}

// The window shows the choice with the normal pointer and gives back what the list showed when
// it closed, and whether OK closed it; the first press counts.
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
        EXPECT_EQ(dialogs.choicesShown.back().pointer, MousePointer::Default);
        EXPECT_EQ(dialogs.choicesShown.back().items, names);
        EXPECT_EQ(dialogs.choicesShown.back().text, "B");
        EXPECT_EQ(dialogs.choicesShown.back().caption, "QU 3.2 nimbus");
        EXPECT_EQ(dialogs.pointer, MousePointer::Hourglass);
    }

    FirmwareChoiceDialog dialog("QU 3.2 nimbus");
    dialog.pressCancel();
    dialog.pressOk();
    EXPECT_FALSE(dialog.confirmed());
}

}  // namespace
}  // namespace qu32
