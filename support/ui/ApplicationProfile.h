#pragma once

#include <QString>

#include <optional>
#include <string>

namespace zeph::windows::ui {

// The application profile: small per-user settings in sections, kept as an INI file in the
// user's configuration folder ($XDG_CONFIG_HOME/quorvex/quorvex-console.ini). A profile that is
// missing, unreadable or damaged reads as empty: every read gives its default. Only a regular
// file (or a link to one) of at most 1 MB is read or written; anything else at its path (a FIFO,
// a device, a folder) and a damaged profile are left untouched, and the log says so once.
class ApplicationProfile {
public:
    static std::wstring getProfileString(const std::wstring& section, const std::wstring& entry,
                                         const std::wstring& fallback);
    static int getProfileInt(const std::wstring& section, const std::wstring& entry, int fallback);
    // False when the profile cannot be written.
    static bool writeProfileString(const std::wstring& section, const std::wstring& entry,
                                   const std::wstring& value);
    static bool writeProfileInt(const std::wstring& section, const std::wstring& entry, int value);

    // The profile's file.
    static QString fileName();
};

}  // namespace zeph::windows::ui
