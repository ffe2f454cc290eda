#include "support/config/ConfigMgr.h"

#include "support/logging/LogBeacon.h"
#include "support/platform/MessageWindow.h"

#include <utility>

namespace zeph::windows::config {

using logging::LogBeacon;

ConfigMgr& ConfigMgr::instance() {
    static ConfigMgr* const store = new ConfigMgr;
    return *store;
}

ConfigMgr::ConfigMgr() : window_(std::make_unique<ConfigNotificationWnd>()) {
    LogBeacon::log("zeph::windows::config::ConfigMgr::ConfigMgr", logging::DebugLevel1, L" ");
}

ConfigMgr::~ConfigMgr() = default;

template <typename T>
bool ConfigMgr::getAs(const char* context, const std::wstring& key, T& value) const {
    LogBeacon::log(context, logging::DebugLevel1, L" ");
    const std::lock_guard lock(mutex_);
    const auto found = values_.find(key);
    if (found == values_.end()) {
        return false;
    }
    value = boost::get<T>(found->second);
    return true;
}

bool ConfigMgr::get(const std::wstring& key, bool& value) const {
    return getAs("zeph::windows::config::ConfigMgr::get", key, value);
}

bool ConfigMgr::get(const std::wstring& key, int& value) const {
    return getAs("zeph::windows::config::ConfigMgr::get", key, value);
}

bool ConfigMgr::get(const std::wstring& key, double& value) const {
    return getAs("zeph::windows::config::ConfigMgr::get", key, value);
}

bool ConfigMgr::get(const std::wstring& key, std::wstring& value, const std::wstring* fallback) const {
    if (getAs("zeph::windows::config::ConfigMgr::get", key, value)) {
        return true;
    }
    if (fallback == nullptr) {
        return false;
    }
    value = *fallback;
    return true;
}

bool ConfigMgr::set(const std::wstring& key, bool value) {
    return store("zeph::windows::config::ConfigMgr::set", key, ConfigValue(value));
}

bool ConfigMgr::set(const std::wstring& key, int value) {
    return store("zeph::windows::config::ConfigMgr::set", key, ConfigValue(value));
}

bool ConfigMgr::set(const std::wstring& key, double value) {
    return store("zeph::windows::config::ConfigMgr::set", key, ConfigValue(value));
}

bool ConfigMgr::set(const std::wstring& key, const std::wstring& value) {
    return store("zeph::windows::config::ConfigMgr::set", key, ConfigValue(value));
}

bool ConfigMgr::set(const std::wstring& key, const wchar_t* value) {
    return set(key, std::wstring(value != nullptr ? value : L""));
}

bool ConfigMgr::store(const char* context, const std::wstring& key, ConfigValue&& value) {
    LogBeacon::log(context, logging::DebugLevel1, L" ");
    const std::lock_guard lock(mutex_);
    ConfigValue& stored = values_.insert_or_assign(key, std::move(value)).first->second;
    if (window_->signal().empty()) {
        return true;
    }
    auto keyCopy = std::make_unique<std::wstring>(key);
    auto valueCopy = std::make_unique<ConfigValue>(stored);
    if (platform::postMessage(window_->handle(), ConfigNotificationWnd::CWM_NOTIFY_CONFIGCHANGE(),
                              reinterpret_cast<platform::WPARAM>(keyCopy.get()),
                              reinterpret_cast<platform::LPARAM>(valueCopy.get()))) {
        // The window owns both copies now.
        keyCopy.release();
        valueCopy.release();
    }
    return true;
}

boost::signals2::connection ConfigMgr::connect(const Slot& slot) {
    LogBeacon::log("zeph::windows::config::ConfigMgr::connect", logging::DebugLevel1, L" ");
    return window_->signal().connect(slot);
}

}  // namespace zeph::windows::config
