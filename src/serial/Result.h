#pragma once

#include <string>

namespace qu32 {

// The outcome of everything that talks to the unit: the serial transactions, the readers built on
// them and the operations. Failures keep the numbers the units' documentation and our support
// know them by, so they are printed as they are.
enum class Result : int {
    Ok = 1,
    LineFailed = -1,
    NotAcknowledged = -2,
    UnknownCode = -3,
    TimeoutHeader = -4,
    NotStx = -10,
    WrongCodeHigh = -11,
    WrongCodeLow = -12,
    TimeoutData = -13,
    NoEtx = -14,
    BadBlockCheck = -15,
    PacketTooShort = -16,
    NotStatusAnswer = -17,
    BadStatusLength = -18,
    BadStatusDigit = -19,
    InternalFault = -98,
    PortNotOpen = -99,
    NoWakeEvent = -100,
    Aborted = -1000,
};

constexpr int numberOf(Result result) {
    return static_cast<int>(result);
}

// Every result has its own fixed message. A switch without a default: a result added without its
// message does not compile (-Wswitch is an error).
constexpr const char* messageOf(Result result) {
    switch (result) {
        case Result::Ok:
            return "Done.";
        case Result::LineFailed:
            return "The unit does not answer.";
        case Result::NotAcknowledged:
            return "Response is not ACK.";
        case Result::UnknownCode:
            return "Unknown code.";
        case Result::TimeoutHeader:
            return "Timeout during reading header.";
        case Result::NotStx:
            return "1.Byte is not STX.";
        case Result::WrongCodeHigh:
            return "High byte of code is not correct.";
        case Result::WrongCodeLow:
            return "low byte of code is not correct.";
        case Result::TimeoutData:
            return "Timeout during reading data.";
        case Result::NoEtx:
            return "ETX error.";
        case Result::BadBlockCheck:
            return "BCC incorrect.";
        case Result::PacketTooShort:
            return "Length of packet is smaller than 5 bytes.";
        case Result::NotStatusAnswer:
            return "4te char isn't Asc(H)";
        case Result::BadStatusLength:
            return "Number of char is incorrect.";
        case Result::BadStatusDigit:
            return "Didn't pass Data check.";
        // Not a unit error: the program refuses to write past its own bounds.
        case Result::InternalFault:
            return "Internal fault: the answer does not fit its buffer.";
        case Result::PortNotOpen:
            return "Com port is not open.";
        case Result::NoWakeEvent:
            return "Internal fault: the wake-up event could not be created.";
        case Result::Aborted:
            return "The operation was aborted.";
    }
    return "";
}

// The serial transactions; a failure is reported under the transaction's name.
enum class Transaction {
    ReadRegister,
    ReadVersion,
    ReadStatus,
    WriteRegister,
    SetUnitFormat,
    ReadByteBlock,
    ReadLongBlock,
};

constexpr const char* sourceOf(Transaction transaction) {
    switch (transaction) {
        case Transaction::ReadRegister:
            return "Serial.Read_Parameter";
        case Transaction::ReadVersion:
            return "Serial.Read_Version";
        case Transaction::ReadStatus:
            return "Read_Status";
        case Transaction::WriteRegister:
            return "Transmit_Parameter";
        case Transaction::SetUnitFormat:
            return "Set_UnitFormat";
        case Transaction::ReadByteBlock:
            return "Read_IntData";
        case Transaction::ReadLongBlock:
            return "Read_LongData";
    }
    return "";
}

// The last failure of a transaction, for diagnostics: what went wrong (the result's message with
// any detail) and in which transaction.
struct LinkError {
    Result result = Result::Ok;
    std::string description;
    std::string source;
};

}  // namespace qu32
