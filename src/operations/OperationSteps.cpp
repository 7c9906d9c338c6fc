#include "operations/OperationSteps.h"

#include <algorithm>

#include "serial/Retry.h"

namespace qu32::steps {

Result write(OperationHost& host, const std::string& code, const std::string& value, int attempts) {
    Result last = Result::TimeoutHeader;
    retry(attempts, [&](int) -> std::optional<Result> {
        last = host.link().writeRegister(code, value);
        return last == Result::Ok ? std::optional(last) : std::nullopt;
    });
    return last;
}

Result read(OperationHost& host, const std::string& code, std::string& value, int attempts) {
    Result last = Result::TimeoutHeader;
    retry(attempts, [&](int) -> std::optional<Result> {
        last = host.link().readRegister(code, value);
        return last == Result::Ok ? std::optional(last) : std::nullopt;
    });
    return last;
}

void pause(OperationHost& host, int ms) {
    host.link().loop().wait(ms);
}

void showOnButton(OperationHost& host, Control& button, const std::string& text, int ms,
                  const std::string& restored) {
    button.setCaption(text);
    pause(host, ms);
    button.setCaption(restored);
}

void showProgress(OperationHost& host, const std::string& text) {
    host.link().observer().showProgress(text);
}

int parameterCount(OperationHost& host) {
    return std::clamp(host.unit().description.parameterCount, 0, kMaxParameters);
}

Parameter* parameterAt(OperationHost& host, int index) {
    if (index < 0 || index >= parameterCount(host))
        return nullptr;
    return &host.unit().description.parameters[static_cast<std::size_t>(index)];
}

}  // namespace qu32::steps
