#pragma once

#include <string>
#include <string_view>

namespace qarvex::test {

// A fresh folder under $TMPDIR (or /tmp), removed with everything in it when the object
// goes away, even if a test left read-only folders behind.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder, without a trailing slash.
    const std::string& Path() const { return m_path; }
    // Path() + "/" + name; nothing is created.
    std::string File(std::string_view name) const;

    // Writes bytes to File(name) as they are (no encoding, no line ends); returns the path.
    std::string Write(std::string_view name, std::string_view bytes) const;
    // The bytes of File(name), or "" when it cannot be read.
    std::string Read(std::string_view name) const;

private:
    std::string m_path;
};

// The bytes of any file (fixtures under QARVEX_TEST_DATA, for example), or "" when it
// cannot be read.
std::string ReadWholeFile(const std::string& path);

}  // namespace qarvex::test
