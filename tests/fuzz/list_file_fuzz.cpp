// Arbitrary bytes as list lines and list files: parsing never crashes, a line made from
// a path and a name parses back to them, and saving then loading keeps the lines.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "store/list_file.h"
#include "store/stored_list.h"
#include "store/strings.h"
#include "store/text_codec.h"
#include "store/text_file.h"

using qarvex::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = qarvex::fuzz::AsView(data, size);

    qarvex::TMyDocObj obj = qarvex::ParseListLine(input);
    (void)obj;

    // A path or name that runs into a separator (a path ending in "*|", a name ending in
    // "*2") is read differently by design; everything else parses back.
    const auto [path, name] = qarvex::fuzz::SplitAtNul(input);
    const std::string listLine = qarvex::MakeListLine(path, name);
    if (listLine.find(qarvex::kListSeparator) == path.size()) {
        const qarvex::TMyDocObj line = qarvex::ParseListLine(listLine);
        Check(line.Path == path, "the path of a list line does not parse back");
        const std::string scanLine = qarvex::MakeScanLine(path, name, static_cast<int>(size));
        const bool nameClean = !qarvex::Contains(name, qarvex::kNumberSeparator);
        if (nameClean) {
            Check(line.Name == name, "the name of a list line does not parse back");
        }
        const qarvex::TMyDocObj scan = qarvex::ParseListLine(scanLine);
        Check(scan.Path == path, "the path of a scan line does not parse back");
        if (scanLine.find(qarvex::kNumberSeparator, path.size() + 3) ==
            path.size() + 3 + name.size()) {
            Check(scan.Name == name && scan.Number == static_cast<int>(size),
                  "a scan line does not parse back");
        }
    }

    const std::string file = qarvex::fuzz::ScratchDir() + "rec.dat";
    const std::string copy = qarvex::fuzz::ScratchDir() + "copy.dat";
    if (!qarvex::fuzz::WriteBytes(file, input)) {
        return 0;
    }
    qarvex::StoredList list;
    if (!qarvex::LoadListFile(list, file)) {
        return 0;
    }
    Check(list.LineCount() == list.ItemCount(), "lines and items out of step");
    qarvex::ApplyListLimit(list);
    if (!qarvex::SaveListFile(list, copy)) {
        return 0;
    }
    qarvex::StoredList reloaded;
    Check(qarvex::LoadListFile(reloaded, copy), "a saved list cannot be read");
    Check(reloaded.Lines() == list.Lines(), "saving and loading changed the lines");
    Check(reloaded.Items() == list.Items(), "saving and loading changed the items");

    // Text read as GB18030 comes back byte for byte: the non-blank lines, each ended by
    // CR LF.
    bool ascii = true;
    for (const char c : input) {
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    }
    if (ascii || !qarvex::IsValidUtf8(input)) {
        std::string expected;
        for (const std::string& line : qarvex::SplitLines(input)) {
            if (!qarvex::Trim(line).empty()) {
                expected += line + "\r\n";
            }
        }
        Check(qarvex::fuzz::ReadBytes(copy) == expected, "a saved list lost bytes");
    }
    return 0;
}
