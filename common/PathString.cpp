#include "common/PathString.h"

namespace common {

std::unique_ptr<PathString> PathString::Clone() const {
    return std::make_unique<PathString>(*this);
}

std::unique_ptr<PathString> PathString::NewEmpty() {
    return std::make_unique<PathString>();
}

} // namespace common
