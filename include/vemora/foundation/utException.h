#pragma once

#include <vemora/foundation/vemoraApi.h>

#include <memory>

namespace Vemora {

// The base of the exceptions the system throws, by value, with an owned wide message (may be null).
// If the message cannot be stored for lack of memory the exception still exists, without one.
class VEMORA_API utException_c {
public:
    utException_c() = default;
    utException_c(const wchar_t* message);
    utException_c(const utException_c& other);
    utException_c& operator=(const utException_c& other);
    ~utException_c();

    const wchar_t* what() const { return message_.get(); }

private:
    std::unique_ptr<wchar_t[]> message_;
};

// Failures of the engine and of tools.
class VEMORA_API stEngineException_c : public utException_c {
public:
    stEngineException_c(const wchar_t* message) : utException_c(message) {}
};

// Failures of interactive commands.
class VEMORA_API stCommandException_c : public utException_c {
public:
    stCommandException_c(const wchar_t* message) : utException_c(message) {}
};

}  // namespace Vemora
