#pragma once

#include <cstdint>
#include <string>

#include "operations/IBaseOperation.h"
#include "platform/Controls.h"

namespace qu32 {

class MainWindow;

// Drives one of the unit's PC-controlled inputs from its input button and shows the outcome on
// that button for a moment.
class clsInputOperation : public IBaseOperation {
  public:
    explicit clsInputOperation(MainWindow& window) : window_(window) {}

    std::string OperationType() const override { return kInputOperationType; }

    void Add(const std::string& code, const std::string& value, Control& controlObject,
             const std::string& successInfo, const std::string& errorInfo);

    Control* ControlObject() const { return controlObject_; }
    const std::string& SuccessInfo() const { return successInfo_; }
    const std::string& ErrorInfo() const { return errorInfo_; }

    // The last write result; kOperationAborted on a fault.
    std::int32_t Execute() override;

  private:
    MainWindow& window_;
    Control* controlObject_ = nullptr;
    std::string successInfo_;
    std::string errorInfo_;
};

}  // namespace qu32
