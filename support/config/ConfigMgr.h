#pragma once

#include "support/config/ConfigNotificationWnd.h"
#include "support/config/ConfigValue.h"

#include <boost/signals2/connection.hpp>

#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace zeph::windows::config {

// The process-wide store of settings under dotted keys ("Application.Logging.Debug"). It lives
// in memory only. Every write is announced, asynchronously and in write order, on the thread that
// created the store, with the value as written - but only while someone listens.
class ConfigMgr {
public:
    using Slot = ConfigNotificationWnd::Signal::slot_type;

    // The store, created on the first call; its window belongs to the calling thread (the
    // application calls it first on the window thread). It is never destroyed: code running late
    // at exit may still read it.
    static ConfigMgr& instance();

    // A store of its own, its window on the calling thread; destroy it on that thread.
    ConfigMgr();
    ConfigMgr(const ConfigMgr&) = delete;
    ConfigMgr& operator=(const ConfigMgr&) = delete;
    ~ConfigMgr();

    // True with the value when the key exists; false, value untouched, when it does not. A key
    // that holds another kind is a programming error: boost::bad_get is thrown.
    bool get(const std::wstring& key, bool& value) const;
    bool get(const std::wstring& key, int& value) const;
    bool get(const std::wstring& key, double& value) const;
    // An absent key with a fallback gives the fallback and true.
    bool get(const std::wstring& key, std::wstring& value, const std::wstring* fallback = nullptr) const;

    // Inserts or overwrites (the kind may change), then announces the write. Always true.
    bool set(const std::wstring& key, bool value);
    bool set(const std::wstring& key, int value);
    bool set(const std::wstring& key, double value);
    bool set(const std::wstring& key, const std::wstring& value);
    // A text literal is a string: without this overload it would convert to bool.
    bool set(const std::wstring& key, const wchar_t* value);

    // Slots run on the store's thread, in connection order, once per write made while connected.
    boost::signals2::connection connect(const Slot& slot);
    ConfigNotificationWnd& notificationWindow() { return *window_; }

private:
    template <typename T>
    bool getAs(const char* context, const std::wstring& key, T& value) const;
    bool store(const char* context, const std::wstring& key, ConfigValue&& value);

    std::unique_ptr<ConfigNotificationWnd> window_;
    // Guards values_, and keeps the notifications of concurrent writes in the order of the writes.
    mutable std::mutex mutex_;
    std::map<std::wstring, ConfigValue> values_;
};

}  // namespace zeph::windows::config
