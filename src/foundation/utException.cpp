#include <vemora/foundation/utException.h>

#include <cwchar>
#include <new>

namespace Vemora {

namespace {
// A copy of message, or none when there is none or no memory for it.
std::unique_ptr<wchar_t[]> copyMessage(const wchar_t* message) {
    if (!message) return nullptr;
    const size_t n = std::wcslen(message) + 1;
    std::unique_ptr<wchar_t[]> copy(new (std::nothrow) wchar_t[n]);
    if (copy) std::wmemcpy(copy.get(), message, n);
    return copy;
}
}  // namespace

utException_c::utException_c(const wchar_t* message) : message_(copyMessage(message)) {}

utException_c::utException_c(const utException_c& other) : message_(copyMessage(other.what())) {}

utException_c& utException_c::operator=(const utException_c& other) {
    if (this != &other) message_ = copyMessage(other.what());
    return *this;
}

utException_c::~utException_c() = default;

}  // namespace Vemora
