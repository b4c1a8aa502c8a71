#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>

namespace qarvex::fuzz {

// A private folder for the files one fuzzing process writes, made once and reused, so
// that a run of millions of inputs does not litter the temporary folder.
const std::string& ScratchDir();

// Replaces the file with exactly these bytes; false when it could not be written.
bool WriteBytes(const std::string& path, std::string_view bytes);

// The whole file, or "" when it cannot be read.
std::string ReadBytes(const std::string& path);

// A broken invariant: print what was found and abort, which libFuzzer reports as a crash
// and keeps the input that caused it.
[[noreturn]] void Fail(const char* what);

inline void Check(bool ok, const char* what) {
    if (!ok) {
        Fail(what);
    }
}

// Splits the input at its first NUL byte: the parts stand for two fields (an address and
// a name, a file and a value). Without a NUL the second part is empty.
inline std::pair<std::string_view, std::string_view> SplitAtNul(std::string_view bytes) {
    const std::size_t nul = bytes.find('\0');
    if (nul == std::string_view::npos) {
        return {bytes, {}};
    }
    return {bytes.substr(0, nul), bytes.substr(nul + 1)};
}

inline std::string_view AsView(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

}  // namespace qarvex::fuzz
