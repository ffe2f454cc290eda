#pragma once

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <typeinfo>

namespace zeph::platform {

// A class name spelled as the Windows toolchain spells it in the log contexts of this program:
// template arguments carry "class " and nested closing brackets are spaced
// ("TUserInterface<class THealthCheck<class TCommandAndControl<class QuorvexSupervisor> > >").
std::string windowsClassName(const std::string& demangledName);

template <typename T>
const std::string& windowsClassName() {
    static const std::string name = [] {
        int status = 0;
        std::unique_ptr<char, void (*)(void*)> demangled(
            abi::__cxa_demangle(typeid(T).name(), nullptr, nullptr, &status), std::free);
        return windowsClassName(status == 0 && demangled ? std::string(demangled.get()) : typeid(T).name());
    }();
    return name;
}

// "Class::operation" for a log context.
template <typename T>
std::string operationContext(const char* operation) {
    return windowsClassName<T>() + "::" + operation;
}

}  // namespace zeph::platform
