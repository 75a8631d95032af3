// A temporary folder for one test, removed with everything in it afterwards.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <sys/stat.h>

class CTempFolder {
public:
    CTempFolder()
    {
        std::string strTemplate = (std::filesystem::temp_directory_path() / "quorvane-hostfs-XXXXXX").string();
        if (mkdtemp(strTemplate.data()))
            m_strPath = strTemplate;
    }
    ~CTempFolder()
    {
        if (m_strPath.empty())
            return;
        // Give back every permission a test took away, then remove the lot
        // (remove_all does not follow links).
        std::error_code ec;
        for (auto it = std::filesystem::recursive_directory_iterator(m_strPath, ec);
             !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
            if (it->is_directory(ec) && !it->is_symlink(ec))
                chmod(it->path().c_str(), 0700);
        chmod(m_strPath.c_str(), 0700);
        std::filesystem::remove_all(m_strPath, ec);
    }
    CTempFolder(const CTempFolder&) = delete;
    CTempFolder& operator=(const CTempFolder&) = delete;

    const std::string& Path() const { return m_strPath; }
    std::string operator/(const std::string& strName) const { return m_strPath + "/" + strName; }

private:
    std::string m_strPath;
};

inline void WriteFile(const std::string& strPath, const std::string& strBytes)
{
    std::ofstream(strPath, std::ios::binary) << strBytes;
}

inline std::string ReadFile(const std::string& strPath)
{
    std::ifstream file(strPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}
