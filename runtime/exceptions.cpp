#include "runtime/exceptions.h"

namespace rt {

std::string InOutErrorText(int errorCode) {
    switch (errorCode) {
    case 2: return "File not found";
    case 3: return "Invalid filename";
    case 4: return "Too many open files";
    case 5: return "File access denied";
    default: return "I/O error " + std::to_string(errorCode);
    }
}

EInOutError::EInOutError(int errorCode) : Exception(InOutErrorText(errorCode)), errorCode_(errorCode) {}

}  // namespace rt
