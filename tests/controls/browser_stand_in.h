// A stand-in for the web browser of the link tests: the process start is
// recorded, and the file type of web pages is registered by the test.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <windows.h>

#include "controls/link_label.h"

namespace guitest {

// Stands in for the process start and for the file-type registration of
// web pages.  The registration goes where HKEY_CLASSES_ROOT shows it: the
// user's own classes on Windows; Wine does not show those there, so under
// Wine (a prefix of the tests' own) the classes root itself.
class Browser {
public:
    struct Start {
        std::wstring commandLine;
        int showCode;
    };

    Browser() {
        SetBrowserStarter([this](const std::wstring& line, int code) {
            starts.push_back({line, code});
            return 33u;
        });
        // Does the user's class show through the root?
        Write(L"Software\\Classes\\.tessavel-probe", L"probe");
        HKEY probe;
        if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L".tessavel-probe", 0, KEY_QUERY_VALUE, &probe) == ERROR_SUCCESS) {
            RegCloseKey(probe);
        } else {
            root_ = HKEY_CLASSES_ROOT;
            prefix_.clear();
        }
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Classes\\.tessavel-probe");
        saved_ = Read(prefix_ + L".htm");
    }
    ~Browser() {
        SetBrowserStarter(nullptr);
        RegDeleteTreeW(root_, (prefix_ + L"TessavelTestPage").c_str());
        if (saved_) Write(prefix_ + L".htm", *saved_);
        else RegDeleteTreeW(root_, (prefix_ + L".htm").c_str());
    }
    // The ".htm" type and its open command; a null command leaves it out.
    // `valueType` REG_EXPAND_SZ stores a command that names variables.
    void Register(const wchar_t* type, const wchar_t* command, DWORD valueType = REG_SZ) {
        Write(prefix_ + L".htm", type);
        RegDeleteTreeW(root_, (prefix_ + L"TessavelTestPage").c_str());
        if (command) Write(prefix_ + L"TessavelTestPage\\shell\\open\\command", command, valueType);
    }

    std::vector<Start> starts;

private:
    std::optional<std::wstring> Read(const std::wstring& key) const {
        wchar_t value[512];
        DWORD size = sizeof value;
        if (RegGetValueW(root_, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
            return std::nullopt;
        return std::wstring(value);
    }
    void Write(const std::wstring& key, const std::wstring& value, DWORD valueType = REG_SZ) const {
        ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(root_, key.c_str(), nullptr, valueType, value.c_str(),
                                                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))));
    }
    HKEY root_ = HKEY_CURRENT_USER;
    std::wstring prefix_ = L"Software\\Classes\\";
    std::optional<std::wstring> saved_;
};

}  // namespace guitest
