#pragma once

#include <filesystem>
#include <string>

// A folder of its own under the system's temporary folder (a fresh name each
// time, so tests running at once never share one), removed with everything
// in it when the object goes.
class CTempFolder {
public:
    CTempFolder();
    ~CTempFolder();
    CTempFolder(const CTempFolder&) = delete;
    CTempFolder& operator=(const CTempFolder&) = delete;

    const std::filesystem::path& Root() const { return m_path; }
    std::string Folder() const { return m_path.string(); }
    std::string Path(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};
