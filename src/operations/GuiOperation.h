#pragma once

#include <cstdint>
#include <string>

#include "operations/IBaseOperation.h"
#include "platform/Controls.h"

namespace qu32 {

class MainWindow;

// Window commands that must not cut into serial traffic.
inline constexpr char kGuiSave[] = "Save";
inline constexpr char kGuiSaveAs[] = "SaveAs";
inline constexpr char kGuiConfigCom[] = "ConfigCom";
inline constexpr char kGuiReInit[] = "ReInit";
inline constexpr char kGuiDisable[] = "Disable";

inline constexpr char kDisableCommunicationCaption[] = "&Disable Communication";
inline constexpr char kEnableCommunicationCaption[] = "&Enable Communication";
// Lets the port settle after it was opened or closed, before the caption tells about it.
inline constexpr int kDisableSettleMs = 100;

// A window command run by the main cycle between two polling steps, in every state.
class clsGuiOperation : public IBaseOperation {
  public:
    explicit clsGuiOperation(MainWindow& window) : window_(window) {}

    std::string OperationType() const override { return kGuiOperationType; }

    // `code` names the command; `controlObject` is the menu entry that started it.
    void Add(const std::string& code, const std::string& value, Control& controlObject);
    // A command to run in the same tick once this one has done its work, so that nothing can
    // come between them ("ReInit" after the save of the close prompt). It does not run when
    // this one did not get its work done (a save that wrote nothing).
    void setFollowUp(const std::string& code) { followUp_ = code; }
    const std::string& FollowUp() const { return followUp_; }

    Control* ControlObject() const { return controlObject_; }

    // 1, or kOperationAborted on a fault.
    std::int32_t Execute() override;

  private:
    bool run(const std::string& code);
    void ReInit();
    void Disable();

    MainWindow& window_;
    Control* controlObject_ = nullptr;
    std::string followUp_;
};

}  // namespace qu32
