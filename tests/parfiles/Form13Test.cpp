#include "parfiles/Form13.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "settings/ProgramFolder.h"
#include "support/TempFolder.h"

namespace qu32 {
namespace {

namespace fs = std::filesystem;

class Form13Test : public ::testing::Test {
  protected:
    void SetUp() override { setProgramFolder(folder); }
    void TearDown() override { setProgramFolder(""); }
    std::string stored() const {
        std::ifstream in(fs::path(folder) / kFirmwareChoiceFile, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    test::TempFolder temp;
    const std::string folder = temp.path();
};

TEST_F(Form13Test, CaptionsAndExplanationFollowTheTitle) {
    Form13 form("QU 3.2 nimbus");
    EXPECT_EQ(form.window.caption(), "QU 3.2 nimbus");
    EXPECT_EQ(form.Command1.caption(), "&OK");
    EXPECT_EQ(form.Command2.caption(), "&Cancel");
    EXPECT_EQ(form.Label1.caption(),
              "The connected unit is not nimbus compatible.\r"
              "For this reason nimbus is unable to initialize automatically.\r\r"
              "Please select the firmware version of the connected unit in the list box below "
              "and click 'OK'.\r"
              "If the firmware version does not appear in the list box click 'Cancel'. "
              "In this case nimbus will scan the unit and use default settings.");
    // A title shorter than six characters is used whole.
    EXPECT_EQ(form13Explanation("QU").substr(0, 31), "The connected unit is not QU co");
}

// The caller unloads after the dialog returns, whether or not a button closed it.
TEST_F(Form13Test, AClosedDialogTakesNoMoreInput) {
    Form13 form("QU 3.2 nimbus");
    form.Combo1.text = "first";
    form.pressOk();
    form.Combo1.text = "second";
    form.pressCancel();
    form.unload();
    EXPECT_EQ(form.result(), "first");
    EXPECT_EQ(stored(), "first\r\n");
}

TEST_F(Form13Test, AnUnwritableFolderStillGivesTheChoice) {
    setProgramFolder((fs::path(folder) / "missing").string());
    Form13 form("QU 3.2 nimbus");
    form.Combo1.text = "AA45999";
    form.pressOk();
    EXPECT_EQ(form.result(), "AA45999");
    EXPECT_FALSE(form.storeError().empty());
}

}  // namespace
}  // namespace qu32
