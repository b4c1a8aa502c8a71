// Arbitrary bytes as a settings file: reads and one write never crash, and the write
// leaves every value it did not touch as it was.
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "store/ini_file.h"
#include "store/strings.h"
#include "store/text_codec.h"
#include "store/text_file.h"

namespace {

using qarvex::fuzz::Check;

// (section, key) pairs that look present in the text; a rough guess is enough, since
// both readings below go through the same reader.
std::vector<std::pair<std::string, std::string>> GuessKeys(const std::string& text) {
    std::vector<std::pair<std::string, std::string>> keys;
    std::string section;
    for (const std::string& raw : qarvex::SplitLines(text)) {
        const std::string line = qarvex::Trim(raw);
        if (!line.empty() && line[0] == '[') {
            const std::size_t close = line.find(']');
            section = line.substr(1, close == std::string::npos ? std::string::npos : close - 1);
        } else if (const std::size_t eq = line.find('='); eq != std::string::npos && eq > 0) {
            keys.emplace_back(section, qarvex::Trim(line.substr(0, eq)));
        }
        if (keys.size() >= 32) {
            break;
        }
    }
    keys.emplace_back("default", "CheckDocInterval");
    keys.emplace_back("docs", "path0");
    return keys;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = qarvex::fuzz::AsView(data, size);
    const std::string path = qarvex::fuzz::ScratchDir() + "defualt.ini";
    if (!qarvex::fuzz::WriteBytes(path, input)) {
        return 0;
    }
    const auto keys = GuessKeys(qarvex::DecodeStoredText(input));

    std::vector<std::string> before;
    {
        qarvex::IniFile ini(path);
        for (const auto& [section, key] : keys) {
            before.push_back(ini.ReadString(section, key, "\x01missing"));
            (void)ini.ReadInteger(section, key, 120);
            (void)ini.ReadBool(section, key, true);
            (void)ini.ValueExists(section, key);
            (void)ini.SectionExists(section);
            Check(before.back().size() <= 3 * input.size() + 8,
                  "a value longer than the file could hold");
        }
        if (!ini.WriteString("QarvexFuzzSection", "written", "value")) {
            return 0;
        }
        Check(ini.ReadString("QarvexFuzzSection", "written", "") == "value",
              "the written value does not read back");
    }

    // A fresh reader sees the written key and every other value unchanged.
    qarvex::IniFile again(path);
    Check(again.ReadString("QarvexFuzzSection", "written", "") == "value",
          "the written value is not on disk");
    const bool ownSectionInInput =
        qarvex::Contains(qarvex::AsciiLower(qarvex::DecodeStoredText(input)), "qarvexfuzzsection");
    for (std::size_t i = 0; i < keys.size(); ++i) {
        // Section names holding control bytes are trimmed and matched by the reader in ways
        // this rough guess of the keys does not model; their values are not compared.
        bool controlBytes = false;
        for (const char c : keys[i].first) {
            controlBytes = controlBytes || static_cast<unsigned char>(c) < 0x20;
        }
        if (ownSectionInInput &&
            (controlBytes ||
             qarvex::EqualsIgnoreAsciiCase(qarvex::Trim(keys[i].first), "QarvexFuzzSection"))) {
            continue;
        }
        Check(again.ReadString(keys[i].first, keys[i].second, "\x01missing") == before[i],
              "a value outside the written key changed");
    }

    // Bytes the reader takes as GB18030 (plain ASCII, or not UTF-8 at all) are written back
    // exactly: the new section only goes after them.
    bool ascii = true;
    for (const char c : input) {
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    }
    if (!ownSectionInInput && (ascii || !qarvex::IsValidUtf8(input))) {
        const std::string after = qarvex::fuzz::ReadBytes(path);
        Check(after.compare(0, input.size(), input) == 0, "bytes before the new section changed");
    }
    return 0;
}
