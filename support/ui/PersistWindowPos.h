#pragma once

#include <optional>
#include <string>

class QWidget;

namespace zeph::windows::ui {

// Remembers where a top-level window was and how it was shown (normal, minimised, maximised)
// under a section name, and puts it back there the next time the window opens. It keeps the
// entries "Rectangle", "Iconized" and "Maximized" in the application profile, or, in store
// mode, under the keys "<section>.Rectangle", ".Iconized" and ".Maximized" of the process's
// configuration store. Use it on the window's thread.
class PersistWindowPos {
public:
    // The window is not owned and must outlive this keeper.
    PersistWindowPos(QWidget* window, std::wstring section);
    PersistWindowPos(const PersistWindowPos&) = delete;
    PersistWindowPos& operator=(const PersistWindowPos&) = delete;
    virtual ~PersistWindowPos();

    // False (the default): the application profile; true: the configuration store.
    void setStoreMode(bool storeMode) { storeMode_ = storeMode; }

    // Called once the window exists, before it is shown. True when a stored rectangle was found
    // and applied; nothing stored, or a damaged entry, changes nothing and gives false. A
    // rectangle that lies off every screen is brought back onto the primary screen.
    virtual bool restore();
    // Called when the window is about to close.
    virtual void save();

private:
    struct Entries {
        std::wstring rectangle;
        bool iconized = false;
        bool maximized = false;
    };

    Entries readProfile() const;
    std::optional<Entries> readStore() const;
    void writeProfile(const Entries& entries) const;
    void writeStore(const Entries& entries) const;
    std::wstring storeKey(const wchar_t* entry) const;

    QWidget* window_;
    std::wstring section_;
    bool storeMode_ = false;
};

}  // namespace zeph::windows::ui
