#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace tresvik::test {

// A fresh folder of the user's below /tmp, removed with all it holds when the test is done.
class TempFolder {
public:
    explicit TempFolder(const std::string& prefix) {
        std::string pattern = "/tmp/" + prefix + "-XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr) {
            m_path = pattern;
        }
    }
    ~TempFolder() {
        std::error_code ignored;
        if (!m_path.empty()) {
            std::filesystem::remove_all(m_path, ignored);
        }
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    bool valid() const { return !m_path.empty(); }
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

}  // namespace tresvik::test
