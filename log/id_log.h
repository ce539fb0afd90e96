#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tresvik {

// The file that records each distinct debug-information frame once, across runs. The file is
// open only inside load() and record(), so other programs can read it while the console runs.
// No failure is ever shown: a file that cannot be opened leaves the list empty and skips writes.
class IdLog {
public:
    static constexpr std::string_view kFileName = "ID_log.txt";

    // Opens (creating when missing, never truncating) and reads the file; LF or CR LF lines.
    void load(const std::filesystem::path& file);
    // Appends the line (written with CR LF) to the file and the list unless a known entry
    // begins with it. True when it was new. Before any load() only the list keeps it.
    bool record(std::u16string_view debugLine);
    const std::vector<std::u16string>& known() const { return m_known; }
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
    std::vector<std::u16string> m_known;
};

}  // namespace tresvik
