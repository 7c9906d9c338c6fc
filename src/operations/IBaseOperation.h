#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace qu32 {

// Type texts of the operation kinds; the main cycle dispatches on them.
inline constexpr const char* kBaseOperationType = "BaseOperation";
inline constexpr const char* kInputOperationType = "InputOperation";
inline constexpr const char* kChangeParameterOperationType = "ChangeParameterValue";
inline constexpr const char* kControlOperationType = "Control";
inline constexpr const char* kGuiOperationType = "Gui";

// Result of an operation that ended on a fault instead of finishing its work.
inline constexpr std::int32_t kOperationAborted = -1000;
// Result of the neutral operation, which has nothing to do.
inline constexpr std::int32_t kNeutralOperationResult = 1;

// One piece of user work that the main cycle runs between two polling steps. The class itself
// is the neutral operation: it carries a value and a code and does nothing when executed.
// Operation kinds derive from it and override OperationType and Execute.
class IBaseOperation {
  public:
    IBaseOperation() = default;
    virtual ~IBaseOperation() = default;
    IBaseOperation(const IBaseOperation&) = delete;
    IBaseOperation& operator=(const IBaseOperation&) = delete;

    virtual std::string OperationType() const { return kBaseOperationType; }

    virtual std::string Value() const { return value_; }
    virtual void setValue(std::string value) { value_ = std::move(value); }

    // A two-character register code, or the name of a GUI command.
    virtual std::string Code() const { return code_; }
    virtual void setCode(std::string code) { code_ = std::move(code); }

    virtual std::int32_t Execute() { return kNeutralOperationResult; }

    // Conforming operations answer "BaseOperation"; the main cycle drops anything else unrun.
    virtual std::string Test() const { return kBaseOperationType; }

    // What the neutral part of every operation reports as its type.
    std::string InterfaceTest() const { return kBaseOperationType; }

  private:
    std::string value_;
    std::string code_;
};

}  // namespace qu32
